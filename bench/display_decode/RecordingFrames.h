#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace bench {

struct Frame {
    int channel = 0;
    uint32_t msec = 0;
    int32_t fTime = 0;
    uint32_t key = 0;
    std::vector<uint8_t> payload;
};

// Every video frame of a recording in the order the play loop hands them over (by stamp),
// and the number of video channels. Throws when the file cannot be read.
struct RecordingFrames {
    std::vector<Frame> frames;
    int channels = 0;
    uint8_t videoFormat = 0;

    static RecordingFrames Read(const std::string& path);
    // Channel 0's frames played `laps` times in a row, the stamps of each lap carrying on from
    // the last, as one longer recording of one channel: a rate measured on it is not the start
    // of a run alone.
    RecordingFrames FirstChannelLaps(int laps) const;
    // The frame's payload as the control is handed it: format 4 loses its recorder's block
    // in the player before the control sees it.
    std::span<const uint8_t> Payload(const Frame& frame) const;
};

} // namespace bench
