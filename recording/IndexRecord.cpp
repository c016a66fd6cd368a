#include "recording/IndexRecord.h"

#include <algorithm>

#include "recording/LittleEndian.h"

namespace recording {
namespace {
constexpr size_t kKeyAt = 40;
constexpr size_t kTimeAt = 44;
constexpr size_t kChannelAt = 72;
constexpr size_t kChCountAt = 76;
constexpr size_t kSizeAt = 80;
} // namespace

IndexRecord IndexRecord::Parse(const uint8_t* b)
{
    IndexRecord r;
    r.lead = GetU32(b);
    r.i_key = GetU32(b + kKeyAt);
    const uint8_t* t = b + kTimeAt;
    r.i_time = SystemTime{GetU16(t), GetU16(t + 2), GetU16(t + 4), GetU16(t + 6),
                          GetU16(t + 8), GetU16(t + 10), GetU16(t + 12), GetU16(t + 14)};
    r.i_ch = GetU32(b + kChannelAt);
    r.i_chCount = GetU32(b + kChCountAt);
    r.i_size = GetU32(b + kSizeAt);
    return r;
}

void IndexRecord::Serialize(uint8_t* b) const
{
    std::fill(b, b + kHeaderSize, 0);
    PutU32(b, lead);
    PutU32(b + kKeyAt, i_key);
    const uint16_t fields[8] = {i_time.wYear, i_time.wMonth,  i_time.wDayOfWeek, i_time.wDay,
                                i_time.wHour, i_time.wMinute, i_time.wSecond,    i_time.wMilliseconds};
    for (int i = 0; i < 8; ++i)
        PutU16(b + kTimeAt + 2 * i, fields[i]);
    PutU32(b + kChannelAt, i_ch);
    PutU32(b + kChCountAt, i_chCount);
    PutU32(b + kSizeAt, i_size);
}

} // namespace recording
