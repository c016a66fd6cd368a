#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/File.h"
#include "recording/ClipSpan.h"
#include "recording/RecordingHeader.h"
#include "tools/vrc-tool/ClipMuxer.h"

namespace vrctool {

// Copies one channel's records of a clip span into a container, payload by payload, with
// the channel's sound beside them when asked.
class ClipExport {
public:
    struct Source {
        platform::File& file;
        const recording::RecordingHeader& header;
        int channel = 0;
        recording::ClipSpan span;
        bool audio = false;
        // The f_time that audio stamps count from, as playback lines sound up with
        // pictures: that of the recording's earliest first key frame.
        int32_t audioEpoch = 0;
    };
    struct Result {
        std::string error;  // empty on success
        std::string audioDamage;
        uint64_t frames = 0;
        uint64_t keyFrames = 0;
        uint64_t audioFrames = 0;
        // Frames whose stamp did not move on from the previous one; the container needs
        // rising times, so each of them is placed 1 ms after its predecessor.
        uint64_t adjustedStamps = 0;
    };
    using Progress = std::function<void(uint64_t bytesDone)>;

    // path "" writes to a sink that only counts the bytes.
    static Result Run(const Source& source, const std::string& path, const std::string& container,
                      const ClipMuxer::Metadata& metadata, const Progress& progress = {});
};

} // namespace vrctool
