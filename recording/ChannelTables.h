#pragma once
#include <array>
#include <cstdint>

#include "recording/RecordingHeader.h"

namespace recording {

// The per-channel tables an open derives from a validated header.
struct ChannelTables {
    using Offsets = std::array<uint32_t, RecordingHeader::kChannels>;
    using Flags = std::array<int, RecordingHeader::kChannels>;

    int videoChCount = 0; // bits 0..15 set in videoMask
    int audioChCount = 0;
    Flags bVideoCh{};     // mask bit set and a non-empty run
    Flags bAudioCh{};
    uint32_t dataOffset = 0;
    Offsets videoStart{}; // absolute offset of each channel's first record, by chNumber
    Offsets audioStart{};

    static ChannelTables Build(const RecordingHeader& header);
    static uint32_t DataOffset(uint8_t version) { return version == 0 ? 2037u : 4096u; }
};

} // namespace recording
