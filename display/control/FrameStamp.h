#pragma once
#include <cstdint>

namespace display {

// The recorded time of a video frame as the player handed it over: its f_time and the
// millisecond within that second. A default stamp stands for no frame.
struct FrameStamp {
    int32_t fTime = 0;
    int32_t msec = -1;

    bool IsValid() const { return msec >= 0; }
    // Recorded time in milliseconds, for comparing and measuring stamps.
    int64_t Milliseconds() const { return int64_t{fTime} * 1000 + (msec > 0 ? msec : 0); }
    bool operator==(const FrameStamp&) const = default;
};

} // namespace display
