#include "recording/RecordingHeader.h"

#include "recording/LittleEndian.h"

namespace recording {
namespace {
constexpr size_t kVersionAt = 2;
constexpr size_t kChCountAt = 3;
constexpr size_t kVideoFormatAt = 5;
constexpr size_t kVideoMaskAt = 13;
constexpr size_t kAudioMaskAt = 17;
constexpr size_t kVideoChAt = 21;
constexpr size_t kAudioChAt = kVideoChAt + RecordingHeader::kChannels * ChannelEntry::kSize;
static_assert(kAudioChAt + RecordingHeader::kChannels * ChannelEntry::kSize == RecordingHeader::kSize);
} // namespace

std::u16string ChannelEntry::NameText() const
{
    std::u16string text;
    for (uint8_t c : chName) {
        if (c == 0)
            break;
        text.push_back(static_cast<char16_t>(c));
    }
    return text;
}

ChannelEntry ChannelEntry::Parse(const uint8_t* bytes)
{
    ChannelEntry e;
    std::copy(bytes, bytes + kNameSize, e.chName.begin());
    e.chNumber = static_cast<int8_t>(bytes[50]);
    e.startPos = GetU32(bytes + 51);
    e.endPos = GetU32(bytes + 55);
    e.chInfo = GetU32(bytes + 59);
    return e;
}

void ChannelEntry::Serialize(uint8_t* bytes) const
{
    std::copy(chName.begin(), chName.end(), bytes);
    bytes[50] = static_cast<uint8_t>(chNumber);
    PutU32(bytes + 51, startPos);
    PutU32(bytes + 55, endPos);
    PutU32(bytes + 59, chInfo);
}

RecordingHeader RecordingHeader::Parse(const std::array<uint8_t, kSize>& bytes)
{
    RecordingHeader h;
    h.raw = bytes;
    h.version = bytes[kVersionAt];
    h.chCount = bytes[kChCountAt];
    h.videoFormat = bytes[kVideoFormatAt];
    h.videoMask = GetU32(&bytes[kVideoMaskAt]);
    h.audioMask = GetU32(&bytes[kAudioMaskAt]);
    for (int k = 0; k < kChannels; ++k) {
        h.videoCh[k] = ChannelEntry::Parse(&bytes[kVideoChAt + k * ChannelEntry::kSize]);
        h.audioCh[k] = ChannelEntry::Parse(&bytes[kAudioChAt + k * ChannelEntry::kSize]);
    }
    return h;
}

std::array<uint8_t, RecordingHeader::kSize> RecordingHeader::Serialize() const
{
    std::array<uint8_t, kSize> bytes = raw;
    bytes[kVersionAt] = version;
    bytes[kChCountAt] = chCount;
    bytes[kVideoFormatAt] = videoFormat;
    PutU32(&bytes[kVideoMaskAt], videoMask);
    PutU32(&bytes[kAudioMaskAt], audioMask);
    for (int k = 0; k < kChannels; ++k) {
        videoCh[k].Serialize(&bytes[kVideoChAt + k * ChannelEntry::kSize]);
        audioCh[k].Serialize(&bytes[kAudioChAt + k * ChannelEntry::kSize]);
    }
    return bytes;
}

std::string ToUtf8(const std::u16string& text)
{
    // Names come from single bytes, so every character is below U+0100.
    std::string out;
    for (char16_t c : text) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

} // namespace recording
