#pragma once
#include <cstdint>
#include <string>

namespace motion {

// A frame's place in recorded time: its f_time second and its running millisecond clock
// f_msec, whose differences give exact spans between frames of one channel.
struct Instant {
    int32_t f_time = 0;
    uint32_t f_msec = 0;

    // Milliseconds from this instant to a later one (32-bit wrap-around, as playback takes it).
    int64_t MsUntil(const Instant& later) const { return static_cast<int32_t>(later.f_msec - f_msec); }
    // "YYYY-MM-DD hh:mm:ss.mmm"
    std::string Text() const;
};

// A span of recorded time in which the region's picture changed: its first and last frame
// showing the change, and the largest share (0..1) of the region that changed at once.
struct MotionEvent {
    Instant start;
    Instant end;
    double peak = 0;

    int64_t DurationMs() const { return start.MsUntil(end); }
};

} // namespace motion
