#include "tools/sample/SampleWriter.h"

#include <cmath>
#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include "recording/KeyFrame.h"
#include "recording/RecordingReport.h"
#include "recording/TimeConversion.h"
#include "support/SampleFile.h"
#include "support/TempDir.h"
#include "tools/sample/ChannelColour.h"

namespace {

using recording::SystemTime;
using sample::SampleOptions;
using sample::SampleWriter;
using testsupport::SampleFile;

// Feeds payloads to a strict libavcodec decoder and counts the pictures that come out.
class PayloadDecoder {
public:
    explicit PayloadDecoder(const std::string& name)
    {
        const AVCodec* codec = avcodec_find_decoder_by_name(name.c_str());
        m_context = avcodec_alloc_context3(codec);
        m_context->err_recognition = AV_EF_EXPLODE | AV_EF_CRCCHECK | AV_EF_BITSTREAM;
        EXPECT_GE(avcodec_open2(m_context, codec, nullptr), 0) << name;
    }
    ~PayloadDecoder()
    {
        av_packet_free(&m_packet);
        av_frame_free(&m_frame);
        av_frame_free(&last);
        avcodec_free_context(&m_context);
    }
    PayloadDecoder(const PayloadDecoder&) = delete;
    PayloadDecoder& operator=(const PayloadDecoder&) = delete;

    // False when the decoder reports an error on this payload.
    bool Send(std::span<const uint8_t> payload)
    {
        av_packet_unref(m_packet);
        if (av_new_packet(m_packet, static_cast<int>(payload.size())) < 0)
            return false;
        std::copy(payload.begin(), payload.end(), m_packet->data);
        return avcodec_send_packet(m_context, m_packet) >= 0 && Receive();
    }
    bool Flush() { return avcodec_send_packet(m_context, nullptr) >= 0 && Receive(); }

    int frames = 0;
    AVFrame* last = av_frame_alloc(); // the last picture decoded (empty before the first)

private:
    bool Receive()
    {
        for (;;) {
            const int rc = avcodec_receive_frame(m_context, m_frame);
            if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF)
                return true;
            if (rc < 0 || m_frame->decode_error_flags != 0 || (m_frame->flags & AV_FRAME_FLAG_CORRUPT))
                return false;
            ++frames;
            av_frame_unref(last);
            av_frame_ref(last, m_frame);
        }
    }

    AVCodecContext* m_context = nullptr;
    AVFrame* m_frame = av_frame_alloc();
    AVPacket* m_packet = av_packet_alloc();
};

std::span<const uint8_t> Elementary(const SampleFile::Record& r, int videoFormat)
{
    return videoFormat >= 3 ? r.payload.subspan(recording::kPrefixBlockSize) : r.payload;
}

// Writes a sample as s.vrc in the folder and reads it back.
SampleFile WriteSample(const testsupport::TempDir& dir, const SampleOptions& o)
{
    EXPECT_EQ(SampleWriter::Write(dir / "s.vrc", o), "");
    return SampleFile::Load(dir / "s.vrc");
}

struct Case {
    int format;
    int version;
    int gop;
    SystemTime start;
    bool reuseGop = false;
};

void PrintTo(const Case& c, std::ostream* os)
{
    *os << "format " << c.format << ", version " << c.version << ", GOP " << c.gop << (c.reuseGop ? ", reused" : "");
}

class SampleWriterFormats : public testing::TestWithParam<Case> {};

constexpr SystemTime kNewYearsEve{2024, 12, 0, 31, 23, 59, 58, 0};
constexpr SystemTime kMorning{2023, 3, 0, 14, 8, 30, 0, 0};

// Every format with every header layout: the layout, the stamps, the back links, the key
// frames the scan finds and that every frame decodes. A reused GOP repeats its pictures.
TEST_P(SampleWriterFormats, WritesARecordingThePlayerAcceptsAndEveryFrameDecodes)
{
    const Case c = GetParam();
    SampleOptions o;
    o.channels = 2;
    o.audioMask = 0x2;
    o.seconds = 3;
    o.videoFormat = c.format;
    o.version = c.version;
    o.gop = c.gop;
    o.start = c.start;
    o.reuseGop = c.reuseGop;
    testsupport::TempDir dir;
    const SampleFile f = WriteSample(dir, o);
    const recording::RecordingHeader& h = f.header;
    EXPECT_EQ(f.bytes[2], c.version);
    if (c.version == 2) {
        EXPECT_TRUE(std::all_of(f.bytes.begin() + 3, f.bytes.begin() + 4096, [](uint8_t b) { return b == 0; }));
    }
    EXPECT_EQ(h.chCount, 2);
    EXPECT_EQ(h.videoFormat, c.format);
    EXPECT_EQ(h.videoMask, 0x3u);
    EXPECT_EQ(h.audioMask, 0x2u);
    for (int k = 0; k < 16; ++k) {
        const std::u16string name = u"CAM " + std::u16string(1, u'0' + (k + 1) / 10) + char16_t(u'0' + (k + 1) % 10);
        EXPECT_EQ(h.videoCh[k].NameText(), name);
        EXPECT_EQ(h.audioCh[k].NameText(), name);
        EXPECT_EQ(h.videoCh[k].chNumber, k);
        EXPECT_EQ(h.videoCh[k].HasRun(), k < 2);
        EXPECT_EQ(h.audioCh[k].HasRun(), k == 1);
    }
    EXPECT_EQ(h.videoCh[1].startPos, h.videoCh[0].endPos);
    EXPECT_EQ(h.audioCh[1].startPos, h.videoCh[1].endPos);
    EXPECT_EQ(f.dataOffset + h.audioCh[1].endPos + (c.version == 2 ? 4096 : 0), f.bytes.size());

    const int32_t start = *recording::SystemTimeToFTime(c.start);
    const recording::RecordingReport inspection = recording::RecordingReport::Run(dir / "s.vrc");
    ASSERT_TRUE(inspection.ok);
    for (int k = 0; k < 2; ++k) {
        SCOPED_TRACE(k);
        const auto run = f.Run(h.videoCh[k]);
        ASSERT_EQ(run.size(), 75u);
        PayloadDecoder decoder(c.format >= 2 ? "h264" : "mpeg4");
        int lastKey = 0;
        for (int i = 0; i < 75; ++i) {
            const auto& r = run[i].header;
            const bool key = i % c.gop == 0;
            lastKey = key ? i : lastKey;
            EXPECT_EQ(r.f_time, start + i * 40 / 1000) << i;
            EXPECT_EQ(r.f_msec, static_cast<uint32_t>(i * 40)) << i;
            EXPECT_EQ(r.f_prevSize, i ? run[i - 1].header.f_size : 0u) << i;
            EXPECT_EQ(r.f_key, key ? 1u : 0u) << i;
            EXPECT_EQ(recording::IsKeyFrameStart(run[i].payload.data(), run[i].payload.size(), c.format), key) << i;
            EXPECT_EQ(std::ranges::equal(run[i].payload, run[i % c.gop].payload), c.reuseGop || i < c.gop) << i;
            if (c.format >= 3) {
                EXPECT_EQ(run[i].payload[4], SampleWriter::kBlockMark) << i;
            }
            EXPECT_TRUE(decoder.Send(Elementary(run[i], c.format))) << "frame " << i;
        }
        EXPECT_TRUE(decoder.Flush());
        EXPECT_EQ(decoder.frames, 75);

        ASSERT_TRUE(inspection.scan.firstKey[k] && inspection.scan.lastKey[k]);
        EXPECT_EQ(inspection.scan.firstKeyOffset[k], run[0].offset);
        EXPECT_EQ(inspection.scan.firstKey[k]->f_time, start);
        EXPECT_EQ(inspection.scan.videoEnd[k], run[lastKey].offset);
    }

    // Any bytes are mu-law samples: there is nothing to decode, only the layout to check.
    const auto audio = f.Run(h.audioCh[1]);
    ASSERT_EQ(audio.size(), 150u);
    for (int j = 0; j < 150; ++j) {
        const auto& r = audio[j].header;
        EXPECT_EQ(r.f_time, start + j * 20 / 1000) << j;
        EXPECT_EQ(r.f_msec, static_cast<uint32_t>(j * 20 % 1000)) << j;
        EXPECT_EQ(r.f_size, 160u);
        EXPECT_EQ(r.f_prevSize, j ? 160u : 0u);
        EXPECT_EQ(r.f_key, 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(AllFormats, SampleWriterFormats,
                         testing::Values(Case{0, 0, 25, kMorning}, Case{0, 2, 10, kNewYearsEve, true},
                                         Case{1, 1, 25, kNewYearsEve}, Case{1, 2, 25, kMorning},
                                         Case{2, 0, 25, kNewYearsEve}, Case{2, 1, 12, kMorning, true},
                                         Case{2, 2, 25, kMorning}, Case{3, 0, 25, kMorning},
                                         Case{3, 2, 25, kNewYearsEve}, Case{4, 1, 25, kMorning},
                                         Case{4, 2, 7, kNewYearsEve, true}));

// The pictures' colours and bar are checked where the display shows them, the tones where the
// player sounds them; what is left to check here is that no two channels look alike.
TEST(SamplePicture, EveryChannelHasAColourFarFromTheOthers)
{
    for (int a = 0; a < 16; ++a) {
        for (int b = a + 1; b < 16; ++b) {
            const sample::Rgb x = sample::ChannelColour(a), y = sample::ChannelColour(b);
            EXPECT_GE(std::max({std::abs(x.r - y.r), std::abs(x.g - y.g), std::abs(x.b - y.b)}), 60) << a << " " << b;
        }
    }
}

// A recording like a real recorder's: noisy textured D1 at about 1.5 Mbit/s a channel, the
// channels' stamps a few milliseconds apart, video and audio alike.
TEST(SampleWriter, RealisticFootageWithOffsetStamps)
{
    SampleOptions o;
    o.channels = 3;
    o.audioMask = 0b100;
    o.seconds = 4;
    o.gop = 50;
    o.realistic = true;
    o.stampOffsetMs = 3;
    testsupport::TempDir dir;
    const SampleFile f = WriteSample(dir, o);
    ASSERT_TRUE(recording::RecordingReport::Run(dir / "s.vrc").ok);
    for (int k = 0; k < 3; ++k) {
        const auto run = f.Run(f.header.videoCh[k]);
        ASSERT_EQ(run.size(), 100u);
        PayloadDecoder decoder("h264");
        size_t bytes = 0;
        for (size_t i = 0; i < run.size(); ++i) {
            EXPECT_EQ(run[i].header.f_msec, i * 40 + 3 * k);
            EXPECT_EQ(run[i].header.f_key, i % 50 == 0 ? 1u : 0u);
            EXPECT_LE(run[i].header.f_size, recording::FrameRecord::kMaxPayload);
            bytes += run[i].payload.size();
            EXPECT_TRUE(decoder.Send(run[i].payload)) << i;
        }
        const double bitRate = 8.0 * static_cast<double>(bytes) / o.seconds;
        EXPECT_GT(bitRate, 1e6) << k;
        EXPECT_LT(bitRate, 2e6) << k;
        // Texture and noise: the picture is far from flat anywhere.
        ASSERT_NE(decoder.last->data[0], nullptr);
        const uint8_t* row = decoder.last->data[0] + 400 * decoder.last->linesize[0];
        const auto [lo, hi] = std::minmax_element(row, row + 704);
        EXPECT_GT(*hi - *lo, 40) << k;
    }
    const auto audio = f.Run(f.header.audioCh[2]);
    ASSERT_GE(audio.size(), 2u);
    EXPECT_EQ(audio[0].header.f_msec, 6u);
    EXPECT_EQ(audio[1].header.f_msec, 26u);
}

TEST(SampleWriter, RefusesOptionsThatCannotMakeARecording)
{
    const struct {
        const char* why;
        void (*change)(SampleOptions&);
    } bad[] = {
        {"no channels", [](SampleOptions& o) { o.channels = 0; }},
        {"17 channels", [](SampleOptions& o) { o.channels = 17; }},
        {"audio without video", [](SampleOptions& o) { o.audioMask = 1u << 4; }},
        {"no seconds", [](SampleOptions& o) { o.seconds = 0; }},
        {"format 5", [](SampleOptions& o) { o.videoFormat = 5; }},
        {"version 3", [](SampleOptions& o) { o.version = 3; }},
        {"GOP 0", [](SampleOptions& o) { o.gop = 0; }},
        {"stamps 41 ms apart", [](SampleOptions& o) { o.stampOffsetMs = 41; }},
        {"month 13", [](SampleOptions& o) { o.start.wMonth = 13; }},
        {"31 April", [](SampleOptions& o) { o.start = {2024, 4, 0, 31, 0, 0, 0, 0}; }},
        {"past 2038", [](SampleOptions& o) { o.start = {2038, 1, 0, 19, 3, 14, 0, 0}; }},
    };
    testsupport::TempDir folder;
    for (const auto& b : bad) {
        SampleOptions o;
        b.change(o);
        EXPECT_NE(SampleWriter::Write(folder / "x.vrc", o), "") << b.why;
    }
    SampleOptions fine;
    fine.channels = 16;
    fine.audioMask = 0xFFFF;
    EXPECT_EQ(SampleWriter::Check(fine), "");
}

} // namespace
