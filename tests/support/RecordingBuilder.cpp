#include "support/RecordingBuilder.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "recording/ChannelTables.h"
#include "recording/KeyFrame.h"
#include "support/TempDir.h"

namespace testsupport {
namespace {

constexpr size_t kBlock = 4096;

// Lays one run out after what the data area holds so far (size), handing put every record
// header and at most payloadLimit bytes of every payload.
void AppendRun(const std::vector<RecordingBuilder::Frame>& frames, uint8_t format, bool audio, uint32_t payloadLimit,
               const RecordingBuilder::Put& put, uint64_t& size, BuiltRecording& out, std::vector<uint32_t>& offsets,
               recording::ChannelEntry& entry)
{
    entry.startPos = static_cast<uint32_t>(size);
    uint32_t prevSize = 0;
    for (const RecordingBuilder::Frame& f : frames) {
        offsets.push_back(out.dataOffset + static_cast<uint32_t>(size));
        uint8_t header[recording::FrameRecord::kHeaderSize];
        recording::FrameRecord{f.f_time, f.f_msec, f.size, prevSize, f.f_key}.Serialize(header);
        put(size, header, sizeof header);
        const auto payload = RecordingBuilder::Payload(format, f.f_key == 1, std::min(f.size, payloadLimit), audio);
        put(size + sizeof header, payload.data(), payload.size());
        size += sizeof header + f.size;
        prevSize = f.size;
    }
    entry.endPos = static_cast<uint32_t>(size);
}

} // namespace

std::vector<uint8_t> RecordingBuilder::Payload(uint8_t format, bool key, uint32_t size, bool audio)
{
    std::vector<uint8_t> p(size, audio ? 0xFF : 0xAA);
    std::vector<uint8_t> start;
    if (audio)
        return p;
    if (format <= 1) {
        start = key ? std::vector<uint8_t>{0, 0, 1, 0xB0} : std::vector<uint8_t>{0, 0, 1, 0xB6};
    } else if (format == 2 || !key) {
        start = {0, 0, 0, 1, static_cast<uint8_t>(key ? 0x67 : 0x41)};
    } else {
        start.assign(recording::kPrefixBlockSize + 5, 0);
        start[4] = 0x19;
        start[recording::kPrefixBlockSize + 3] = 1;
        start[recording::kPrefixBlockSize + 4] = 0x67;
    }
    std::copy_n(start.begin(), std::min<size_t>(start.size(), p.size()), p.begin());
    return p;
}

RecordingBuilder& RecordingBuilder::VideoRun(int channel, int32_t fTime, uint32_t msec, int count, uint32_t intervalMs,
                                             int gop, uint32_t size)
{
    for (int i = 0; i < count; ++i) {
        const uint32_t m = msec + i * intervalMs;
        Video(channel, {fTime + static_cast<int32_t>(m / 1000 - msec / 1000), m, size, i % gop == 0 ? 1u : 0u});
    }
    return *this;
}

RecordingBuilder& RecordingBuilder::AudioRun(int channel, int32_t fTime, uint32_t msec, int count, uint32_t intervalMs,
                                             uint32_t size)
{
    for (int i = 0; i < count; ++i) {
        const uint32_t m = msec + i * intervalMs;
        Audio(channel, {fTime + static_cast<int32_t>(m / 1000), m % 1000, size, 0});
    }
    return *this;
}

BuiltRecording RecordingBuilder::Build() const
{
    BuiltRecording out;
    Lay(out, UINT32_MAX, [&out](uint64_t at, const uint8_t* bytes, size_t length) {
        out.data.resize(at);
        out.data.insert(out.data.end(), bytes, bytes + length);
    });
    return out;
}

BuiltRecording RecordingBuilder::WriteSparse(const std::string& path, uint32_t written) const
{
    if (m_version == 2)
        throw std::invalid_argument("sparse recordings have their header in front");
    BuiltRecording out;
    std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out | std::ios::trunc);
    const uint64_t size = Lay(out, written, [&](uint64_t at, const uint8_t* bytes, size_t length) {
        file.seekp(static_cast<std::streamoff>(out.dataOffset + at));
        file.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(length));
    });
    const auto header = out.header.Serialize();
    file.seekp(0);
    file.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
    file.close();
    std::filesystem::resize_file(path, out.dataOffset + size);
    return out;
}

uint64_t RecordingBuilder::Lay(BuiltRecording& out, uint32_t payloadLimit, const Put& put) const
{
    recording::RecordingHeader& h = out.header;
    h.version = m_version;
    h.videoFormat = m_videoFormat;
    out.dataOffset = recording::ChannelTables::DataOffset(m_version);
    int highest = 0;
    for (int k = 0; k < 16; ++k) {
        const std::string name = "CH " + std::to_string(k + 1);
        for (auto* e : {&h.videoCh[k], &h.audioCh[k]}) {
            std::copy(name.begin(), name.end(), e->chName.begin());
            e->chNumber = static_cast<int8_t>(k);
        }
        if (!m_video[k].empty()) {
            h.videoMask |= 1u << k;
            highest = std::max(highest, k + 1);
        }
        if (!m_audio[k].empty())
            h.audioMask |= 1u << k;
    }
    h.chCount = static_cast<uint8_t>(m_chCount >= 0 ? m_chCount : highest);
    uint64_t size = 0;
    for (bool audio : {false, true}) {
        for (int k = 0; k < 16; ++k) {
            const auto& frames = (audio ? m_audio : m_video)[k];
            if (!frames.empty())
                AppendRun(frames, m_videoFormat, audio, payloadLimit, put, size, out,
                          (audio ? out.audioRecords : out.videoRecords)[k], (audio ? h.audioCh : h.videoCh)[k]);
        }
    }
    return size;
}

std::vector<uint8_t> BuiltRecording::Bytes() const
{
    const auto headerBytes = header.Serialize();
    std::vector<uint8_t> file;
    if (header.version == 2) {
        file.assign(kBlock, 0);
        file[2] = 2;
    } else {
        file.assign(headerBytes.begin(), headerBytes.end());
        file.resize(dataOffset, 0);
    }
    file.insert(file.end(), data.begin(), data.end());
    if (header.version == 2) {
        file.insert(file.end(), headerBytes.begin(), headerBytes.end());
        file.resize(file.size() + kBlock - headerBytes.size(), 0);
    }
    return file;
}

void BuiltRecording::Write(const std::string& path) const { WriteBytes(path, Bytes()); }

void BuiltRecording::PatchRecord(uint32_t absoluteOffset, const recording::FrameRecord& record)
{
    const size_t at = absoluteOffset - dataOffset;
    if (absoluteOffset < dataOffset || at + recording::FrameRecord::kHeaderSize > data.size())
        throw std::out_of_range("no record header at that offset");
    record.Serialize(data.data() + at);
}

} // namespace testsupport
