#pragma once
#include <optional>
#include <string>

#include "recording/SystemTime.h"

namespace recording {

// The six date formats a user chooses from, 1..6; any other value formats as 1. With
// milliseconds the seconds go on as ".mmm".
std::string FormatDateTime(const SystemTime& time, int timeFormat, bool milliseconds = false);

// "hh : mm : ss / HH : MM : SS", elapsed against total.
std::string FormatElapsedTotal(int hour, int minute, int second, int totalHour, int totalMinute, int totalSecond);

// The elapsed part of the text from a count of seconds.
std::string FormatElapsedSeconds(long elapsedSeconds, const SystemTime& total);

// The f_time of a "YYYY-MM-DD hh:mm:ss" text (format 1), or empty when the text is not
// one or names no real date and time.
std::optional<int32_t> ParseDateTime(const std::string& text);

// A recorded time as a person types it: a date and time as above, or a time of day alone
// ("09:00:30", "9:0:30", "9:00") on the day of the f_time day; empty when it is neither.
std::optional<int32_t> ParseTypedTime(const std::string& text, int32_t day);

} // namespace recording
