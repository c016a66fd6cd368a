#include "platform/SteadyClock.h"

#include <chrono>
#include <thread>

namespace platform {

int64_t SteadyClock::Now()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void SteadyClock::Sleep(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

} // namespace platform
