#include "display/control/StreamProbe.h"

#include "display/decoder/Ombrel.h"

namespace display {
namespace {

constexpr size_t kBlockSize = 52;
constexpr uint8_t kBlockMark = 0x19;
constexpr uint8_t kNalSequenceParameterSet = 7;

bool IsSequenceParameterSet(const uint8_t* p, size_t size)
{
    if (size >= 5 && p[0] == 0 && p[1] == 0 && p[2] == 0 && p[3] == 1)
        return (p[4] & 0x1F) == kNalSequenceParameterSet;
    return size >= 4 && p[0] == 0 && p[1] == 0 && p[2] == 1 && (p[3] & 0x1F) == kNalSequenceParameterSet;
}

bool IsMpeg4Start(const uint8_t* p, size_t size)
{
    return size >= 4 && p[0] == 0 && p[1] == 0 && p[2] == 1 && (p[3] == 0xB0 || p[3] == 0xB5 || p[3] <= 0x2F);
}

} // namespace

std::optional<StreamKind> ProbeKeyFrame(const uint8_t* data, size_t size)
{
    if (!data)
        return std::nullopt;
    if (size > kBlockSize && data[4] == kBlockMark && IsSequenceParameterSet(data + kBlockSize, size - kBlockSize))
        return StreamKind{OMBREL_CODEC_H264, kBlockSize};
    if (IsSequenceParameterSet(data, size))
        return StreamKind{OMBREL_CODEC_H264, 0};
    if (IsMpeg4Start(data, size))
        return StreamKind{OMBREL_CODEC_MPEG4, 0};
    return std::nullopt;
}

} // namespace display
