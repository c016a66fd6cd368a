#include "bench/display_decode/RecordingFrames.h"

#include <algorithm>
#include <stdexcept>

#include "platform/File.h"
#include "recording/FrameRecord.h"
#include "recording/HeaderCheck.h"
#include "recording/RecordHeaderReader.h"

namespace bench {
namespace {

constexpr size_t kBlockSize = 52;

} // namespace

std::span<const uint8_t> RecordingFrames::Payload(const Frame& frame) const
{
    const size_t skip = videoFormat == 4 && frame.payload.size() > kBlockSize ? kBlockSize : 0;
    return std::span<const uint8_t>(frame.payload).subspan(skip);
}

RecordingFrames RecordingFrames::FirstChannelLaps(int laps) const
{
    RecordingFrames result;
    result.videoFormat = videoFormat;
    result.channels = 1;
    std::vector<const Frame*> first;
    for (const Frame& frame : frames) {
        if (frame.channel == 0)
            first.push_back(&frame);
    }
    if (first.size() < 2)
        return result;
    // One frame interval after the last frame, the next lap begins.
    const uint32_t lapMs = first.back()->msec - first.front()->msec + (first[1]->msec - first[0]->msec);
    for (int lap = 0; lap < laps; ++lap) {
        for (const Frame* frame : first) {
            Frame copy = *frame;
            copy.msec += static_cast<uint32_t>(lap) * lapMs;
            copy.fTime += static_cast<int32_t>((copy.msec - frame->msec) / 1000);
            result.frames.push_back(std::move(copy));
        }
    }
    return result;
}

RecordingFrames RecordingFrames::Read(const std::string& path)
{
    platform::File file;
    if (!file.Open(path))
        throw std::runtime_error("cannot open " + path);
    const recording::HeaderCheck check = recording::HeaderCheck::Run(file);
    if (check.error)
        throw std::runtime_error("not a usable recording: " + path);
    const recording::RecordingHeader& header = check.header;
    const uint32_t dataOffset = header.version == 0 ? 2037u : 4096u;
    RecordingFrames result;
    result.videoFormat = header.videoFormat;
    recording::RecordHeaderReader reader(file);
    for (int k = 0; k < recording::RecordingHeader::kChannels; ++k) {
        const recording::ChannelEntry& entry = header.videoCh[k];
        if (!(header.videoMask & (1u << k)) || !entry.HasRun())
            continue;
        ++result.channels;
        uint64_t offset = dataOffset + uint64_t{entry.startPos};
        const uint64_t end = dataOffset + uint64_t{entry.endPos};
        while (offset < end) {
            const auto record = reader.ReadAt(offset);
            if (!record || record->f_size > recording::FrameRecord::kMaxPayload)
                break;
            Frame frame{entry.chNumber, record->f_msec, record->f_time, record->f_key,
                        std::vector<uint8_t>(record->f_size)};
            if (file.ReadAt(offset + recording::FrameRecord::kHeaderSize, frame.payload.data(), record->f_size) !=
                record->f_size)
                break;
            result.frames.push_back(std::move(frame));
            offset += recording::FrameRecord::kHeaderSize + record->f_size;
        }
    }
    std::stable_sort(result.frames.begin(), result.frames.end(),
                     [](const Frame& a, const Frame& b) { return a.msec < b.msec; });
    return result;
}

} // namespace bench
