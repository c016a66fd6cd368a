#include "motion/MotionEvent.h"

#include <cstdio>

#include "recording/TimeConversion.h"
#include "recording/TimeText.h"

namespace motion {

std::string Instant::Text() const
{
    // Video stamps count milliseconds from the start of the first frame's second.
    char msec[8];
    std::snprintf(msec, sizeof msec, ".%03u", f_msec % 1000);
    return recording::FormatDateTime(recording::FTimeToSystemTime(f_time), 1) + msec;
}

} // namespace motion
