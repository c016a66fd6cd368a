#include "tools/sample/SampleWriter.h"

#include <gtest/gtest.h>

#include "FfmpegDecode.h"
#include "recording/KeyFrame.h"
#include "recording/RecordingReport.h"
#include "recording/TimeConversion.h"
#include "support/SampleFile.h"
#include "support/TempDir.h"

namespace {

using recording::SystemTime;
using sample::SampleOptions;
using sample::SampleWriter;
using testsupport::SampleFile;

class SampleWriterFormats : public testing::TestWithParam<SampleOptions> {};

constexpr SystemTime kNewYearsEve{2024, 12, 0, 31, 23, 59, 58, 0};
constexpr SystemTime kMorning{2023, 3, 0, 14, 8, 30, 0, 0};

// Every format with every header layout: the layout, the stamps, the back links, the key
// frame signatures and that ffmpeg decodes every picture. A reused GOP repeats its pictures.
TEST_P(SampleWriterFormats, WritesARecordingThePlayerAcceptsAndEveryFrameDecodes)
{
    const SampleOptions c = GetParam();
    const int format = c.videoFormat;
    testsupport::TempDir dir;
    ASSERT_EQ(SampleWriter::Write(dir / "s.vrc", c), "");
    const SampleFile f = SampleFile::Load(dir / "s.vrc");
    const recording::RecordingHeader& h = f.header;
    EXPECT_EQ(std::tuple(h.chCount, h.videoFormat, h.videoMask, h.audioMask), std::tuple(2, format, 0x3u, 0x2u));

    const int32_t start = *recording::SystemTimeToFTime(c.start);
    ASSERT_TRUE(recording::RecordingReport::Run(dir / "s.vrc").ok);
    for (int k = 0; k < 2; ++k) {
        SCOPED_TRACE(k);
        const auto run = f.Run(h.videoCh[k]);
        ASSERT_EQ(run.size(), 75u);
        for (int i = 0; i < 75; ++i) {
            const auto& r = run[i].header;
            const bool key = i % c.gop == 0;
            const int ms = i * 40 + k * c.stampOffsetMs;
            EXPECT_EQ(r.f_time, start + ms / 1000) << i;
            EXPECT_EQ(r.f_msec, static_cast<uint32_t>(ms)) << i;
            EXPECT_EQ(r.f_prevSize, i ? run[i - 1].header.f_size : 0u) << i;
            EXPECT_EQ(r.f_key, key ? 1u : 0u) << i;
            EXPECT_EQ(recording::IsKeyFrameStart(run[i].payload.data(), run[i].payload.size(), format), key) << i;
            EXPECT_EQ(std::ranges::equal(run[i].payload, run[i % c.gop].payload), c.reuseGop || i < c.gop) << i;
        }
        const std::string elementary = dir.File(format >= 2 ? "v.h264" : "v.m4v");
        testsupport::WriteBytes(elementary, f.Payloads(h.videoCh[k], format >= 3 ? recording::kPrefixBlockSize : 0));
        const toolstest::FfmpegDecode decoded = toolstest::FfmpegDecode::Run(elementary);
        EXPECT_EQ(decoded.errors, "");
        EXPECT_EQ(decoded.pictures, 75);
    }

    // Any bytes are mu-law samples: there is nothing to decode, only the stamps to check.
    const auto audio = f.Run(h.audioCh[1]);
    ASSERT_EQ(audio.size(), 150u);
    EXPECT_EQ(audio[149].header.f_time, start + 2);
    EXPECT_EQ(audio[149].header.f_msec, 980u + c.stampOffsetMs);
}

// Two channels of three seconds, sound on the second.
constexpr SampleOptions Options(int format, int version, int gop, SystemTime start, bool reuseGop = false)
{
    return {.channels = 2, .audioMask = 0x2, .seconds = 3, .videoFormat = format, .version = version, .gop = gop,
            .start = start, .reuseGop = reuseGop};
}

INSTANTIATE_TEST_SUITE_P(
    AllFormats, SampleWriterFormats,
    testing::Values(Options(0, 0, 25, kMorning), Options(0, 2, 10, kNewYearsEve, true), Options(1, 1, 25, kNewYearsEve),
                    Options(2, 0, 25, kNewYearsEve), Options(2, 1, 12, kMorning, true), Options(3, 0, 25, kMorning),
                    Options(4, 2, 7, kNewYearsEve, true),
                    SampleOptions{.channels = 2, .audioMask = 0x2, .seconds = 3, .version = 2, .gop = 50,
                                  .start = kMorning, .realistic = true, .stampOffsetMs = 3}));

} // namespace
