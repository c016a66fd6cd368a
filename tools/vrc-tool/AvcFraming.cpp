#include "tools/vrc-tool/AvcFraming.h"

#include <cstring>
#include <span>

namespace vrctool {
namespace {

constexpr uint8_t kSequenceSet = 7;
constexpr uint8_t kPictureSet = 8;

// Calls unit(begin, length) for every NAL unit between 3-byte start codes; the zeros in
// front of a start code belong to no unit. Start codes are found by their 1, which memchr
// finds many bytes at a time.
template <typename Unit>
void ForEachUnit(const uint8_t* data, size_t size, Unit unit)
{
    size_t begin = SIZE_MAX;
    const auto close = [&](size_t end) {
        while (end > begin && data[end - 1] == 0)
            --end;
        if (begin != SIZE_MAX && end > begin)
            unit(data + begin, end - begin);
    };
    // A start code's 1 lies two bytes into it, and start codes do not overlap.
    for (size_t one = 2; one < size;) {
        const auto* found = static_cast<const uint8_t*>(std::memchr(data + one, 1, size - one));
        if (!found)
            break;
        one = static_cast<size_t>(found - data);
        if (data[one - 1] == 0 && data[one - 2] == 0) {
            close(one - 2);
            begin = one + 1;
            one += 3;
        } else {
            ++one;
        }
    }
    close(size);
}

void PutLength(std::vector<uint8_t>& out, size_t length, int bytes)
{
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(length >> shift));
}

} // namespace

std::vector<uint8_t> AvcFraming::ToLengths(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> out;
    out.reserve(size + 16);
    ForEachUnit(data, size, [&](const uint8_t* unit, size_t length) {
        PutLength(out, length, 4);
        out.insert(out.end(), unit, unit + length);
    });
    return out;
}

std::vector<uint8_t> AvcFraming::DecoderRecord(const uint8_t* data, size_t size)
{
    std::vector<std::span<const uint8_t>> sequence, picture;
    ForEachUnit(data, size, [&](const uint8_t* unit, size_t length) {
        const uint8_t type = unit[0] & 0x1F;
        if (type == kSequenceSet && length >= 4 && length <= 0xFFFF && sequence.size() < 31)
            sequence.emplace_back(unit, length);
        if (type == kPictureSet && length <= 0xFFFF && picture.size() < 255)
            picture.emplace_back(unit, length);
    });
    if (sequence.empty() || picture.empty())
        return {};
    // version 1, profile, compatibility, level, 4-byte lengths, then the sets with 16-bit lengths.
    std::vector<uint8_t> out{1, sequence[0][1], sequence[0][2], sequence[0][3], 0xFF,
                             static_cast<uint8_t>(0xE0 | sequence.size())};
    for (const auto& s : sequence) {
        PutLength(out, s.size(), 2);
        out.insert(out.end(), s.begin(), s.end());
    }
    out.push_back(static_cast<uint8_t>(picture.size()));
    for (const auto& p : picture) {
        PutLength(out, p.size(), 2);
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

} // namespace vrctool
