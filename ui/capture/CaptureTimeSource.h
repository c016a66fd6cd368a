#pragma once
#include <functional>
#include <string>

#include "recording/SystemTime.h"

namespace capture {

// What the snapshot and the print dialog read from the player when they name or stamp a
// picture: the time of the picture on screen (m_CurTime), the time format and whether the time
// display shows milliseconds, a channel's name, and the recording file's path.
struct CaptureTimeSource {
    std::function<recording::SystemTime()> curTime;
    std::function<int()> timeFormat;
    std::function<bool()> milliseconds = [] { return false; };
    std::function<std::string(int)> channelName = [](int) { return std::string(); };
    std::function<std::string()> recordingFile = [] { return std::string(); };
};

} // namespace capture
