#include "tools/sample/SampleWriter.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "recording/KeyFrame.h"
#include "recording/TimeConversion.h"
#include "tools/sample/RealisticScene.h"
#include "tools/sample/RecordingWriter.h"
#include "tools/sample/SamplePicture.h"
#include "tools/sample/ToneEncoder.h"
#include "tools/sample/VideoEncoder.h"

namespace sample {
namespace {

constexpr int kMsPerPicture = 1000 / kFramesPerSecond;
constexpr int kMsPerAudioFrame = 1000 / ToneEncoder::kFramesPerSecond;

struct Stamp {
    int32_t fTime;
    uint32_t fMsec;
};

// Video stamps run on from the start of the first frame's second; audio stamps give the
// millisecond within their own second. offset: the channel's lag behind channel 0, in ms.
Stamp VideoStamp(int32_t start, int64_t picture, int offset)
{
    const int64_t ms = picture * kMsPerPicture + offset;
    return {static_cast<int32_t>(start + ms / 1000), static_cast<uint32_t>(ms)};
}

Stamp AudioStamp(int32_t start, int64_t frame, int offset)
{
    const int64_t ms = frame * kMsPerAudioFrame + offset;
    return {static_cast<int32_t>(start + ms / 1000), static_cast<uint32_t>(ms % 1000)};
}

recording::RecordingHeader MakeHeader(const SampleOptions& o)
{
    recording::RecordingHeader h;
    h.version = static_cast<uint8_t>(o.version);
    h.chCount = static_cast<uint8_t>(o.channels);
    h.videoFormat = static_cast<uint8_t>(o.videoFormat);
    h.videoMask = (1u << o.channels) - 1;
    h.audioMask = o.audioMask;
    for (int k = 0; k < recording::RecordingHeader::kChannels; ++k) {
        const std::string name = SamplePicture::ChannelText(k);
        for (recording::ChannelEntry* e : {&h.videoCh[k], &h.audioCh[k]}) {
            std::copy(name.begin(), name.end(), e->chName.begin());
            e->chNumber = static_cast<int8_t>(k);
        }
    }
    return h;
}

// Writes channel k's video run, picture by picture as the encoder hands them out.
class VideoRun {
public:
    VideoRun(RecordingWriter& writer, const SampleOptions& o, int32_t start, int channel)
        : m_writer(writer), m_options(o), m_start(start), m_channel(channel), m_offset(channel * o.stampOffsetMs)
    {
        static_assert(recording::kPrefixBlockSize > 4);
        m_block[4] = SampleWriter::kBlockMark;
    }

    std::string Write()
    {
        std::string error;
        auto encoder = VideoEncoder::Create(m_options.videoFormat, m_options.gop,
                                            m_options.realistic ? kRealisticBitRate : 0, error);
        if (!encoder)
            return error;
        std::unique_ptr<RealisticScene> scene;
        if (m_options.realistic)
            scene = std::make_unique<RealisticScene>(m_channel);
        const int64_t total = int64_t{m_options.seconds} * kFramesPerSecond;
        const int64_t encoded = m_options.reuseGop ? std::min<int64_t>(m_options.gop, total) : total;
        const VideoEncoder::Sink sink = [&](const EncodedFrame& f) { return Take(f); };
        for (int64_t i = 0; i < encoded; ++i) {
            const Stamp stamp = VideoStamp(m_start, i, m_offset);
            recording::SystemTime time = recording::FTimeToSystemTime(stamp.fTime);
            time.wMilliseconds = static_cast<uint16_t>(stamp.fMsec % 1000);
            if (scene)
                scene->Paint(encoder->NextPicture(), static_cast<int>(i), time);
            else
                SamplePicture::Paint(encoder->NextPicture(), m_channel, static_cast<int>(i), time);
            if (!encoder->Encode(i, sink))
                return Failure("encoding failed");
        }
        if (!encoder->Flush(sink) || m_next != encoded)
            return Failure("the encoder did not hand out every picture");
        for (int64_t i = encoded; i < total; ++i) {
            const std::vector<uint8_t>& kept = m_kept[i % encoded];
            if (!Put(kept.data(), kept.size(), i))
                return Failure("");
        }
        return {};
    }

private:
    bool Take(const EncodedFrame& f)
    {
        if (f.index != m_next || f.key != (f.index % m_options.gop == 0)) {
            m_error = "the encoder's pictures left the GOP grid";
            return false;
        }
        ++m_next;
        if (m_options.reuseGop)
            m_kept.emplace_back(f.data, f.data + f.size);
        return Put(f.data, f.size, f.index);
    }

    bool Put(const uint8_t* data, size_t size, int64_t index)
    {
        const bool key = index % m_options.gop == 0;
        // Format 2's signature is what formats 3 and 4 carry behind their block.
        if (key && !recording::IsKeyFrameStart(data, size, std::min(m_options.videoFormat, 2))) {
            m_error = "a key frame does not begin with the sequence header";
            return false;
        }
        const Stamp s = VideoStamp(m_start, index, m_offset);
        const std::span<const uint8_t> block =
            m_options.videoFormat >= 3 ? std::span<const uint8_t>(m_block) : std::span<const uint8_t>();
        return m_writer.Append(s.fTime, s.fMsec, key ? 1 : 0, block, {data, size});
    }

    std::string Failure(const std::string& what) const
    {
        const std::string why = !m_error.empty() ? m_error : !m_writer.Error().empty() ? m_writer.Error() : what;
        return SamplePicture::ChannelText(m_channel) + " video: " + why;
    }

    RecordingWriter& m_writer;
    const SampleOptions& m_options;
    int32_t m_start;
    int m_channel;
    int m_offset;
    std::array<uint8_t, recording::kPrefixBlockSize> m_block{};
    int64_t m_next = 0;
    std::vector<std::vector<uint8_t>> m_kept;
    std::string m_error;
};

std::string WriteAudioRun(RecordingWriter& writer, const SampleOptions& o, int32_t start, int channel)
{
    std::string error;
    auto encoder = ToneEncoder::Create(channel, error);
    if (!encoder)
        return error;
    const int64_t total = int64_t{o.seconds} * ToneEncoder::kFramesPerSecond;
    for (int64_t j = 0; j < total; ++j) {
        const uint8_t* bytes = encoder->Encode(j);
        if (!bytes)
            return SamplePicture::ChannelText(channel) + " audio: encoding failed";
        const Stamp s = AudioStamp(start, j, channel * o.stampOffsetMs);
        if (!writer.Append(s.fTime, s.fMsec, 0, {}, {bytes, ToneEncoder::kFrameSamples}))
            return writer.Error();
    }
    return {};
}

} // namespace

std::string SampleWriter::Check(const SampleOptions& o)
{
    if (o.channels < 1 || o.channels > recording::RecordingHeader::kChannels)
        return "the channel count must be 1..16";
    if (o.audioMask >> o.channels)
        return "audio channels must be among the video channels 0.." + std::to_string(o.channels - 1);
    if (o.seconds < 1 || o.seconds > 86'400)
        return "the length must be 1..86400 seconds";
    if (o.videoFormat < 0 || o.videoFormat > 4)
        return "the video format must be 0..4";
    if (o.version < 0 || o.version > 2)
        return "the header version must be 0, 1 or 2";
    if (o.gop < 1 || o.gop > 1000)
        return "the GOP length must be 1..1000";
    if (o.stampOffsetMs < 0 || o.stampOffsetMs > 40)
        return "the stamp offset must be 0..40 milliseconds";
    // The conversion keeps only the low 32 bits of the seconds; a date it cannot give back
    // lies outside what f_time can hold.
    const auto start = recording::SystemTimeToFTime(o.start);
    recording::SystemTime back = start ? recording::FTimeToSystemTime(*start) : recording::SystemTime{};
    back.wDayOfWeek = o.start.wDayOfWeek;
    if (!start || back != o.start || *start > INT32_MAX - o.seconds)
        return "the start time is not a valid date and time between 1901 and 2038";
    return {};
}

std::string SampleWriter::Write(const std::string& path, const SampleOptions& o)
{
    if (std::string error = Check(o); !error.empty())
        return error;
    const int32_t start = *recording::SystemTimeToFTime(o.start);
    recording::RecordingHeader header = MakeHeader(o);
    RecordingWriter writer;
    if (!writer.Open(path, o.version))
        return writer.Error();
    for (int k = 0; k < o.channels; ++k) {
        writer.BeginRun();
        if (std::string error = VideoRun(writer, o, start, k).Write(); !error.empty())
            return error;
        writer.EndRun(header.videoCh[k]);
    }
    for (int k = 0; k < o.channels; ++k) {
        if (!(o.audioMask & (1u << k)))
            continue;
        writer.BeginRun();
        if (std::string error = WriteAudioRun(writer, o, start, k); !error.empty())
            return error;
        writer.EndRun(header.audioCh[k]);
    }
    return writer.Finish(header) ? std::string() : writer.Error();
}

} // namespace sample
