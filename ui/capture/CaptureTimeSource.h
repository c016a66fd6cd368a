#pragma once
#include <functional>

#include "recording/SystemTime.h"

namespace capture {

// How the snapshot and the print dialog read the player's m_CurTime and m_nTimeFormat:
// at the moment a name or a time stamp is made, from whichever thread last wrote them.
struct CaptureTimeSource {
    std::function<recording::SystemTime()> curTime;
    std::function<int()> timeFormat;
};

} // namespace capture
