#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "PlaybackHarness.h"
#include "recording/TimeConversion.h"

using playback::PlayerView;
using testsupport::BuiltRecording;
using testsupport::RecordingBuilder;

namespace playbacktest {
namespace {

// 40 ms frames for 5 s on two channels, a key frame every gop frames, and audio every 20 ms.
BuiltRecording Recording(int gop = 25, int32_t audioStart = kT0)
{
    return RecordingBuilder()
        .VideoRun(0, kT0, 0, 125, 40, gop, 3000)
        .VideoRun(1, kT0, 0, 125, 40, gop, 3000)
        .AudioRun(0, audioStart, 0, 250, 20, 160)
        .Build();
}

// Where a search starts or lands, as a record index of its run or one of these.
constexpr int kPast = -1;   // past the run's end
constexpr int kBefore = -2; // before the run
constexpr int kNone = -3;   // no request: the channel is walked from where it stands
constexpr int kAny = -4;    // not checked

uint32_t Offset(const BuiltRecording& r, const std::vector<uint32_t>& run, uint32_t end, int index)
{
    return index == kPast ? r.dataOffset + end + 100 : index == kBefore ? 100 : index == kNone ? 0 : run[index];
}

TEST(PositionSearch, LandsOnTheRecordNextToTheTarget)
{
    struct Case {
        const char* name;
        int gop, target;              // target in seconds after the first frame
        int video0, video1, audio;    // where each channel starts looking
        int expect0, expect1, expectAudio;
    };
    const Case cases[] = {
        {"on a key frame, from after it", 25, 2, 60, 0, kNone, 50, kAny, kAny},
        {"on a key frame, from before it: the record before it", 25, 2, 10, 0, kNone, 49, kAny, kAny},
        {"between key frames: the record before the later one", 50, 1, 60, 0, kNone, 49, kAny, kAny},
        {"before the recording: its first record", 25, -10, 60, 0, kNone, 0, kAny, kAny},
        {"after the recording: the run's last record", 25, 100, 10, 0, kNone, 124, kAny, kAny},
        {"start past the run: its last key frame", 25, 4, kPast, 0, kNone, 100, kAny, kAny},
        {"start before the run: its first record", 25, 0, kBefore, 0, kNone, 0, kAny, kAny},
        // Walked back from record 60, where channel 0 stands, it meets the key frame of the
        // target itself; scanned from the run's start it would stop one record earlier.
        {"no request: from where the channel stands", 25, 2, kNone, 10, kNone, 50, 49, kAny},
        {"audio from before: the first record of the second", 25, 2, 0, 0, 30, kAny, kAny, 100},
        {"audio from after: the last record of the second", 25, 2, 0, 0, 200, kAny, kAny, 149},
        {"audio past the run: the last record", 25, 2, 0, 0, kPast, kAny, kAny, 249},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PlaybackHarness h(Recording(c.gop), true);
        ASSERT_TRUE(h.Open().messages.empty());
        const BuiltRecording& r = h.recording;
        playback::PlayerCore& core = h.core;
        core.m_dwVideoPos[0] = r.videoRecords[0][60];
        core.m_dwVideoReq[0] = Offset(r, r.videoRecords[0], r.header.videoCh[0].endPos, c.video0);
        core.m_dwVideoReq[1] = Offset(r, r.videoRecords[1], r.header.videoCh[1].endPos, c.video1);
        core.m_dwAudioReq[0] = Offset(r, r.audioRecords[0], r.header.audioCh[0].endPos, c.audio);
        core.StartSeek(recording::FTimeToSystemTime(kT0 + c.target));
        h.WaitForSearch();
        EXPECT_EQ(core.m_bSeekDone, 1);
        if (c.expect0 != kAny)
            EXPECT_EQ(core.m_dwVideoPos[0], r.videoRecords[0][c.expect0]);
        if (c.expect1 != kAny)
            EXPECT_EQ(core.m_dwVideoPos[1], r.videoRecords[1][c.expect1]);
        if (c.expectAudio != kAny)
            EXPECT_EQ(core.m_dwAudioPos[0], r.audioRecords[0][c.expectAudio]);
    }
}

TEST(PositionSearch, AChannelWithNothingAcceptableKeepsItsPosition)
{
    // After the last key frame, a frame whose payload looks like a key frame's: with I-frame
    // only it is no place to land, so the search finds nothing and publishes nothing.
    BuiltRecording video = RecordingBuilder().VideoRun(0, kT0, 0, 125, 40, 25, 3000).Build();
    const std::vector<uint8_t> key = RecordingBuilder::Payload(2, true, 8, false);
    std::copy(key.begin(), key.end(), video.data.begin() + video.videoRecords[0][110] + 20 - video.dataOffset);
    PlaybackHarness v(video, true);
    v.Open();
    v.core.m_bIFrameOnly = 1;
    const uint32_t before = v.core.m_dwVideoPos[0];
    v.core.m_dwVideoReq[0] = v.recording.videoRecords[0][105];
    v.core.StartSeek(recording::FTimeToSystemTime(kT0 + 4));
    v.WaitForSearch();
    EXPECT_EQ(v.core.m_bSeekDone, 0);
    EXPECT_EQ(v.core.m_dwVideoPos[0], before);

    // Audio stamped five years after the video: no header in the chunk is plausible.
    PlaybackHarness h(Recording(25, kT0 + 5 * 366 * 86400), true);
    h.Open();
    const BuiltRecording& r = h.recording;
    h.core.m_dwAudioPos[0] = r.audioRecords[0][17];
    h.core.m_dwVideoReq[0] = r.videoRecords[0][0];
    h.core.m_dwAudioReq[0] = r.audioRecords[0][30];
    h.core.StartSeek(recording::FTimeToSystemTime(kT0 + 2));
    h.WaitForSearch();
    EXPECT_EQ(h.core.m_bSeekDone, 1);
    EXPECT_EQ(h.core.m_dwAudioPos[0], r.audioRecords[0][17]);
}

TEST(PositionSearch, AStoppedSearchLeavesNothingForTheNextPlayToWaitOnOrSkip)
{
    // Play is pressed and its search is held at its start, busy as on a slow disk; then a
    // stop, a pause or an open comes. The stopped search must not hold up the command, must
    // never write the flag or a position once the search of the next Play has published
    // (that would leave playback idle or playing from its stale positions), and the next
    // Play must hand over the recording's first frames, none skipped.
    for (const char* stopper : {"stop", "pause", "open"}) {
        SCOPED_TRACE(stopper);
        PlaybackHarness h(Recording(), true);
        h.Open();
        const BuiltRecording& r = h.recording;
        const uint32_t before = h.core.m_dwVideoPos[0];
        h.searchGate.CloseWhen([] { return true; });
        h.core.Transport().OnPlay();
        h.searchGate.WaitUntilHeld();
        if (stopper == std::string("stop")) {
            h.core.StopSeekThread(); // returns although the search is still held
            EXPECT_FALSE(h.core.SearchRunning());
            EXPECT_EQ(h.core.m_bSeekDone, 0);
            EXPECT_EQ(h.core.m_dwVideoPos[0], before);
            // Nor does a join wait for it beyond its limit.
            EXPECT_FALSE(h.core.m_hSeekThread.JoinStopped(std::chrono::milliseconds(20)));
        } else if (stopper == std::string("pause")) {
            h.core.Transport().OnPlay();
        } else {
            // The open waits for the search to end: it is let go while the open polls for it.
            const std::thread::id window = std::this_thread::get_id();
            h.gate.CloseWhen([window] { return std::this_thread::get_id() == window; });
            std::thread release([&h] {
                h.gate.WaitUntilHeld();
                h.searchGate.Open();
                h.gate.Open();
            });
            h.Open();
            release.join();
        }
        if (h.core.m_nPlayState != playback::kPaused)
            h.core.Transport().OnPlay();
        h.Play();
        h.searchGate.Open();
        h.core.m_hSeekThread.JoinStopped();
        ASSERT_EQ(h.core.m_bSeekDone, 1);
        EXPECT_FALSE(h.core.SearchRunning());
        h.WaitFor([&h] { return h.Frames().size() >= 3; });
        const std::vector<Pushed> frames = h.Frames();
        EXPECT_EQ(frames[0], FrameOf(r, r.videoRecords[0][0], 0, 0));
        EXPECT_EQ(frames[1], FrameOf(r, r.audioRecords[0][0], 0, 1));
        EXPECT_EQ(frames[2], FrameOf(r, r.videoRecords[1][0], 1, 0));
        const auto shows = h.view.CallsOf(testsupport::RecordingView::Kind::Show, PlayerView::kSearching);
        EXPECT_EQ(shows.back().ints[0], 0);
    }
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
    ASSERT_TRUE(h.core.Open().OnFileChosen(h.dir.File("big.vrc")).messages.empty());
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
