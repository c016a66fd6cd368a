#include "ui/capture/CaptureTimeText.h"

#include <cstdio>

namespace capture {
namespace {
constexpr size_t kTextBuffer = 260;

enum class DateOrder { YearMonthDay, MonthDayYear, DayMonthYear };

DateOrder OrderOf(int timeFormat)
{
    switch (timeFormat) {
    case 2:
    case 5: return DateOrder::MonthDayYear;
    case 3:
    case 6: return DateOrder::DayMonthYear;
    default: return DateOrder::YearMonthDay;
    }
}

// "yyyy<sep>mm<sep>dd" in the format's order.
std::string DateText(const recording::SystemTime& t, int timeFormat, char sep)
{
    char buf[kTextBuffer];
    switch (OrderOf(timeFormat)) {
    case DateOrder::MonthDayYear:
        std::snprintf(buf, sizeof buf, "%02d%c%02d%c%04d", t.wMonth, sep, t.wDay, sep, t.wYear);
        break;
    case DateOrder::DayMonthYear:
        std::snprintf(buf, sizeof buf, "%02d%c%02d%c%04d", t.wDay, sep, t.wMonth, sep, t.wYear);
        break;
    case DateOrder::YearMonthDay:
        std::snprintf(buf, sizeof buf, "%04d%c%02d%c%02d", t.wYear, sep, t.wMonth, sep, t.wDay);
        break;
    }
    return buf;
}

std::string MillisecondsText(const recording::SystemTime& t, bool milliseconds)
{
    char buf[kTextBuffer] = "";
    if (milliseconds)
        std::snprintf(buf, sizeof buf, ".%03d", t.wMilliseconds % 1000);
    return buf;
}
} // namespace

std::string SnapshotFileName(const recording::SystemTime& t, int timeFormat, bool milliseconds)
{
    char time[kTextBuffer];
    std::snprintf(time, sizeof time, "-%02d%02d%02d", t.wHour, t.wMinute, t.wSecond);
    return DateText(t, timeFormat, '-') + time + MillisecondsText(t, milliseconds);
}

std::string PrintTimeText(const recording::SystemTime& t, int timeFormat, bool milliseconds)
{
    const char sep = timeFormat >= 4 && timeFormat <= 6 ? '/' : '-';
    char time[kTextBuffer];
    std::snprintf(time, sizeof time, " %02d:%02d:%02d", t.wHour, t.wMinute, t.wSecond);
    return DateText(t, timeFormat, sep) + time + MillisecondsText(t, milliseconds);
}

} // namespace capture
