#include <gtest/gtest.h>

#include <chrono>

#include "PlaybackHarness.h"
#include "recording/TimeConversion.h"

using playback::PlayerView;
using testsupport::BuiltRecording;
using testsupport::RecordingBuilder;

namespace playbacktest {
namespace {

constexpr uint32_t kZero = 0;

// 40 ms frames for 5 s on two channels, a key frame every gop frames, and audio every 20 ms.
BuiltRecording Recording(int gop)
{
    return RecordingBuilder()
        .VideoRun(0, kT0, 0, 125, 40, gop, 3000)
        .VideoRun(1, kT0, 0, 125, 40, gop, 3000)
        .AudioRun(0, kT0, 0, 250, 20, 160)
        .Build();
}

// Runs one search for kT0 + seconds from the given starting positions and waits for it.
void Search(PlaybackHarness& h, int seconds, uint32_t req0, uint32_t req1, uint32_t audioReq = kZero)
{
    h.core.m_dwVideoReq[0] = req0;
    h.core.m_dwVideoReq[1] = req1;
    h.core.m_dwAudioReq[0] = audioReq;
    h.core.StartSeek(recording::FTimeToSystemTime(kT0 + seconds));
    h.WaitForSearch();
}

struct VideoCase {
    const char* name;
    int gop;
    int target;   // seconds after the first frame
    int reqFrame; // where channel 0 starts looking (-1: past the run's end, -2: before it)
    int expected; // record channel 0 lands on
};

TEST(PositionSearch, LandsOnTheRecordNextToTheTarget)
{
    const VideoCase cases[] = {
        {"on a key frame, from after it", 25, 2, 60, 50},
        {"on a key frame, from before it: the record before it", 25, 2, 10, 49},
        {"between key frames: the record before the later one", 50, 1, 60, 49},
        {"before the recording: its first record", 25, -10, 60, 0},
        {"after the recording: the run's last record", 25, 100, 10, 124},
        {"start past the run: its last key frame", 25, 4, -1, 100},
        {"start before the run: its first record", 25, 0, -2, 0},
    };
    for (const VideoCase& c : cases) {
        PlaybackHarness h(Recording(c.gop), true);
        ASSERT_TRUE(h.Open().messages.empty());
        const BuiltRecording& r = h.recording;
        const uint32_t hi = r.dataOffset + r.header.videoCh[0].endPos;
        const uint32_t req = c.reqFrame == -1 ? hi + 100 : c.reqFrame == -2 ? 100 : r.videoRecords[0][c.reqFrame];
        Search(h, c.target, req, r.videoRecords[1][0]);
        EXPECT_EQ(h.core.m_bSeekDone, 1) << c.name;
        EXPECT_EQ(h.core.m_dwVideoPos[0], r.videoRecords[0][c.expected]) << c.name;
    }
}

TEST(PositionSearch, AChannelWithoutAStartIsWalkedFromWhereItIs)
{
    PlaybackHarness h(Recording(25), true);
    h.Open();
    const BuiltRecording& r = h.recording;
    h.core.m_dwVideoPos[0] = r.videoRecords[0][60];
    Search(h, 2, kZero, r.videoRecords[1][10]);
    // Walked back from record 60 it meets the key frame of the target itself; scanned from
    // the run's start it would have stopped one record earlier.
    EXPECT_EQ(h.core.m_dwVideoPos[0], r.videoRecords[0][50]);
    EXPECT_EQ(h.core.m_dwVideoPos[1], r.videoRecords[1][49]);
}

TEST(PositionSearch, IFrameOnlyAcceptsOnlyKeyFramesAsScanResults)
{
    // After the last key frame, a frame whose payload looks like a key frame's.
    BuiltRecording built = RecordingBuilder().VideoRun(0, kT0, 0, 125, 40, 25, 3000).Build();
    const uint32_t at = built.videoRecords[0][110] + 20 - built.dataOffset;
    const std::vector<uint8_t> key = RecordingBuilder::Payload(2, true, 8, false);
    std::copy(key.begin(), key.end(), built.data.begin() + at);
    for (int iframeOnly : {0, 1}) {
        PlaybackHarness h(built, true);
        h.Open();
        h.core.m_bIFrameOnly = iframeOnly;
        const uint32_t before = h.core.m_dwVideoPos[0];
        Search(h, 4, h.recording.videoRecords[0][105], kZero);
        EXPECT_EQ(h.core.m_bSeekDone, iframeOnly ? 0 : 1);
        if (iframeOnly) {
            EXPECT_EQ(h.core.m_dwVideoPos[0], before);
        }
    }
}

TEST(PositionSearch, AudioLandsOnTheTargetSecond)
{
    struct AudioCase {
        const char* name;
        int reqRecord; // -1: past the run
        int expected;
    };
    const AudioCase cases[] = {
        {"from before: the first record of the second", 30, 100},
        {"from after: the last record of the second", 200, 149},
        {"past the run: the last record", -1, 249},
    };
    for (const AudioCase& c : cases) {
        PlaybackHarness h(Recording(25), true);
        h.Open();
        const BuiltRecording& r = h.recording;
        const uint32_t hi = r.dataOffset + r.header.audioCh[0].endPos;
        Search(h, 2, r.videoRecords[0][0], r.videoRecords[1][0], c.reqRecord < 0 ? hi + 10 : r.audioRecords[0][c.reqRecord]);
        EXPECT_EQ(h.core.m_dwAudioPos[0], r.audioRecords[0][c.expected]) << c.name;
    }
}

TEST(PositionSearch, AudioWithoutAPlausibleHeaderKeepsItsPosition)
{
    // Audio stamped five years after the video: no header in the chunk is plausible.
    RecordingBuilder b;
    b.VideoRun(0, kT0, 0, 125, 40, 25, 3000).AudioRun(0, kT0 + 5 * 366 * 86400, 0, 250, 20, 160);
    PlaybackHarness h(b.Build(), true);
    h.Open();
    const BuiltRecording& r = h.recording;
    h.core.m_dwAudioPos[0] = r.audioRecords[0][17];
    Search(h, 2, r.videoRecords[0][0], kZero, r.audioRecords[0][30]);
    EXPECT_EQ(h.core.m_bSeekDone, 1);
    EXPECT_EQ(h.core.m_dwAudioPos[0], r.audioRecords[0][17]);
}

TEST(PositionSearch, ShowsSearchingWhileItRuns)
{
    PlaybackHarness h(Recording(25), true);
    h.Open();
    h.view.Clear();
    Search(h, 2, h.recording.videoRecords[0][0], kZero);
    const auto shows = h.view.CallsOf(testsupport::RecordingView::Kind::Show, PlayerView::kSearching);
    ASSERT_EQ(shows.size(), 2u);
    EXPECT_EQ(shows[0].ints[0], 1);
    EXPECT_EQ(shows[1].ints[0], 0);
}

TEST(PositionSearch, ASecondSearchInQuickSuccessionLeavesItsPositions)
{
    PlaybackHarness h(Recording(25), true);
    h.Open();
    const BuiltRecording& r = h.recording;
    h.core.m_dwVideoReq[0] = r.videoRecords[0][60];
    h.core.StartSeek(recording::FTimeToSystemTime(kT0 + 1));
    h.core.StartSeek(recording::FTimeToSystemTime(kT0 + 3));
    h.WaitForSearch();
    h.core.m_hSeekThread.JoinStopped();
    EXPECT_EQ(h.core.m_bSeekDone, 1);
    EXPECT_EQ(h.core.m_dwVideoPos[0], r.videoRecords[0][75]);
}

TEST(PositionSearch, StoppingABusySearchReturnsWithoutWaitingForIt)
{
    PlaybackHarness h(Recording(25), true);
    h.Open();
    const BuiltRecording& r = h.recording;
    const uint32_t before = h.core.m_dwVideoPos[0];
    h.view.HoldNextSearch();
    h.core.m_dwVideoReq[0] = r.videoRecords[0][60];
    h.core.StartSeek(recording::FTimeToSystemTime(kT0 + 3));
    h.view.WaitUntilSearchHeld();
    h.core.StopSeekThread(); // returns although the search is still held
    EXPECT_EQ(h.core.m_bSeekDone, 0);
    EXPECT_EQ(h.core.m_dwVideoPos[0], before);
    // Nor does a join wait for it beyond its limit; the log names the worker.
    testing::internal::CaptureStderr();
    EXPECT_FALSE(h.core.m_hSeekThread.JoinStopped(std::chrono::milliseconds(20)));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("the seek thread has not ended 20 ms after"), std::string::npos);

    // A new search runs meanwhile; the stopped one, once free, ends without publishing.
    h.core.StartSeek(recording::FTimeToSystemTime(kT0 + 1));
    h.WaitForSearch();
    EXPECT_EQ(h.core.m_dwVideoPos[0], r.videoRecords[0][25]);
    EXPECT_EQ(h.core.m_bSeekDone, 1);
    h.view.ReleaseSearch();
    h.core.m_hSeekThread.JoinStopped();
    // Held before its lock, the stopped search gets it only after the new one has
    // published: it must not take the flag back to 0 and leave playback idle.
    EXPECT_EQ(h.core.m_bSeekDone, 1);
    EXPECT_EQ(h.core.m_dwVideoPos[0], r.videoRecords[0][25]);
}

TEST(PositionSearch, FindsItsTargetInARunOfMoreThan2GiB)
{
    // One key frame a second, 64 MiB each for 40 s, then a small last one: a run of 2.5 GiB
    // whose estimate for 30 s lies past 2 GiB. Written sparse.
    RecordingBuilder b;
    for (int i = 0; i <= 40; ++i)
        b.Video(0, {kT0 + i, static_cast<uint32_t>(i * 1000), i < 40 ? 64u << 20 : 3000u, 1});
    PlaybackHarness h(BuiltRecording{}, true);
    const BuiltRecording r = b.WriteSparse(h.dir.File("big.vrc"));
    const playback::FileOpenResult opened = h.core.Open().OnFileChosen(h.dir.File("big.vrc"));
    ASSERT_TRUE(opened.messages.empty());
    h.core.m_nPosSec = 30;
    h.core.EstimatePositions();
    EXPECT_GT(h.core.m_dwVideoReq[0], r.videoRecords[0][30]);
    EXPECT_LT(h.core.m_dwVideoReq[0], r.videoRecords[0][31]);
    h.core.StartSeek(h.core.PositionTime());
    h.WaitForSearch();
    EXPECT_EQ(h.core.m_bSeekDone, 1);
    EXPECT_EQ(h.core.m_dwVideoPos[0], r.videoRecords[0][30]);
}

} // namespace
} // namespace playbacktest
