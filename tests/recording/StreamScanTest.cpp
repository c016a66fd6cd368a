#include <gtest/gtest.h>

#include "recording/RecordingInspection.h"
#include "recording/TimeConversion.h"
#include "support/RecordingBuilder.h"
#include "support/TempDir.h"

using recording::RecordingError;
using recording::RecordingInspection;
using testsupport::BuiltRecording;
using testsupport::RecordingBuilder;

namespace {

// 2010-03-09 08:05:07
constexpr int32_t kT0 = 1268121907;

RecordingInspection Inspect(const BuiltRecording& built)
{
    testsupport::TempDir dir;
    built.Write(dir.File("r.vrc"));
    return RecordingInspection::Run(dir.File("r.vrc"));
}

TEST(StreamScan, FindsFirstAndLastKeyFramesOfEachChannel)
{
    RecordingBuilder b;
    b.VideoRun(0, kT0, 0, 100, 40, 25, 3000).VideoRun(1, kT0, 20, 100, 40, 25, 3000).AudioRun(0, kT0, 0, 200, 20, 160);
    const BuiltRecording built = b.Build();
    const RecordingInspection r = Inspect(built);
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
}

} // namespace
