#pragma once
#include <cstdint>

namespace recording {

// Calendar time in the shape of the recorder's SYSTEMTIME: eight 16-bit fields.
// wDayOfWeek counts from Sunday = 0.
struct SystemTime {
    uint16_t wYear = 0;
    uint16_t wMonth = 0;
    uint16_t wDayOfWeek = 0;
    uint16_t wDay = 0;
    uint16_t wHour = 0;
    uint16_t wMinute = 0;
    uint16_t wSecond = 0;
    uint16_t wMilliseconds = 0;

    friend bool operator==(const SystemTime&, const SystemTime&) = default;
};

} // namespace recording
