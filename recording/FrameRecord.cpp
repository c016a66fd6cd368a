#include "recording/FrameRecord.h"

#include "recording/LittleEndian.h"

namespace recording {

FrameRecord FrameRecord::Parse(const uint8_t* bytes)
{
    return FrameRecord{GetI32(bytes), GetU32(bytes + 4), GetU32(bytes + 8), GetU32(bytes + 12), GetU32(bytes + 16)};
}

void FrameRecord::Serialize(uint8_t* bytes) const
{
    PutU32(bytes, static_cast<uint32_t>(f_time));
    PutU32(bytes + 4, f_msec);
    PutU32(bytes + 8, f_size);
    PutU32(bytes + 12, f_prevSize);
    PutU32(bytes + 16, f_key);
}

} // namespace recording
