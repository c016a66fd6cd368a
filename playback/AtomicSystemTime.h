#pragma once
#include <atomic>
#include <cstdint>

#include "recording/SystemTime.h"

namespace playback {

// A calendar time shared between threads. The fields are packed into one 64-bit word so
// that a reader never sees half of an old time and half of a new one. Every field keeps
// its calendar range (month 1..12, day 1..31, ...); milliseconds keep all 16 bits.
class AtomicSystemTime {
public:
    AtomicSystemTime() = default;
    AtomicSystemTime(const AtomicSystemTime&) = delete;
    AtomicSystemTime& operator=(const AtomicSystemTime&) = delete;

    void Store(const recording::SystemTime& t) { m_packed.store(Pack(t)); }
    recording::SystemTime Load() const { return Unpack(m_packed.load()); }
    AtomicSystemTime& operator=(const recording::SystemTime& t)
    {
        Store(t);
        return *this;
    }
    operator recording::SystemTime() const { return Load(); }

private:
    // Field widths, low to high: milliseconds 16, second 6, minute 6, hour 5, day 5,
    // day of week 3, month 4, year 16.
    static uint64_t Pack(const recording::SystemTime& t)
    {
        return uint64_t{t.wMilliseconds} | uint64_t{t.wSecond & 63u} << 16 | uint64_t{t.wMinute & 63u} << 22 |
               uint64_t{t.wHour & 31u} << 28 | uint64_t{t.wDay & 31u} << 33 | uint64_t{t.wDayOfWeek & 7u} << 38 |
               uint64_t{t.wMonth & 15u} << 41 | uint64_t{t.wYear} << 45;
    }
    static recording::SystemTime Unpack(uint64_t v)
    {
        recording::SystemTime t;
        t.wMilliseconds = static_cast<uint16_t>(v & 0xFFFF);
        t.wSecond = static_cast<uint16_t>(v >> 16 & 63);
        t.wMinute = static_cast<uint16_t>(v >> 22 & 63);
        t.wHour = static_cast<uint16_t>(v >> 28 & 31);
        t.wDay = static_cast<uint16_t>(v >> 33 & 31);
        t.wDayOfWeek = static_cast<uint16_t>(v >> 38 & 7);
        t.wMonth = static_cast<uint16_t>(v >> 41 & 15);
        t.wYear = static_cast<uint16_t>(v >> 45 & 0xFFFF);
        return t;
    }

    std::atomic<uint64_t> m_packed{0};
};

} // namespace playback
