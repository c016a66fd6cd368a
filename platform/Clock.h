#pragma once
#include <cstdint>

namespace platform {

// The high-resolution counter and the millisecond sleep the pacing is built on, behind an
// interface so that tests and tools can replay a recording without waiting.
class Clock {
public:
    virtual ~Clock() = default;
    // The counter's current value, in ticks.
    virtual int64_t Now() = 0;
    // Ticks per second.
    virtual int64_t Frequency() = 0;
    virtual void Sleep(int milliseconds) = 0;
};

} // namespace platform
