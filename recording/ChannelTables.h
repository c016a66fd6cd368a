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
    Flags bVideoCh{};     // mask bit set and a run that can be read (RunInFile)
    Flags bAudioCh{};
    // By table position, mask or not: the entry's run can be read.
    Flags videoRun{};
    Flags audioRun{};
    uint32_t dataOffset = 0;
    Offsets videoStart{}; // absolute offset of each channel's first record, by chNumber
    Offsets audioStart{};

    static ChannelTables Build(const RecordingHeader& header, int64_t fileSize);
    // A run ending at or before its start, or starting at or past the end of the file, holds
    // nothing: every reader treats its channel as absent, so no walk can start from a
    // position that is not a record.
    static bool RunInFile(const ChannelEntry& e, uint32_t dataOffset, int64_t fileSize)
    {
        return e.HasRun() && int64_t{dataOffset} + e.startPos < fileSize;
    }
    static uint32_t DataOffset(uint8_t version) { return version == 0 ? 2037u : 4096u; }
};

} // namespace recording
