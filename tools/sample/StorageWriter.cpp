#include "tools/sample/StorageWriter.h"

#include <filesystem>
#include <fstream>
#include <vector>

#include "recording/IndexRecord.h"
#include "recording/TimeConversion.h"
#include "tools/sample/SampleOptions.h"
#include "tools/sample/SamplePicture.h"
#include "tools/sample/VideoEncoder.h"

namespace sample {
namespace {

namespace fs = std::filesystem;
constexpr int kFormat = 2; // H.264

struct Packet {
    std::vector<uint8_t> bytes;
    bool key = false;
};

recording::SystemTime FrameTime(int64_t frame)
{
    const int32_t start = *recording::SystemTimeToFTime(SampleOptions{}.start);
    recording::SystemTime t = recording::FTimeToSystemTime(start + static_cast<int32_t>(frame * 40 / 1000));
    t.wMilliseconds = static_cast<uint16_t>(frame * 40 % 1000);
    return t;
}

std::string EncodeChannel(int channel, int frames, std::vector<Packet>& out)
{
    std::string error;
    auto encoder = VideoEncoder::Create(kFormat, kFramesPerSecond, 0, error);
    if (!encoder)
        return error;
    const VideoEncoder::Sink sink = [&](const EncodedFrame& f) {
        out.push_back({std::vector<uint8_t>(f.data, f.data + f.size), f.key});
        return true;
    };
    for (int i = 0; i < frames; ++i) {
        SamplePicture::Paint(encoder->NextPicture(), channel, i, FrameTime(i));
        if (!encoder->Encode(i, sink))
            return "encoding failed";
    }
    if (!encoder->Flush(sink) || static_cast<int>(out.size()) != frames)
        return "the encoder did not hand out every picture";
    return {};
}

void AppendRecord(std::ofstream& out, int channel, int channels, int64_t frame, const Packet& p)
{
    recording::IndexRecord r;
    r.i_key = p.key ? 1 : 0;
    r.i_time = FrameTime(frame);
    r.i_ch = static_cast<uint32_t>(channel);
    r.i_chCount = static_cast<uint32_t>(channels);
    r.i_size = static_cast<uint32_t>(p.bytes.size());
    uint8_t header[recording::IndexRecord::kHeaderSize];
    r.Serialize(header);
    out.write(reinterpret_cast<const char*>(header), sizeof header);
    out.write(reinterpret_cast<const char*>(p.bytes.data()), static_cast<std::streamsize>(p.bytes.size()));
}

} // namespace

std::string StorageWriter::Write(const std::string& dir, int channels, int seconds)
{
    if (channels < 1 || channels > 16 || seconds < 1)
        return "channels must be 1..16 and seconds at least 1";
    const int frames = seconds * kFramesPerSecond;
    std::vector<std::vector<Packet>> packets(channels);
    for (int c = 0; c < channels; ++c) {
        if (std::string error = EncodeChannel(c, frames, packets[c]); !error.empty())
            return "channel " + std::to_string(c) + ": " + error;
    }
    const fs::path folder = fs::path(dir) / kEntry;
    std::error_code ec;
    for (const fs::path& p : {folder, fs::path(dir) / "VX01/DISK0002", fs::path(dir) / "VX02/DISK0005"}) {
        if (fs::create_directories(p, ec); ec)
            return "cannot create " + p.string() + ": " + ec.message();
    }
    for (int s = 0; s < seconds; ++s) {
        const fs::path path = folder / ("DISK0001_" + std::to_string(IndexNumber(s)) + ".vdx");
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        for (int i = s * kFramesPerSecond; i < (s + 1) * kFramesPerSecond; ++i) {
            for (int c = 0; c < channels; ++c)
                AppendRecord(out, c, channels, i, packets[c][i]);
        }
        if (!out)
            return "cannot write " + path.string();
    }
    return {};
}

} // namespace sample
