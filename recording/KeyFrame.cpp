#include "recording/KeyFrame.h"

#include "recording/TimeConversion.h"

namespace recording {
namespace {

bool IsSpsAfterStartCode(const uint8_t* p) { return p[0] == 0 && p[1] == 0 && p[2] == 0 && p[3] == 1 && (p[4] & 0x1F) == 7; }

bool IsPrefixedSps(const uint8_t* p, size_t available)
{
    return available >= kPrefixBlockSize + 5 && p[4] == 0x19 && IsSpsAfterStartCode(p + kPrefixBlockSize);
}

} // namespace

bool IsKeyFrameStart(const uint8_t* p, size_t available, int videoFormat)
{
    if (videoFormat == 0 || videoFormat == 1)
        return available >= 4 && p[0] == 0 && p[1] == 0 && p[2] == 1 && (p[3] == 0x00 || p[3] == 0xB0);
    if (videoFormat == 2)
        return (available >= 5 && IsSpsAfterStartCode(p)) || IsPrefixedSps(p, available);
    return videoFormat > 2 && IsPrefixedSps(p, available);
}

bool IsPlausible(const FrameRecord& record, int referenceYear)
{
    const SystemTime t = FTimeToSystemTime(record.f_time);
    return t.wYear >= referenceYear - 1 && t.wYear <= referenceYear + 1 && t.wMonth >= 1 && t.wMonth <= 12 &&
           t.wDay >= 1 && t.wDay <= 32;
}

} // namespace recording
