#include "recording/ChannelTables.h"

namespace recording {
namespace {

void FillStarts(const std::array<ChannelEntry, RecordingHeader::kChannels>& entries, uint32_t dataOffset,
                ChannelTables::Offsets& starts)
{
    for (const ChannelEntry& e : entries) {
        // Audio numbers are not validated; one outside the table names no channel.
        if (e.HasRun() && e.chNumber >= 0 && e.chNumber < RecordingHeader::kChannels)
            starts[e.chNumber] = dataOffset + e.startPos;
    }
}

} // namespace

ChannelTables ChannelTables::Build(const RecordingHeader& h)
{
    ChannelTables t;
    for (int k = 0; k < RecordingHeader::kChannels; ++k) {
        if (h.videoMask & (1u << k)) {
            ++t.videoChCount;
            t.bVideoCh[k] = h.videoCh[k].startPos != h.videoCh[k].endPos;
        }
        if (h.audioMask & (1u << k)) {
            ++t.audioChCount;
            t.bAudioCh[k] = h.audioCh[k].startPos != h.audioCh[k].endPos;
        }
    }
    t.dataOffset = DataOffset(h.version);
    FillStarts(h.videoCh, t.dataOffset, t.videoStart);
    FillStarts(h.audioCh, t.dataOffset, t.audioStart);
    return t;
}

} // namespace recording
