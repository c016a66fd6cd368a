#include "recording/ChannelTables.h"

namespace recording {
namespace {

void FillStarts(const std::array<ChannelEntry, RecordingHeader::kChannels>& entries, const ChannelTables::Flags& runs,
                uint32_t dataOffset, ChannelTables::Offsets& starts)
{
    for (size_t k = 0; k < entries.size(); ++k) {
        const ChannelEntry& e = entries[k];
        // Audio numbers are not validated; one outside the table names no channel.
        if (runs[k] && e.chNumber >= 0 && e.chNumber < RecordingHeader::kChannels)
            starts[e.chNumber] = dataOffset + e.startPos;
    }
}

} // namespace

ChannelTables ChannelTables::Build(const RecordingHeader& h, int64_t fileSize)
{
    ChannelTables t;
    t.dataOffset = DataOffset(h.version);
    for (int k = 0; k < RecordingHeader::kChannels; ++k) {
        t.videoRun[k] = RunInFile(h.videoCh[k], t.dataOffset, fileSize);
        t.audioRun[k] = RunInFile(h.audioCh[k], t.dataOffset, fileSize);
        if (h.videoMask & (1u << k)) {
            ++t.videoChCount;
            t.bVideoCh[k] = t.videoRun[k];
        }
        if (h.audioMask & (1u << k)) {
            ++t.audioChCount;
            t.bAudioCh[k] = t.audioRun[k];
        }
    }
    FillStarts(h.videoCh, t.videoRun, t.dataOffset, t.videoStart);
    FillStarts(h.audioCh, t.audioRun, t.dataOffset, t.audioStart);
    return t;
}

} // namespace recording
