#include <gtest/gtest.h>

#include "recording/ChannelTimeline.h"
#include "recording/LittleEndian.h"
#include "support/RecordingBuilder.h"
#include "support/TempDir.h"

namespace {

using recording::ChannelTimeline;
using Kind = recording::TimelineAnomaly::Kind;
using testsupport::RecordingBuilder;

constexpr int32_t kT0 = 1717405200; // 2024-06-03 09:00:00

TEST(ChannelTimeline, FindsHolesJumpsAndRepeatsAtTheirOffsetsAndNothingOnCleanRuns)
{
    RecordingBuilder b;
    // Channel 0: 40 ms steps, then a 10 s hole, a step back, a repeated stamp and a
    // seconds field that leaps while the milliseconds move on by 40.
    const RecordingBuilder::Frame frames[] = {
        {kT0, 0, 3000, 1},          {kT0, 40, 800, 0},          {kT0, 80, 800, 0},
        {kT0 + 10, 10'080, 3000, 1}, {kT0 + 10, 10'120, 800, 0}, {kT0 + 9, 9'500, 800, 0},
        {kT0 + 9, 9'540, 800, 0},   {kT0 + 9, 9'540, 800, 0},   {kT0 + 20, 9'580, 800, 0},
    };
    for (const auto& f : frames)
        b.Video(0, f);
    // Channel 1 and the audio run are clean; audio stamps give the millisecond within
    // their second, so 980 -> 0 of the next second is a 20 ms step.
    b.VideoRun(1, kT0, 20, 60, 40, 25, 2000).AudioRun(0, kT0, 0, 120, 20, 160).VideoRun(2, kT0, 0, 5, 40, 25, 2000);
    testsupport::BuiltRecording built = b.Build();
    // Channel 2's third record claims a payload no frame can have; the walk goes on after it.
    built.PatchRecord(built.videoRecords[2][2], {kT0, 80, 999'999, 2000, 0});
    testsupport::TempDir dir;
    built.Write(dir.File("r.vrc"));
    platform::File file;
    ASSERT_TRUE(file.Open(dir.File("r.vrc")));

    const std::vector<ChannelTimeline> all = ChannelTimeline::OfRecording(file, built.header, 2000);
    ASSERT_EQ(all.size(), 4u);
    const auto& v0 = built.videoRecords[0];
    const ChannelTimeline& t0 = all[0];
    std::vector<std::tuple<Kind, uint64_t, int64_t>> found;
    for (const auto& a : t0.anomalies)
        found.emplace_back(a.kind, a.offset, a.stepMs);
    EXPECT_EQ(found, (std::vector<std::tuple<Kind, uint64_t, int64_t>>{{Kind::Gap, v0[3], 10'000},
                                                                       {Kind::Backward, v0[5], -620},
                                                                       {Kind::Repeated, v0[7], 0},
                                                                       {Kind::FieldsDisagree, v0[8], 40}}));
    EXPECT_EQ(t0.frames, 9u);
    EXPECT_EQ(t0.keyFrames, 2u);
    EXPECT_EQ(t0.largestKeyIntervalMs, 10'080);

    EXPECT_EQ(all[1].anomalyCount, 0u);
    EXPECT_DOUBLE_EQ(all[1].FramesPerSecond(), 25.0);
    EXPECT_DOUBLE_EQ(all[1].MeanKeyIntervalMs(), 1000.0);

    const ChannelTimeline& t2 = all[2];
    EXPECT_EQ(t2.frames, 4u);
    ASSERT_EQ(t2.anomalies.size(), 1u);
    EXPECT_EQ(t2.anomalies[0].kind, Kind::Damaged);
    EXPECT_EQ(t2.anomalies[0].offset, built.videoRecords[2][2]);
    EXPECT_NE(t2.anomalies[0].damage.find("more than a frame can hold"), std::string::npos);

    EXPECT_TRUE(all[3].audio);
    EXPECT_EQ(all[3].anomalyCount, 0u);
    EXPECT_EQ(all[3].DurationMs(), 119 * 20);
}

} // namespace
