#include "recording/TimeConversion.h"

namespace recording {
namespace {

constexpr int64_t kTicksPerSecond = 10'000'000;
constexpr int64_t kSecondsPerDay = 86'400;
constexpr int64_t kSeconds1601To1970 = 11'644'473'600;

bool IsLeap(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

// Days from 1970-01-01 to the given civil date (H. Hinnant's days_from_civil).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

} // namespace

int DaysInMonth(int year, int month)
{
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

SystemTime FTimeToSystemTime(int32_t fTime)
{
    const int64_t seconds = fTime;
    int64_t days = seconds / kSecondsPerDay;
    int64_t secondOfDay = seconds % kSecondsPerDay;
    if (secondOfDay < 0) {
        secondOfDay += kSecondsPerDay;
        --days;
    }
    // civil_from_days
    const int64_t z = days + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned day = doy - (153 * mp + 2) / 5 + 1;
    const unsigned month = mp < 10 ? mp + 3 : mp - 9;
    const int64_t year = static_cast<int64_t>(yoe) + era * 400 + (month <= 2);

    SystemTime t;
    t.wYear = static_cast<uint16_t>(year);
    t.wMonth = static_cast<uint16_t>(month);
    t.wDay = static_cast<uint16_t>(day);
    // 1970-01-01 was a Thursday (4).
    t.wDayOfWeek = static_cast<uint16_t>(((days % 7) + 7 + 4) % 7);
    t.wHour = static_cast<uint16_t>(secondOfDay / 3600);
    t.wMinute = static_cast<uint16_t>(secondOfDay / 60 % 60);
    t.wSecond = static_cast<uint16_t>(secondOfDay % 60);
    t.wMilliseconds = 0;
    return t;
}

std::optional<int32_t> SystemTimeToFTime(const SystemTime& t)
{
    if (t.wYear < 1601 || t.wYear > 30827 || t.wDay < 1 || t.wDay > DaysInMonth(t.wYear, t.wMonth) ||
        t.wHour > 23 || t.wMinute > 59 || t.wSecond > 59 || t.wMilliseconds > 999)
        return std::nullopt;
    const int64_t days = DaysFromCivil(t.wYear, t.wMonth, t.wDay);
    const int64_t secondOfDay = (int64_t{t.wHour} * 60 + t.wMinute) * 60 + t.wSecond;
    const int64_t ticksSince1601 = ((days * kSecondsPerDay + secondOfDay + kSeconds1601To1970) * kTicksPerSecond) +
                                   int64_t{t.wMilliseconds} * 10'000;
    const int64_t seconds = (ticksSince1601 - kSeconds1601To1970 * kTicksPerSecond) / kTicksPerSecond;
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(seconds)));
}

} // namespace recording
