#include <gtest/gtest.h>

#include <functional>

#include "recording/RecordingReport.h"
#include "support/RecordingBuilder.h"
#include "support/TempDir.h"

using recording::FrameRecord;
using recording::RecordingError;
using recording::RecordingHeader;
using recording::RecordingReport;
using testsupport::BuiltRecording;
using testsupport::RecordingBuilder;
using Frame = RecordingBuilder::Frame;
using Messages = std::vector<RecordingError>;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr int32_t kT0 = 1268121907; // 2010-03-09 08:05:07
constexpr int32_t kTwoYears = 2 * 366 * 86'400;

RecordingReport Inspect(const Bytes& bytes)
{
    testsupport::TempDir dir;
    testsupport::WriteBytes(dir.File("r.vrc"), bytes);
    return RecordingReport::Run(dir.File("r.vrc"));
}

// A header of the given version and raw padding up to an exact size: no data area.
Bytes Sized(uint8_t version, size_t size)
{
    RecordingHeader h = RecordingBuilder().VideoRun(0, kT0, 0, 1, 40, 1, 10).Build().header;
    h.version = version;
    const auto header = h.Serialize();
    Bytes file(header.begin(), header.end());
    file.resize(size, 0);
    return file;
}

// A good recording with one change to its header.
Bytes Tweaked(const std::function<void(RecordingHeader&)>& tweak)
{
    BuiltRecording built =
        RecordingBuilder().VideoRun(0, kT0, 0, 50, 40, 25, 2000).AudioRun(0, kT0, 0, 20, 20, 160).Build();
    tweak(built.header);
    return built.Bytes();
}

// The size, header and channel rules, then the scan's, each with the messages in the order the
// user sees them and a reason that names the field, channel or offset at fault.
TEST(RecordingReport, RulesAndTheirMessagesInOrder)
{
    constexpr auto C1001 = RecordingError::C1001, C1002 = RecordingError::C1002, C1003 = RecordingError::C1003,
                   C1004 = RecordingError::C1004, C1005 = RecordingError::C1005, C1006 = RecordingError::C1006,
                   C1007 = RecordingError::C1007, C1008 = RecordingError::C1008;
    const Messages noKeyFrame{C1008, C1007};
    BuiltRecording emptyLastKey = RecordingBuilder().Video(0, {kT0, 0, 70000, 1}).Video(0, {kT0, 40, 3000, 1}).Build();
    emptyLastKey.PatchRecord(emptyLastKey.videoRecords[0][1], FrameRecord{kT0, 40, 0, 70000, 1});
    BuiltRecording pastTheFile = RecordingBuilder().VideoRun(0, kT0, 0, 30, 40, 1000, 3000).Build();
    pastTheFile.header.videoCh[0].endPos = 0xFFFFFFF0; // and no key frame in the run
    Bytes brokenTrailer = RecordingBuilder().Version(2).VideoRun(0, kT0, 0, 50, 40, 25, 2000).Build().Bytes();
    brokenTrailer[brokenTrailer.size() - 4096 + 2] = 9;
    Bytes badTrailerCount = RecordingBuilder().Version(2).VideoRun(0, kT0, 0, 50, 40, 25, 2000).Build().Bytes();
    badTrailerCount[badTrailerCount.size() - 4096 + 3] = 0;

    const struct {
        const char* name;
        Bytes file;
        Messages messages;
        std::string reason;
    } cases[] = {
        {"version 0, 2037 bytes", Sized(0, 2037), {C1001}, "it has 2,037 bytes, fewer than the 2,038"},
        {"too short beats a bad version", Sized(7, 2037), {C1001}, "it has 2,037 bytes"},
        {"version 0, 2038 bytes", Sized(0, 2038), noKeyFrame, "channel 0's run ends at byte 2,067 but the file has 2,038 bytes"},
        {"version 1, 4096 bytes", Sized(1, 4096), {C1002}, "a version 1 recording has at least 4,097 bytes, this file 4,096"},
        {"version 1, 4097 bytes", Sized(1, 4097), noKeyFrame, "channel 0's run ends at byte 4,126"},
        {"version 2, 4096 bytes", Sized(2, 4096), {C1002}, "version 2"},
        {"version 3", Sized(3, 100'000), {C1003}, "its version (byte 2) is 3"},
        {"version 2 takes the trailing header",
         RecordingBuilder().Version(2).VideoRun(0, kT0, 0, 50, 40, 25, 2000).Build().Bytes(), {}},
        {"version 2, no trailing header", brokenTrailer, {C1002}, "last 4,096 bytes, where a version 2 recording keeps its header, hold none"},
        {"version 2, trailing header fails", badTrailerCount, {C1005}, "channel count (byte 3) is 0, outside 1 to 16 (in the header read from the last"},
        {"video number -1 outside the mask", Tweaked([](RecordingHeader& h) { h.videoCh[9].chNumber = -1; }), {C1004},
         "video entry 9 gives channel number -1"},
        {"video number 16", Tweaked([](RecordingHeader& h) { h.videoCh[3].chNumber = 16; }), {C1004}},
        {"audio number -1 is not checked", Tweaked([](RecordingHeader& h) { h.audioCh[9].chNumber = -1; }), {}},
        {"chCount 0", Tweaked([](RecordingHeader& h) { h.chCount = 0; }), {C1005}, "channel count (byte 3) is 0"},
        {"chCount 16", Tweaked([](RecordingHeader& h) { h.chCount = 16; }), {}},
        {"number before count", Tweaked([](RecordingHeader& h) { h.chCount = 0; h.videoCh[0].chNumber = -5; }), {C1004}},
        {"only bit 16 in the video mask", Tweaked([](RecordingHeader& h) { h.videoMask = 0x10000; }), {C1006},
         "its video mask (0x00010000) marks none"},
        {"count before mask", Tweaked([](RecordingHeader& h) { h.videoMask = 0; h.chCount = 20; }), {C1005}},
        {"f_key 2 before the first key frame",
         RecordingBuilder().Video(0, {kT0, 0, 100, 2}).VideoRun(0, kT0, 40, 30, 40, 10, 3000).Build().Bytes(), {C1007},
         "channel 0's video record at byte 2,037 has the key flag (f_key) 2"},
        {"first key frame empty",
         RecordingBuilder().Video(0, {kT0, 0, 0, 1}).VideoRun(0, kT0, 40, 30, 40, 10, 3000).Build().Bytes(), noKeyFrame,
         "channel 0's first key frame at byte 2,037 has an empty payload"},
        {"run of 65,535 bytes",
         RecordingBuilder().Video(0, {kT0, 0, 30000, 1}).Video(0, {kT0, 40, 35495, 1}).Build().Bytes(), noKeyFrame,
         "channel 0's run holds 65,535 bytes, fewer than the 65,536"},
        {"run of 65,536 bytes",
         RecordingBuilder().Video(0, {kT0, 0, 30000, 1}).Video(0, {kT0, 40, 35496, 1}).Build().Bytes(), {}},
        {"no key frame at all", RecordingBuilder().VideoRun(0, kT0, 0, 30, 40, 1000, 3000).Build().Bytes(), noKeyFrame,
         "no key frame was found in channel 0's run"},
        {"last key frame empty", emptyLastKey.Bytes(), noKeyFrame, "channel 0's last key frame at byte 72,057 has an empty payload"},
        {"run claims more than the file holds", pastTheFile.Bytes(), noKeyFrame, "channel 0's run ends at byte 4,294,969,317"},
        {"every run past the end", Tweaked([](RecordingHeader& h) { h.videoCh[0].startPos = 0x7FFFFFF0; h.videoCh[0].endPos = 0x7FFFFFFF; }),
         {C1007}, "channel 0's run starts at byte 2,147,485,669 but the file has"},
    };
    for (const auto& c : cases) {
        const RecordingReport r = Inspect(c.file);
        EXPECT_EQ(r.messages, c.messages) << c.name;
        EXPECT_EQ(r.ok, c.messages.empty()) << c.name;
        EXPECT_EQ(r.reason.empty(), c.messages.empty()) << c.name;
        EXPECT_NE(r.reason.find(c.reason), std::string::npos) << r.reason;
    }
}

TEST(RecordingReport, FindsFirstAndLastKeyFramesOfEachChannel)
{
    RecordingBuilder b;
    b.VideoRun(0, kT0, 0, 100, 40, 25, 3000).VideoRun(1, kT0, 20, 100, 40, 25, 3000).AudioRun(0, kT0, 0, 200, 20, 160);
    const BuiltRecording built = b.Build();
    const RecordingReport r = Inspect(built.Bytes());
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.scan.videoEnd[1], built.videoRecords[1][75]);
    // The recording ends with the last frame, after the last key frame.
    EXPECT_EQ(r.scan.videoLast[1], built.videoRecords[1][99]);
    EXPECT_EQ(r.scan.endTime.wSecond, 10);
    EXPECT_EQ(r.scan.endTime.wMilliseconds, 99 * 40 + 20);
    EXPECT_EQ(r.scan.posTime.wSecond, 7);
    // Channels without frames keep their initial entries behind the real ones.
    EXPECT_EQ(r.scan.startInfo[2].f_time, 0x7FFFFFFF);
    EXPECT_EQ(r.scan.endInfo[2].f_time, 1);
}

// Where the scan finds a channel's first key frame, its last one and its last frame.
TEST(RecordingReport, KeyFramesTheScanPassesOver)
{
    const struct {
        const char* name;
        BuiltRecording built;
        size_t firstKey, lastKey, lastFrame;
        uint32_t startMsec, endMsec;
    } cases[] = {
        {"first key frame after other frames",
         RecordingBuilder().Video(0, {kT0, 0, 4000, 0}).Video(0, {kT0, 40, 60000, 1}).Video(0, {kT0, 80, 4000, 0}).Build(),
         1, 1, 2, 40, 80},
        {"implausible last key frame",
         RecordingBuilder()
             .Video(0, {kT0, 0, 70000, 1})
             .Video(0, {kT0 + 1, 1000, 30000, 1})
             .Video(0, {kT0 + kTwoYears, 2000, 30000, 1})
             .Build(),
         0, 1, 1, 0, 1000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const RecordingReport r = Inspect(c.built.Bytes());
        ASSERT_TRUE(r.ok);
        EXPECT_EQ(r.scan.firstKeyOffset[0], c.built.videoRecords[0][c.firstKey]);
        EXPECT_EQ(r.scan.videoEnd[0], c.built.videoRecords[0][c.lastKey]);
        EXPECT_EQ(r.scan.videoLast[0], c.built.videoRecords[0][c.lastFrame]);
        EXPECT_EQ(r.scan.startMsec, c.startMsec);
        EXPECT_EQ(r.scan.endMsec, c.endMsec);
    }
}

TEST(RecordingReport, OrdersChannelsByFrameOrder)
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
    };
    for (const auto& c : cases) {
        const RecordingReport r = Inspect(RecordingBuilder().Video(0, c.ch0).Video(1, c.ch1).Build().Bytes());
        ASSERT_TRUE(r.ok) << c.name;
        EXPECT_EQ(r.scan.startInfo[0].channel, c.earliest) << c.name;
        EXPECT_EQ(r.scan.endInfo[0].channel, 1 - c.earliest) << c.name;
    }
}

TEST(RecordingReport, LengthFromTheFirstAndLastStamps)
{
    const struct {
        uint32_t startMsec;
        int32_t d;
        bool ok;
        int seekMax;
        const char* total;
    } cases[] = {
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
                                              .Build()
                                              .Bytes());
        EXPECT_EQ(r.messages, c.ok ? Messages{} : Messages{RecordingError::C1007}) << c.d;
        EXPECT_EQ(r.scan.seekMax, c.seekMax) << c.d;
        EXPECT_EQ(r.scan.totalText, c.total) << c.d;
    }
}

TEST(RecordingReport, ChannelNamesAreTakenByteForByte)
{
    RecordingHeader h;
    h.videoCh[0].chName.fill('x');
    EXPECT_EQ(h.videoCh[0].NameText().size(), 50u);
    h.videoCh[1].chName = {'C', 0xE9, '%', 'd', 0, 'z'};
    EXPECT_EQ(h.videoCh[1].NameText(), u"C\u00E9%d");
    EXPECT_EQ(recording::ToUtf8(h.videoCh[1].NameText()), "C\xC3\xA9%d");
}

} // namespace
