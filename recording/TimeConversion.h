#pragma once
#include <cstdint>
#include <optional>

#include "recording/SystemTime.h"

namespace recording {

// f_time counts seconds since 1970-01-01 00:00:00 with no time-zone adjustment. Both
// conversions are exact proleptic Gregorian arithmetic on the count of 100 ns units
// since 1601-01-01, as the recorder's own time routines are.

// Never fails over the whole signed 32-bit range; wMilliseconds is 0.
SystemTime FTimeToSystemTime(int32_t fTime);

// Rounds toward zero and keeps the low 32 bits of the seconds. Empty when a field is out
// of its calendar range (month 13, 31 April, hour 24, ...), where the recorder's routine
// reports failure too.
std::optional<int32_t> SystemTimeToFTime(const SystemTime& time);

// Days in a month of the proleptic Gregorian calendar (month 1..12).
int DaysInMonth(int year, int month);

} // namespace recording
