#pragma once
#include <string>

#include "recording/SystemTime.h"

namespace capture {

// The snapshot file's name (without ".bmp") for the chosen date format: the date with
// hyphens in the format's order, a hyphen, then hhmmss, e.g. "2009-09-03-140509", and with
// milliseconds ".mmm" after it. Hyphens also for the formats shown with slashes; formats
// outside 1..6 name as 1.
std::string SnapshotFileName(const recording::SystemTime& time, int timeFormat, bool milliseconds = false);

// The time stamp printed on the picture, "2009-09-03 14:05:09" and its five siblings:
// the on-screen separators with the year always four digits wide; ".mmm" with milliseconds.
std::string PrintTimeText(const recording::SystemTime& time, int timeFormat, bool milliseconds = false);

} // namespace capture
