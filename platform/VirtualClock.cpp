#include "platform/VirtualClock.h"

#include <thread>

namespace platform {

void VirtualClock::Sleep(int milliseconds)
{
    if (milliseconds > 0)
        m_now.fetch_add(milliseconds);
    std::this_thread::yield();
}

} // namespace platform
