#include "display/control/PaceMeter.h"

#include <cstdlib>

namespace display {

void PaceMeter::Note(int64_t recordedMs, Clock::time_point now)
{
    const bool restart = now - m_last >= kPause || std::llabs(recordedMs - m_lastRecorded) >= kJumpMs;
    m_last = now;
    m_lastRecorded = recordedMs;
    if (restart) {
        // Until a window has passed, nothing says the pictures fly past.
        m_fast = false;
        m_backward = false;
        m_windowStart = now;
        m_windowRecorded = recordedMs;
        return;
    }
    const auto wall = std::chrono::duration_cast<std::chrono::milliseconds>(now - m_windowStart).count();
    if (wall < kWindow.count())
        return;
    // 1x paced with jitter stays well below 3/2; 2x and above are over it.
    m_fast = std::llabs(recordedMs - m_windowRecorded) * 2 > wall * 3;
    m_backward = recordedMs < m_windowRecorded;
    m_windowStart = now;
    m_windowRecorded = recordedMs;
}

} // namespace display
