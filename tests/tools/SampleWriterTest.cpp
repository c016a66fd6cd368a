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

struct Case {
    int format;
    int version;
    int gop;
    SystemTime start;
    bool reuseGop = false;
    bool realistic = false;
    int stampOffsetMs = 0;
};

void PrintTo(const Case& c, std::ostream* os)
{
    *os << "format " << c.format << ", version " << c.version << ", GOP " << c.gop << (c.reuseGop ? ", reused" : "")
        << (c.realistic ? ", realistic" : "");
}

class SampleWriterFormats : public testing::TestWithParam<Case> {};

constexpr SystemTime kNewYearsEve{2024, 12, 0, 31, 23, 59, 58, 0};
constexpr SystemTime kMorning{2023, 3, 0, 14, 8, 30, 0, 0};

// Every format with every header layout: the layout, the stamps, the back links, the key
// frame signatures and that ffmpeg decodes every picture. A reused GOP repeats its pictures.
TEST_P(SampleWriterFormats, WritesARecordingThePlayerAcceptsAndEveryFrameDecodes)
{
    const Case c = GetParam();
    const SampleOptions o{.channels = 2, .audioMask = 0x2, .seconds = 3, .videoFormat = c.format, .version = c.version,
                          .gop = c.gop, .start = c.start, .reuseGop = c.reuseGop, .realistic = c.realistic,
                          .stampOffsetMs = c.stampOffsetMs};
    testsupport::TempDir dir;
    ASSERT_EQ(SampleWriter::Write(dir / "s.vrc", o), "");
    const SampleFile f = SampleFile::Load(dir / "s.vrc");
    const recording::RecordingHeader& h = f.header;
    EXPECT_EQ(std::tuple(h.chCount, h.videoFormat, h.videoMask, h.audioMask), std::tuple(2, c.format, 0x3u, 0x2u));
    EXPECT_EQ(h.videoCh[15].NameText(), u"CAM 16");
    EXPECT_EQ(f.dataOffset + h.audioCh[1].endPos + (c.version == 2 ? 4096 : 0), f.bytes.size());

    const int32_t start = *recording::SystemTimeToFTime(c.start);
    ASSERT_TRUE(recording::RecordingReport::Run(dir / "s.vrc").ok);
    for (int k = 0; k < 2; ++k) {
        SCOPED_TRACE(k);
        const auto run = f.Run(h.videoCh[k]);
        ASSERT_EQ(run.size(), 75u);
        std::vector<uint8_t> stream;
        for (int i = 0; i < 75; ++i) {
            const auto& r = run[i].header;
            const bool key = i % c.gop == 0;
            const int ms = i * 40 + k * c.stampOffsetMs;
            EXPECT_EQ(r.f_time, start + ms / 1000) << i;
            EXPECT_EQ(r.f_msec, static_cast<uint32_t>(ms)) << i;
            EXPECT_EQ(r.f_prevSize, i ? run[i - 1].header.f_size : 0u) << i;
            EXPECT_EQ(r.f_key, key ? 1u : 0u) << i;
            EXPECT_EQ(recording::IsKeyFrameStart(run[i].payload.data(), run[i].payload.size(), c.format), key) << i;
            EXPECT_EQ(std::ranges::equal(run[i].payload, run[i % c.gop].payload), c.reuseGop || i < c.gop) << i;
            const size_t skip = c.format >= 3 ? recording::kPrefixBlockSize : 0;
            stream.insert(stream.end(), run[i].payload.begin() + static_cast<std::ptrdiff_t>(skip), run[i].payload.end());
        }
        const std::string elementary = dir.File(c.format >= 2 ? "v.h264" : "v.m4v");
        testsupport::WriteBytes(elementary, stream);
        const toolstest::FfmpegDecode decoded = toolstest::FfmpegDecode::Run(elementary);
        EXPECT_EQ(decoded.errors, "");
        EXPECT_EQ(decoded.pictures, 75);
    }

    // Any bytes are mu-law samples: there is nothing to decode, only the layout to check.
    const auto audio = f.Run(h.audioCh[1]);
    ASSERT_EQ(audio.size(), 150u);
    for (int j = 0; j < 150; ++j) {
        const auto& r = audio[j].header;
        const int ms = j * 20 + c.stampOffsetMs;
        EXPECT_EQ(r.f_time, start + ms / 1000) << j;
        EXPECT_EQ(r.f_msec, static_cast<uint32_t>(ms % 1000)) << j;
        EXPECT_EQ(std::tuple(r.f_size, r.f_prevSize, r.f_key), std::tuple(160u, j ? 160u : 0u, 0u)) << j;
    }
}

INSTANTIATE_TEST_SUITE_P(AllFormats, SampleWriterFormats,
                         testing::Values(Case{0, 0, 25, kMorning}, Case{0, 2, 10, kNewYearsEve, true},
                                         Case{1, 1, 25, kNewYearsEve}, Case{2, 0, 25, kNewYearsEve},
                                         Case{2, 1, 12, kMorning, true}, Case{2, 2, 50, kMorning, false, true, 3},
                                         Case{3, 0, 25, kMorning}, Case{4, 2, 7, kNewYearsEve, true}));

// One option of each kind out of its range; sixteen channels with sound are fine.
TEST(SampleWriter, RefusesOptionsThatCannotMakeARecording)
{
    testsupport::TempDir folder;
    EXPECT_NE(SampleWriter::Write(folder / "x.vrc", {.channels = 17}), "");
    EXPECT_NE(SampleWriter::Check({.audioMask = 1u << 4}), "");
    EXPECT_NE(SampleWriter::Check({.stampOffsetMs = 41}), "");
    EXPECT_NE(SampleWriter::Check({.start = {2024, 4, 0, 31, 0, 0, 0, 0}}), "");
    EXPECT_EQ(SampleWriter::Check({.channels = 16, .audioMask = 0xFFFF}), "");
    EXPECT_FALSE(std::filesystem::exists(folder / "x.vrc"));
}

} // namespace
