#pragma once
#include <atomic>

#include "platform/Clock.h"

namespace platform {

// A clock whose time moves only when someone sleeps: a sleep adds its length at once and
// merely yields the processor. Pacing then comes out exact and a replay takes no real time.
// One time line is shared by every thread that sleeps on it.
class VirtualClock : public Clock {
public:
    int64_t Now() override { return m_now.load(); }
    int64_t Frequency() override { return 1000; }
    void Sleep(int milliseconds) override;

private:
    std::atomic<int64_t> m_now{0};
};

} // namespace platform
