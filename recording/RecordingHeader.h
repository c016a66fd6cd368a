#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace recording {

// One channel's entry of the header: 63 packed bytes.
struct ChannelEntry {
    static constexpr size_t kSize = 63;
    static constexpr size_t kNameSize = 50;

    std::array<uint8_t, kNameSize> chName{};
    int8_t chNumber = 0;
    uint32_t startPos = 0;
    uint32_t endPos = 0;
    uint32_t chInfo = 0;

    // The name up to its first zero byte, each byte taken as the character of the same
    // code (0x00..0xFF become U+0000..U+00FF).
    std::u16string NameText() const;
    // A run of records exists only when the end lies above the start.
    bool HasRun() const { return endPos > startPos; }

    static ChannelEntry Parse(const uint8_t* bytes);
    void Serialize(uint8_t* bytes) const;
};

// The 2037-byte recording header. Bytes the player does not interpret are kept in raw
// so that a header written back is the header that was read.
struct RecordingHeader {
    static constexpr size_t kSize = 2037;
    static constexpr int kChannels = 16;

    std::array<uint8_t, kSize> raw{};
    uint8_t version = 0;
    uint8_t chCount = 0;
    uint8_t videoFormat = 0;
    uint32_t videoMask = 0;
    uint32_t audioMask = 0;
    std::array<ChannelEntry, kChannels> videoCh{};
    std::array<ChannelEntry, kChannels> audioCh{};

    static RecordingHeader Parse(const std::array<uint8_t, kSize>& bytes);
    std::array<uint8_t, kSize> Serialize() const;
};

// UTF-8 form of a channel name, for tools and logs.
std::string ToUtf8(const std::u16string& text);

} // namespace recording
