#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tools/vrc-tool/ClipMuxer.h"

namespace vrctool {

// The recorded time as a caption track: the date and time of every recorded second, and a
// cue where the recording has a hole or the recorder's clock stepped back or stood still, so
// any player shows the recorded time without a pixel of the picture changed. The cues are
// worked out from the span's headers before the copy, and each is written when the copy
// reaches its start, which keeps every track of the clip in time order.
//
// The track is written as back-to-back cues, each holding every text that applies over it
// (the second's date and time, then a hole or a step): an MP4 text track shows one sample
// until the next begins and cannot overlap two.
class ClipCaptions {
public:
    // Steps longer than holeMs are holes; the cues go to the muxer's track.
    ClipCaptions(int64_t holeMs, size_t track) : m_holeMs(holeMs), m_track(track) {}

    // The next video frame: its f_time, its stamp minus the previous frame's (ignored for the
    // first), and its time in the clip.
    void Frame(int32_t fTime, int64_t stampStepMs, int64_t clipMs);
    // Closes the last second's caption at the clip's end and cuts the cues into the
    // back-to-back sequence that is written.
    void Finish(int64_t endMs);
    // Writes every cue that starts at or before ms; false when the muxer fails.
    bool WriteUntil(int64_t ms, ClipMuxer& muxer);

private:
    struct Cue {
        int64_t startMs = 0;
        int64_t endMs = 0;
        std::string text;
    };
    static constexpr int64_t kStepCueMs = 2000;

    static std::vector<Cue> BackToBack(const std::vector<Cue>& cues);

    int64_t m_holeMs;
    size_t m_track;
    std::vector<Cue> m_cues;
    size_t m_written = 0;
    bool m_started = false;
    int32_t m_second = 0;
    int64_t m_secondStartMs = 0;
    int32_t m_previousTime = 0;
    int64_t m_previousMs = 0;
};

} // namespace vrctool
