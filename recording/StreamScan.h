#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/File.h"
#include "recording/ChannelTables.h"
#include "recording/FrameRecord.h"
#include "recording/Messages.h"
#include "recording/RecordingHeader.h"
#include "recording/SystemTime.h"

namespace recording {

// What the scan of a validated recording finds: each video channel's first and last key
// frame, its last frame, the recording's start, end and length.
struct ScanResult {
    using Infos = std::array<FrameInfo, RecordingHeader::kChannels>;

    bool ok = false;
    // C1008 when the scan failed for that cause; the caller adds C1007 on every failure.
    std::vector<RecordingError> messages;
    // On failure: which channel, record and rule, in plain words.
    std::string reason;

    Infos startInfo{}; // first key frames, earliest first
    Infos endInfo{};   // last frames, latest first
    ChannelTables::Offsets videoEnd{};  // each channel's last key frame, where searches end
    ChannelTables::Offsets videoLast{}; // each channel's last whole record, where play ends
    // Per table position, unsorted: where the walks found the key frames.
    std::array<std::optional<uint32_t>, RecordingHeader::kChannels> firstKeyOffset{};
    std::array<std::optional<FrameInfo>, RecordingHeader::kChannels> firstKey{};
    std::array<std::optional<FrameInfo>, RecordingHeader::kChannels> lastKey{};
    std::array<std::optional<FrameInfo>, RecordingHeader::kChannels> lastFrame{};

    uint32_t startMsec = 0;
    uint32_t endMsec = 0;
    SystemTime startTime, endTime, posTime, curTime, totalTime;
    int seekMax = 0;
    std::string totalText; // the TOTALTIME label after the scan
};

class StreamScan {
public:
    static constexpr uint32_t kChunk = 65'536;

    // referenceYear is the year of the data area's first record.
    static ScanResult Run(platform::File& file, const RecordingHeader& header, const ChannelTables& tables,
                          int referenceYear);

    // The order the scan sorts by: same second by f_msec, else by time of day plus f_msec.
    static bool FrameOrderLess(const FrameInfo& a, const FrameInfo& b);
};

} // namespace recording
