#pragma once
#include <cstdint>
#include <optional>
#include <vector>

namespace recording {

// Places a channel's frames on a clip's time line from their millisecond stamps. A stamp
// that does not move on (the recorder's clock stepped back, or the same stamp twice) would
// leave the frame before it on screen for no time at all; that frame keeps the nominal frame
// duration instead and every later frame, picture or sound, moves by the same amount. The
// steps and the shifts they brought are kept, so the clip's times can be explained.
class ClipClock {
public:
    struct Step {
        uint64_t frame = 0;       // the video frame whose stamp did not move on
        int64_t stampStepMs = 0;  // its stamp minus the one before: 0 or less
        int64_t shiftMs = 0;      // what is added to stamps from this frame on
        int64_t fromStampMs = 0;  // that frame's stamp on the recorder's clock
        uint64_t era = 0;         // how many backward steps came before, this one included
    };

    // firstStampMs is the first frame's stamp; baseMs puts it on a time line shared with
    // other channels (0 for a clip of its own).
    ClipClock(int64_t firstStampMs, int64_t baseMs) : m_first(firstStampMs), m_base(baseMs) {}

    // The clip time of the next video frame, in file order.
    int64_t PlaceVideo(int64_t stampMs);
    // How long the last placed frame lasts, when no frame follows it: the nominal duration.
    int64_t LastDuration() const { return m_nominal; }

    // The clip time of a sound frame on the same clock, or nothing while the pictures have
    // not yet reached the clock era it belongs to. Sound frames come in their own file order.
    std::optional<int64_t> PlaceSound(int64_t stampMs);

    const std::vector<Step>& Steps() const { return m_steps; }

private:
    static constexpr int64_t kDefaultFrameMs = 40;
    // A longer step is a hole in the recording, not a frame's duration.
    static constexpr int64_t kLongestFrameMs = 1000;

    int64_t m_first;
    int64_t m_base;
    int64_t m_previous = INT64_MIN;
    int64_t m_nominal = kDefaultFrameMs;
    int64_t m_shift = 0;
    uint64_t m_frames = 0;
    uint64_t m_era = 0;
    std::vector<Step> m_steps;
    int64_t m_soundPrevious = INT64_MIN;
    uint64_t m_soundEra = 0;
};

} // namespace recording
