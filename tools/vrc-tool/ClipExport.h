#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/File.h"
#include "recording/ClipClock.h"
#include "recording/ClipSpan.h"
#include "recording/FrameRow.h"
#include "recording/RecordingHeader.h"
#include "tools/vrc-tool/ClipMuxer.h"

namespace vrctool {

// Copies channels' records of their clip spans into one container, payload by payload, each
// channel a track of its own on a shared time line, with the channel's sound beside it when
// asked, and tables every frame on both sides.
class ClipExport {
public:
    struct Source {
        // The recording: the span's headers, its payloads and the sound's run.
        platform::File& file;
        const recording::RecordingHeader& header;
        int channel = 0;
        recording::ClipSpan span;
        bool audio = false;
        // The f_time that audio stamps count from, as playback lines sound up with
        // pictures: that of the recording's earliest first key frame.
        int32_t audioEpoch = 0;
        // Where the span's first frame lies on a time line shared with other clips.
        int64_t baseMs = 0;
        // Steps longer than this are holes, captioned as such.
        int64_t holeMs = 2000;
    };
    // What one channel's track of the clip holds.
    struct Track {
        std::string audioDamage;
        std::vector<recording::FrameRow> video;
        std::vector<recording::FrameRow> audio;
        std::vector<recording::ClipClock::Step> steps;
        // Sound frames inside the clip's seconds that found no place on its time line.
        uint64_t unplacedAudio = 0;
        uint64_t keyFrames = 0;
    };
    struct Result {
        std::string error;  // empty on success
        std::vector<Track> tracks; // in the order of the sources
        uint64_t clipSize = 0;
        std::string clipSha;
    };
    using Progress = std::function<void()>; // after every frame

    // path "" writes nothing but still sizes and hashes the clip. titles name the tracks.
    static Result Run(const std::vector<Source>& sources, const std::vector<std::string>& titles,
                      const std::string& path, const std::string& container, const ClipMuxer::Metadata& metadata,
                      const Progress& progress = {});
};

} // namespace vrctool
