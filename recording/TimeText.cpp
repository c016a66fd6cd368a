#include "recording/TimeText.h"

#include <cstdio>

#include "recording/TimeConversion.h"

namespace recording {
namespace {
// Texts are built in 260-character buffers and cut there, as every formatted text is.
constexpr size_t kTextBuffer = 260;
} // namespace

std::string FormatDateTime(const SystemTime& t, int timeFormat, bool milliseconds)
{
    char buf[kTextBuffer];
    const int y = t.wYear, mo = t.wMonth, d = t.wDay, h = t.wHour, mi = t.wMinute, s = t.wSecond;
    switch (timeFormat) {
    case 2: std::snprintf(buf, sizeof buf, "%02d-%02d-%d %02d:%02d:%02d", mo, d, y, h, mi, s); break;
    case 3: std::snprintf(buf, sizeof buf, "%02d-%02d-%d %02d:%02d:%02d", d, mo, y, h, mi, s); break;
    case 4: std::snprintf(buf, sizeof buf, "%d/%02d/%02d %02d:%02d:%02d", y, mo, d, h, mi, s); break;
    case 5: std::snprintf(buf, sizeof buf, "%02d/%02d/%d %02d:%02d:%02d", mo, d, y, h, mi, s); break;
    case 6: std::snprintf(buf, sizeof buf, "%02d/%02d/%d %02d:%02d:%02d", d, mo, y, h, mi, s); break;
    default: std::snprintf(buf, sizeof buf, "%d-%02d-%02d %02d:%02d:%02d", y, mo, d, h, mi, s); break;
    }
    std::string text = buf;
    if (milliseconds) {
        std::snprintf(buf, sizeof buf, ".%03d", t.wMilliseconds % 1000);
        text += buf;
    }
    return text;
}

std::string FormatElapsedTotal(int hour, int minute, int second, int totalHour, int totalMinute, int totalSecond)
{
    char buf[kTextBuffer];
    std::snprintf(buf, sizeof buf, "%02d : %02d : %02d / %02d : %02d : %02d", hour, minute, second, totalHour,
                  totalMinute, totalSecond);
    return buf;
}

std::string FormatElapsedSeconds(long elapsed, const SystemTime& total)
{
    const long hours = elapsed / 3600;
    const long minutes = (elapsed - hours * 3600) / 60;
    return FormatElapsedTotal(static_cast<int>(hours), static_cast<int>(minutes), static_cast<int>(elapsed % 60),
                              total.wHour, total.wMinute, total.wSecond);
}

std::optional<int32_t> ParseDateTime(const std::string& text)
{
    unsigned y, mo, d, h, mi, s;
    char tail;
    if (std::sscanf(text.c_str(), "%4u-%2u-%2u %2u:%2u:%2u%c", &y, &mo, &d, &h, &mi, &s, &tail) != 6)
        return std::nullopt;
    const SystemTime time{static_cast<uint16_t>(y), static_cast<uint16_t>(mo), 0, static_cast<uint16_t>(d),
                          static_cast<uint16_t>(h), static_cast<uint16_t>(mi), static_cast<uint16_t>(s), 0};
    const std::optional<int32_t> fTime = SystemTimeToFTime(time);
    // Years the 32-bit count cannot hold come back as another date.
    if (!fTime || FTimeToSystemTime(*fTime).wYear != time.wYear)
        return std::nullopt;
    return fTime;
}

namespace {

// "h:m" or "h:m:s", one or two digits each, within a day.
std::optional<SystemTime> ParseTimeOfDay(const std::string& text, SystemTime day)
{
    int parts[3] = {0, 0, 0};
    int count = 0;
    int digits = 0;
    for (const char c : text) {
        if (c == ':' && digits > 0 && count < 2) {
            ++count;
            digits = 0;
        } else if (c >= '0' && c <= '9' && digits < 2) {
            parts[count] = parts[count] * 10 + (c - '0');
            ++digits;
        } else {
            return std::nullopt;
        }
    }
    if (count == 0 || digits == 0 || parts[0] > 23 || parts[1] > 59 || parts[2] > 59)
        return std::nullopt;
    day.wHour = static_cast<uint16_t>(parts[0]);
    day.wMinute = static_cast<uint16_t>(parts[1]);
    day.wSecond = static_cast<uint16_t>(parts[2]);
    day.wMilliseconds = 0;
    return day;
}

} // namespace

std::optional<int32_t> ParseTypedTime(const std::string& text, int32_t day)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::nullopt;
    const std::string trimmed = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    if (trimmed.find(' ') != std::string::npos)
        return ParseDateTime(trimmed);
    const std::optional<SystemTime> time = ParseTimeOfDay(trimmed, FTimeToSystemTime(day));
    return time ? SystemTimeToFTime(*time) : std::nullopt;
}

} // namespace recording
