#pragma once
#include "platform/Clock.h"

namespace platform {

// The real clock: the monotonic clock in nanoseconds and real sleeps.
class SteadyClock : public Clock {
public:
    int64_t Now() override;
    int64_t Frequency() override { return 1'000'000'000; }
    void Sleep(int milliseconds) override;
};

} // namespace platform
