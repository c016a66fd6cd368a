#include <gtest/gtest.h>

#include "recording/RecordingReport.h"
#include "support/RecordingBuilder.h"
#include "support/TempDir.h"

using recording::FrameRecord;
using recording::RecordingError;
using recording::RecordingReport;
using testsupport::BuiltRecording;
using testsupport::RecordingBuilder;
using Frame = RecordingBuilder::Frame;
using Messages = std::vector<RecordingError>;

namespace {

constexpr int32_t kT0 = 1268121907; // 2010-03-09 08:05:07
constexpr int32_t kTwoYears = 2 * 366 * 86'400;

RecordingReport Inspect(const BuiltRecording& built)
{
    testsupport::TempDir dir;
    built.Write(dir.File("r.vrc"));
    return RecordingReport::Run(dir.File("r.vrc"));
}

TEST(StreamScan, FindsFirstAndLastKeyFramesOfEachChannel)
{
    RecordingBuilder b;
    b.VideoRun(0, kT0, 0, 100, 40, 25, 3000).VideoRun(1, kT0, 20, 100, 40, 25, 3000).AudioRun(0, kT0, 0, 200, 20, 160);
    const BuiltRecording built = b.Build();
    const RecordingReport r = Inspect(built);
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(r.messages.empty());
    EXPECT_EQ(r.scan.firstKeyOffset[0], built.videoRecords[0][0]);
    EXPECT_EQ(r.scan.videoEnd[0], built.videoRecords[0][75]);
    EXPECT_EQ(r.scan.videoEnd[1], built.videoRecords[1][75]);
    EXPECT_EQ(r.scan.startInfo[0].channel, 0);
    EXPECT_EQ(r.scan.endInfo[0].channel, 1);
    EXPECT_EQ(r.scan.startMsec, 0u);
    EXPECT_EQ(r.scan.endMsec, 75u * 40 + 20);
    EXPECT_EQ(r.scan.seekMax, 2);
    EXPECT_EQ(r.scan.totalText, "00 : 00 : 00 / 00 : 00 : 04");
    EXPECT_EQ(r.scan.endTime.wSecond, 10);
    EXPECT_EQ(r.scan.endTime.wMilliseconds, 75 * 40 + 20);
    EXPECT_EQ(r.scan.posTime.wSecond, 7);
    // Channels without frames keep their initial entries behind the real ones.
    EXPECT_EQ(r.scan.startInfo[2].f_time, 0x7FFFFFFF);
    EXPECT_EQ(r.scan.endInfo[2].f_time, 1);
}

TEST(StreamScan, FirstKeyFrameMayFollowOtherFrames)
{
    const BuiltRecording built = RecordingBuilder()
                                     .Video(0, {kT0, 0, 4000, 0})
                                     .Video(0, {kT0, 40, 60000, 1})
                                     .Video(0, {kT0, 80, 4000, 0})
                                     .Build();
    const RecordingReport r = Inspect(built);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.scan.firstKeyOffset[0], built.videoRecords[0][1]);
    EXPECT_EQ(r.scan.startMsec, 40u);
}

TEST(StreamScan, FailuresAndTheirMessages)
{
    const struct {
        const char* name;
        RecordingBuilder builder;
        Messages messages;
    } cases[] = {
        {"f_key 2 before the first key frame",
         RecordingBuilder().Video(0, {kT0, 0, 100, 2}).VideoRun(0, kT0, 40, 30, 40, 10, 3000), {RecordingError::C1007}},
        {"first key frame empty",
         RecordingBuilder().Video(0, {kT0, 0, 0, 1}).VideoRun(0, kT0, 40, 30, 40, 10, 3000),
         {RecordingError::C1008, RecordingError::C1007}},
        {"run of 65,535 bytes",
         RecordingBuilder().Video(0, {kT0, 0, 30000, 1}).Video(0, {kT0, 40, 35495, 1}),
         {RecordingError::C1008, RecordingError::C1007}},
        {"run of 65,536 bytes", RecordingBuilder().Video(0, {kT0, 0, 30000, 1}).Video(0, {kT0, 40, 35496, 1}), {}},
        {"no key frame at all", RecordingBuilder().VideoRun(0, kT0, 0, 30, 40, 1000, 3000).Video(0, {kT0, 0, 10, 0}),
         {RecordingError::C1008, RecordingError::C1007}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Inspect(c.builder.Build()).messages, c.messages) << c.name;
}

TEST(StreamScan, EmptyLastKeyFrameFailsWithBothMessages)
{
    BuiltRecording built = RecordingBuilder().Video(0, {kT0, 0, 70000, 1}).Video(0, {kT0, 40, 3000, 1}).Build();
    built.PatchRecord(built.videoRecords[0][1], FrameRecord{kT0, 40, 0, 70000, 1});
    EXPECT_EQ(Inspect(built).messages, (Messages{RecordingError::C1008, RecordingError::C1007}));
}

TEST(StreamScan, PassesOverAnImplausibleLastKeyFrame)
{
    const BuiltRecording built = RecordingBuilder()
                                     .Video(0, {kT0, 0, 70000, 1})
                                     .Video(0, {kT0 + 1, 1000, 30000, 1})
                                     .Video(0, {kT0 + kTwoYears, 2000, 30000, 1})
                                     .Build();
    const RecordingReport r = Inspect(built);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.scan.videoEnd[0], built.videoRecords[0][1]);
    EXPECT_EQ(r.scan.endMsec, 1000u);
}

TEST(StreamScan, ChannelWithARunButNoMaskBitIsScanned)
{
    BuiltRecording built = RecordingBuilder().VideoRun(0, kT0, 0, 30, 40, 10, 3000).VideoRun(1, kT0, 0, 30, 40, 10, 3000).Build();
    built.header.videoMask = 1;
    const RecordingReport r = Inspect(built);
    ASSERT_TRUE(r.ok);
    EXPECT_FALSE(r.tables.bVideoCh[1]);
    EXPECT_EQ(r.scan.firstKeyOffset[1], built.videoRecords[1][0]);
    EXPECT_EQ(r.scan.videoEnd[1], built.videoRecords[1][20]);
}

TEST(StreamScan, OrdersChannelsByFrameOrder)
{
    // Same second: by f_msec. Different days at the same time of day: the date takes no part.
    // Each channel is one key frame filling exactly one search chunk.
    const struct {
        const char* name;
        Frame ch0;
        Frame ch1;
        int earliest;
    } cases[] = {
        {"same f_time", {kT0, 700, 65516, 1}, {kT0, 300, 65516, 1}, 1},
        {"a day apart", {kT0 + 86'400, 100, 65516, 1}, {kT0, 200, 65516, 1}, 0},
        {"an hour apart", {kT0 + 3600, 100, 65516, 1}, {kT0, 200, 65516, 1}, 1},
    };
    for (const auto& c : cases) {
        const RecordingReport r = Inspect(RecordingBuilder().Video(0, c.ch0).Video(1, c.ch1).Build());
        ASSERT_TRUE(r.ok) << c.name;
        EXPECT_EQ(r.scan.startInfo[0].channel, c.earliest) << c.name;
        EXPECT_EQ(r.scan.endInfo[0].channel, 1 - c.earliest) << c.name;
    }
}

TEST(StreamScan, LengthFromTheFirstAndLastStamps)
{
    const struct {
        uint32_t startMsec;
        int32_t d;
        bool ok;
        int seekMax;
        const char* total;
    } cases[] = {
        {0, 3'599'999, true, 3598, "00 : 00 : 00 / 01 : 00 : 00"},
        {0, 999, true, -1, "00 : 00 : 00 / 00 : 00 : 01"},
        {0, 1000, true, 0, "00 : 00 : 00 / 00 : 00 : 02"},
        {0, 93'598'999, true, 93597, "00 : 00 : 00 / 25 : 59 : 59"},
        {0, 93'599'000, false, 93598, ""},
        {5000, -1999, true, -2, "00 : 00 : 00 / 00 : 00 : 00"},
        {5000, -2000, false, -3, ""},
        {0xFFFFFF00, 1000, true, 0, "00 : 00 : 00 / 00 : 00 : 02"}, // the stamps wrap
    };
    for (const auto& c : cases) {
        const uint32_t endMsec = c.startMsec + static_cast<uint32_t>(c.d);
        const RecordingReport r = Inspect(RecordingBuilder()
                                                  .Video(0, {kT0, c.startMsec, 70000, 1})
                                                  .Video(0, {kT0 + c.d / 1000, endMsec, 30000, 1})
                                                  .Build());
        EXPECT_EQ(r.ok, c.ok) << c.d;
        EXPECT_EQ(r.scan.seekMax, c.seekMax) << c.d;
        EXPECT_EQ(r.scan.totalText, c.total) << c.d;
        if (!c.ok) {
            EXPECT_EQ(r.messages, Messages{RecordingError::C1007}) << c.d;
        }
    }
}

TEST(StreamScan, ForwardWalkEndsWhereTheFileEnds)
{
    // The run claims more bytes than the file has and holds no key frame.
    BuiltRecording built = RecordingBuilder().VideoRun(0, kT0, 0, 30, 40, 1000, 3000).Build();
    built.header.videoCh[0].endPos = 0xFFFFFFF0;
    EXPECT_EQ(Inspect(built).messages, (Messages{RecordingError::C1008, RecordingError::C1007}));
}

} // namespace
