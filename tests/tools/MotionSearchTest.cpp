#include <cstring>
#include <gtest/gtest.h>

extern "C" {
#include <libavutil/frame.h>
}

#include "motion/MotionSearch.h"
#include "recording/TimeConversion.h"
#include "support/SampleFile.h"
#include "support/TempDir.h"
#include "tools/sample/RecordingWriter.h"
#include "tools/sample/VideoEncoder.h"
#include "tools/vrc-tool/Commands.h"
#include "tools/vrc-tool/Json.h"

namespace {

constexpr int kFps = 25, kGop = 25, kSeconds = 40;
constexpr double kHoleFrom = 24, kHoleTo = 27; // seconds of the recording that are missing

// 40 s of a still, noisy, textured view growing a quarter brighter, a bright box bouncing
// all the time in its top left corner and a dark box crossing the lower right part during
// 8..14 s and 20..30 s, the second time across the hole.
void PaintScene(AVFrame& f, int index)
{
    const double t = static_cast<double>(index) / kFps;
    const double brightness = 1 + 0.25 * t / kSeconds;
    uint32_t noise = 12345u + static_cast<uint32_t>(index) * 7919u;
    const int boxX = 20 + std::abs(index * 4 % 460 - 230);
    const int crossing = (t >= 8 && t < 14) ? 8 : (t >= 20 && t < 30) ? 20 : -1;
    const int objectX = 420 + static_cast<int>((t - crossing) * 25);
    for (int y = 0; y < f.height; ++y) {
        for (int x = 0; x < f.width; ++x) {
            noise = noise * 1664525u + 1013904223u;
            double v = 50 + ((x / 8 + y / 8) % 2) * 40 + (x * y) % 23 + static_cast<int>(noise >> 29) - 4;
            if (x >= boxX && x < boxX + 48 && y >= 80 && y < 128)
                v = 230;
            if (crossing >= 0 && x >= objectX && x < objectX + 96 && y >= 300 && y < 396)
                v = 15;
            f.data[0][y * f.linesize[0] + x] = static_cast<uint8_t>(std::min(255.0, v * brightness));
        }
    }
    for (int plane : {1, 2})
        for (int y = 0; y < f.height / 2; ++y)
            std::memset(f.data[plane] + y * f.linesize[plane], 128, f.width / 2);
}

const int32_t kStart = *recording::SystemTimeToFTime({2024, 6, 0, 3, 9, 0, 0, 0});

void WriteScene(const std::string& path)
{
    std::string error;
    auto encoder = sample::VideoEncoder::Create(2, kGop, 1'500'000, error);
    ASSERT_TRUE(encoder) << error;
    sample::RecordingWriter writer;
    ASSERT_TRUE(writer.Open(path, 0));
    writer.BeginRun();
    const sample::VideoEncoder::Sink put = [&](const sample::EncodedFrame& e) {
        const int64_t ms = e.index * 1000 / kFps;
        if (ms >= kHoleFrom * 1000 && ms < kHoleTo * 1000)
            return true;
        return writer.Append(kStart + static_cast<int32_t>(ms / 1000), static_cast<uint32_t>(ms), e.key ? 1 : 0, {},
                             {e.data, e.size});
    };
    for (int i = 0; i < kSeconds * kFps; ++i) {
        PaintScene(encoder->NextPicture(), i);
        ASSERT_TRUE(encoder->Encode(i, put));
    }
    ASSERT_TRUE(encoder->Flush(put));
    recording::RecordingHeader h;
    h.chCount = 1;
    h.videoFormat = 2;
    h.videoMask = 1;
    writer.EndRun(h.videoCh[0]);
    ASSERT_TRUE(writer.Finish(h)) << writer.Error();
}

double Seconds(const motion::Instant& i) { return static_cast<double>(i.f_msec) / 1000.0; }

class MotionSearchTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_dir = new testsupport::TempDir;
        WriteScene(s_dir->File("scene.vrc"));
        // The same with a record's header wiped between the crossings.
        testsupport::SampleFile f = testsupport::SampleFile::Load(Scene());
        const uint64_t at = f.Run(f.header.videoCh[0])[17 * kFps + 3].offset;
        std::fill_n(f.bytes.begin() + static_cast<std::ptrdiff_t>(at), recording::FrameRecord::kHeaderSize, 0xFF);
        testsupport::WriteBytes(s_dir->File("damaged.vrc"), f.bytes);
    }
    static void TearDownTestSuite() { delete s_dir; }
    static std::string Scene() { return s_dir->File("scene.vrc"); }
    static testsupport::TempDir* s_dir;
};
testsupport::TempDir* MotionSearchTest::s_dir = nullptr;

// Starts and ends to within a frame or two: the key frames alone would be up to a GOP off.
// A start of -1 is not checked (the box moves from the first frame, before the model knows
// the scene).
TEST_F(MotionSearchTest, FindsTheChangesInTheRegionAlone)
{
    struct Case {
        const char* what;
        const char* file;
        std::vector<motion::Region> regions;
        std::vector<std::pair<double, double>> events;
        uint64_t damaged;
    } cases[] = {
        {"the crossings, the second cut by the hole", "scene.vrc", {{400, 240, 304, 336}},
         {{8, 13.96}, {20, 23.96}, {27, 29.96}}, 0},
        {"the same past a damaged record", "damaged.vrc", {{400, 240, 304, 336}},
         {{8, 13.96}, {20, 23.96}, {27, 29.96}}, 1},
        {"nothing but brightness and noise", "scene.vrc", {{400, 0, 304, 200}, {0, 450, 300, 126}}, {}, 0},
        {"the box, on both sides of the hole", "scene.vrc", {{0, 40, 340, 130}}, {{-1, 23.96}, {27, 39.96}}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        motion::MotionOptions options;
        options.regions = c.regions;
        const motion::MotionResult r = motion::MotionSearch::Run(s_dir->File(c.file), 0, options);
        ASSERT_EQ(r.error, "");
        EXPECT_EQ(r.damagedRecords, c.damaged);
        EXPECT_NEAR(r.seconds, kSeconds - (kHoleTo - kHoleFrom), 0.2 + static_cast<double>(c.damaged));
        ASSERT_EQ(r.events.size(), c.events.size());
        for (size_t i = 0; i < c.events.size(); ++i) {
            if (c.events[i].first >= 0) {
                EXPECT_NEAR(Seconds(r.events[i].start), c.events[i].first, 0.081) << i;
            }
            EXPECT_NEAR(Seconds(r.events[i].end), c.events[i].second, 0.081) << i;
            EXPECT_GT(r.events[i].peak, 0);
        }
    }
}

// The command prints what the search found; a bad option is a usage error, a missing
// channel a refusal naming the file.
TEST_F(MotionSearchTest, CommandPrintsTheEventsAndRefusesBadOptions)
{
    testing::internal::CaptureStdout();
    ASSERT_EQ(vrctool::RunMotion({Scene(), "--channel", "0", "--region", "400,240,304,336", "--from",
                                  "2024-06-03 09:00:05", "--min-gap", "7", "--json"}),
              0);
    const std::optional<vrctool::JsonValue> doc = vrctool::JsonValue::Parse(testing::internal::GetCapturedStdout());
    ASSERT_TRUE(doc);
    const vrctool::JsonValue* events = doc->Find("events");
    ASSERT_TRUE(events && doc->Find("analysedFrames") && doc->Find("seconds"));
    // The crossings 6 s apart made one, but not across the hole.
    ASSERT_EQ(events->items.size(), 2u);
    EXPECT_EQ(events->items[0].Find("start")->text, "2024-06-03 09:00:08.000");
    EXPECT_EQ(events->items[0].Find("end")->text, "2024-06-03 09:00:23.960");
    const std::pair<std::vector<std::string>, int> bad[] = {
        {{Scene(), "--region", "1,2,3"}, 2},        {{Scene(), "--channel", "0", "--region", "1,2,0,4"}, 2},
        {{Scene(), "--channel", "0", "--sensitivity", "11"}, 2}, {{"--channel", "0"}, 2},
        {{Scene(), "--channel", "3"}, 1},
    };
    for (const auto& [args, status] : bad) {
        testing::internal::CaptureStderr();
        EXPECT_EQ(vrctool::RunMotion(args), status) << args.back();
        EXPECT_NE(testing::internal::GetCapturedStderr().find("vrc-tool motion: "), std::string::npos);
    }
}

} // namespace
