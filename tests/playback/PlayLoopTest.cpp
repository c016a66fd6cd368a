#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <thread>
#include <tuple>

#include "PlaybackHarness.h"
#include "display/DispId.h"
#include "recording/TimeConversion.h"
#include "recording/TimeText.h"

using playback::PlayerView;
using testsupport::BuiltRecording;
using testsupport::RecordingBuilder;

namespace playbacktest {
namespace {

// One channel, 40 ms frames with a key frame every second: 5 s, played up to the key
// frame at 4 s.
BuiltRecording OneChannel(int gop = 25, uint8_t format = 2)
{
    return RecordingBuilder().VideoFormat(format).VideoRun(0, kT0, 0, 125, 40, gop, 3000).Build();
}

std::vector<int64_t> Gaps(const std::vector<Pushed>& frames)
{
    std::vector<int64_t> gaps;
    for (size_t i = 1; i < frames.size(); ++i)
        gaps.push_back(frames[i].at - frames[i - 1].at);
    return gaps;
}

TEST(PlayLoop, MergesChannelsAndAudioByStamp)
{
    RecordingBuilder b;
    b.VideoRun(0, kT0, 0, 100, 40, 25, 2000).VideoRun(1, kT0, 20, 100, 40, 25, 2000).AudioRun(0, kT0, 0, 200, 20, 160);
    PlaybackHarness h(b.Build());
    ASSERT_TRUE(h.Open().messages.empty());
    h.core.Transport().OnPlay();
    h.WaitForEnd();

    // Every record up to each channel's last key frame, ordered by stamp; equal stamps in
    // channel order, video before audio. The last record read is never handed over.
    struct Entry {
        uint32_t key;
        int order;
        Pushed frame;
    };
    std::vector<Entry> all;
    const BuiltRecording& r = h.recording;
    for (int ch = 0; ch < 2; ++ch) {
        for (size_t i = 0; i <= 75; ++i) {
            const Pushed f = FrameOf(r, r.videoRecords[ch][i], ch, 0);
            all.push_back({static_cast<uint32_t>(ch * 20 + i * 40), ch * 2, f});
        }
    }
    for (size_t i = 0; i < r.audioRecords[0].size(); ++i)
        all.push_back({static_cast<uint32_t>(i * 20), 1, FrameOf(r, r.audioRecords[0][i], 0, 1)});
    std::stable_sort(all.begin(), all.end(), [](const Entry& a, const Entry& b) {
        return std::tie(a.key, a.order) < std::tie(b.key, b.order);
    });
    std::vector<Pushed> expected;
    for (size_t i = 0; i + 1 < all.size(); ++i)
        expected.push_back(all[i].frame);
    EXPECT_EQ(h.Frames(), expected);
    // The display is reset once, before the first frame.
    const auto pushes = h.display.CallsOf(display::kPushFrame);
    ASSERT_FALSE(pushes.empty());
    EXPECT_EQ(pushes[0].ints, (std::vector<int32_t>{0, 0, 0, 0, 0, -1}));
    EXPECT_EQ(std::count_if(pushes.begin(), pushes.end(), [](auto& c) { return c.ints[5] == -1; }), 1);
}

int64_t StampOf(const Pushed& f) { return int64_t{f.f_time - kT0} * 1000 + f.msec; }

TEST(PlayLoop, PacesByTheRecordedClockDividedBySpeed)
{
    // Every hand-over is due at the first one's time plus the recorded time since then
    // divided by the speed (on the virtual clock a hand-over itself takes no time), across
    // second boundaries too. Reverse steps frame by frame: every frame is a key frame.
    for (int speed : {1, 2, 4, 8, 16, 32, -1, -4, -8, -16, -32}) {
        PlaybackHarness h(speed > 0 ? OneChannel() : OneChannel(1), true);
        h.Open();
        const std::vector<Pushed> frames = h.PlayAtSpeed(speed, speed > 0 ? 0 : 3);
        ASSERT_GT(frames.size(), 70u) << "speed " << speed;
        for (size_t i = 1; i < frames.size(); ++i) {
            ASSERT_EQ(frames[i].at - frames[0].at, std::llabs(StampOf(frames[i]) - StampOf(frames[0])) / std::abs(speed))
                << "speed " << speed << ", frame " << i;
        }
    }
}

TEST(PlayLoop, AHoleCostsOnlyTheRestOfTheSecondAndTheMillisecondsAfterIt)
{
    // Up to 1.96 s, then five minutes missing, on from 301.02 s: the hole costs 40 + 20 ms.
    BuiltRecording built =
        RecordingBuilder().VideoRun(0, kT0, 0, 50, 40, 25, 3000).VideoRun(0, kT0 + 301, 301'020, 75, 40, 25, 3000).Build();
    PlaybackHarness h(built, true);
    h.Open();
    const std::vector<int64_t> gaps = Gaps(h.PlayAtSpeed(1));
    ASSERT_GT(gaps.size(), 60u);
    for (size_t i = 0; i < gaps.size(); ++i)
        ASSERT_EQ(gaps[i], i == 49 ? 60 : 40) << "gap " << i;
}

TEST(PlayLoop, LateHandOversCatchUpAndAStallStartsANewRun)
{
    struct Case {
        int slowMs;          // how long the hand-over of frame 10 takes
        size_t onSchedule;   // the first frame back on schedule
        int64_t shift;       // the schedule's shift from then on
    };
    // 100 ms late: frames 11 and 12 follow at once, 13 is due again. 3 s late: the run
    // starts anew after the stall instead of rushing through three seconds.
    for (const Case c : {Case{100, 13, 0}, Case{3000, 11, 2960}}) {
        PlaybackHarness h(OneChannel(), true);
        h.Open();
        h.stamper.SlowDown(10, c.slowMs);
        const std::vector<Pushed> frames = h.PlayAtSpeed(1);
        ASSERT_EQ(frames.size(), 100u);
        for (size_t i = 11; i < c.onSchedule; ++i)
            EXPECT_EQ(frames[i].at, frames[10].at + c.slowMs) << "frame " << i;
        for (size_t i = c.onSchedule; i < frames.size(); ++i)
            ASSERT_EQ(frames[i].at - frames[0].at, int64_t(40 * i) + c.shift) << "slow " << c.slowMs << ", frame " << i;
    }
}

TEST(PlayLoop, APauseOrAnOpenInsideAWaitBeforeASecondEndsLeavesNothingOfThatSecond)
{
    // The play thread is held inside the wait after the frame at 960 ms, before the texts
    // and the slider of the second that ends with it. A pause or an open lands there; the
    // turn must end without them, and the command's resets come after it.
    const BuiltRecording other = RecordingBuilder().VideoRun(0, kT0, 0, 250, 40, 25, 3000).ChCount(4).Build();
    for (const bool open : {false, true}) {
        PlaybackHarness h(OneChannel(), true);
        h.Open();
        h.gate.CloseWhen([&h] { return h.Frames().size() == 25; });
        h.core.Transport().OnPlay();
        h.WaitForSearch();
        h.Start();
        h.gate.WaitUntilHeld();
        h.view.Clear();
        other.Write(h.dir.File("other.vrc"));
        std::thread command([&] {
            if (!open) {
                h.core.Transport().OnPlay();
                return;
            }
            h.core.Open().FinishFileOpen(h.core.Open().OnFileChosen(h.dir.File("other.vrc")));
        });
        h.WaitFor([&h] { return h.core.m_nPlayState == playback::kPaused; });
        h.gate.Open();
        command.join();
        h.StopPlaying();

        EXPECT_EQ(h.Frames().size(), 25u) << "open " << open;
        EXPECT_EQ(h.core.m_nPosSec, 0) << "open " << open;
        const std::vector<std::string> osd = h.view.Texts(PlayerView::kOsd);
        EXPECT_TRUE(std::all_of(osd.begin(), osd.end(), [](auto& t) { return t.empty(); })) << "open " << open;
        const std::vector<int> positions = h.view.SeekPositions();
        EXPECT_TRUE(std::all_of(positions.begin(), positions.end(), [](int p) { return p == 0; })) << "open " << open;
        EXPECT_EQ(h.view.LastText(PlayerView::kTotalTime), open ? "00 : 00 : 00 / 00 : 00 : 10" : "00 : 00 : 00 / 00 : 00 : 05");
    }
}

TEST(PlayLoop, KeepsTheRecordedPaceOnTheRealClock)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    // Instrumented builds run several times slower and share the machine with each other: their
    // pace says nothing about the player's. They check this test's threads, not its clock.
    GTEST_SKIP() << "real-time pace is checked in the plain build only";
#endif
    // 20 s of 4 channels with audio and of 16 channels, with the channels' stamps on the same
    // milliseconds or k x 40/16 ms apart as a real recorder's are. The cases run side by
    // side, each with its own play thread, so the test takes about 20 s.
    struct Case {
        int channels;
        bool audio;
        bool offset;
        int speed;
    };
    const Case cases[] = {{4, true, false, 1}, {16, false, true, 1}, {16, false, true, 2},
                          {4, true, true, 4},  {16, false, false, 8}};
    struct Result {
        double recordedMs = 0, wallMs = 0;
        size_t frames = 0;
    };
    std::vector<Result> results(std::size(cases));
    std::vector<std::thread> players;
    for (size_t i = 0; i < std::size(cases); ++i) {
        players.emplace_back([&c = cases[i], &r = results[i]] {
            RecordingBuilder b;
            for (int k = 0; k < c.channels; ++k) {
                // 20 s and the key frame at 20 s that ends the run.
                b.VideoRun(k, kT0, c.offset ? k * 40 / 16 : 0, 501, 40, 25, 400);
                if (c.audio)
                    b.AudioRun(k, kT0, 0, 1000, 20, 160);
            }
            PlaybackHarness h(b.Build(), true, true);
            h.Open();
            const std::vector<Pushed> frames = h.PlayAtSpeed(c.speed);
            r.frames = frames.size();
            if (frames.size() < 2)
                return;
            r.recordedMs = static_cast<double>(StampOf(frames.back()) - StampOf(frames.front()));
            r.wallMs = static_cast<double>(frames.back().at - frames.front().at) * 1000.0 / h.clock.Frequency();
        });
    }
    for (std::thread& t : players)
        t.join();
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        const Result& r = results[i];
        ASSERT_GT(r.frames, static_cast<size_t>(c.channels * 400)) << "case " << i;
        const double nominalWall = r.recordedMs / c.speed;
        const double tolerance = c.speed == 1 ? 0.005 : 0.05;
        EXPECT_NEAR(r.wallMs, nominalWall, nominalWall * tolerance)
            << c.channels << " channels at " << c.speed << "x: " << r.recordedMs << " ms recorded in " << r.wallMs
            << " ms";
    }
}

TEST(PlayLoop, FrameStepsFromPauseHandOverOneFrameEachInPlayOrderWithItsTimes)
{
    // Two video channels and audio, paused inside the pacing wait between the video frames
    // at 980 ms (channel 1) and 1000 ms (channel 0), so the frame read ahead is video. A step
    // on must hand over exactly the next video frame of uninterrupted play (audio is dropped
    // while paused), a step back the latest key frame of any channel stamped before the
    // frame on screen, and each shows its date-time and elapsed texts.
    RecordingBuilder b;
    b.VideoRun(0, kT0, 0, 100, 40, 25, 2000).VideoRun(1, kT0, 20, 100, 40, 25, 2000).AudioRun(0, kT0, 0, 200, 20, 160);
    std::vector<Pushed> video;
    {
        PlaybackHarness whole(b.Build());
        whole.Open();
        whole.core.Transport().OnPlay();
        whole.WaitForEnd();
        whole.StopPlaying();
        for (const Pushed& f : whole.Frames())
            if (f.audio == 0)
                video.push_back(f);
    }
    const auto after = [&video](const Pushed& shown) {
        const auto at = std::find(video.begin(), video.end(), shown);
        return at == video.end() || at + 1 == video.end() ? Pushed{} : *(at + 1);
    };
    const auto keyBefore = [&video](const Pushed& shown) {
        Pushed best{};
        for (const Pushed& f : video)
            if (f.key == 1 && StampOf(f) < StampOf(shown) && (best.len == 0 || StampOf(f) > StampOf(best)))
                best = f;
        return best;
    };

    PlaybackHarness h(b.Build(), true);
    h.Open();
    playback::TransportCommands& t = h.core.Transport();
    t.OnStepForward(); // nothing searched yet
    EXPECT_EQ(h.core.m_nStepRequest, 0);
    h.gate.CloseWhen([&h] { return h.Frames().size() >= 100; });
    t.OnPlay();
    h.WaitForSearch();
    h.Start();
    h.gate.WaitUntilHeld();
    t.OnStepForward(); // playing
    t.OnStepBack();
    EXPECT_EQ(h.core.m_nStepRequest, 0);
    std::thread pause([&t] { t.OnPlay(); });
    h.WaitFor([&h] { return h.core.m_nPlayState == playback::kPaused; });
    h.gate.Open();
    pause.join();

    const size_t paused = h.Frames().size();
    const Pushed last = h.Frames().back();
    const Pushed first = *std::find_if(video.begin(), video.end(), [&last](const Pushed& f) {
        return std::tie(f.f_time, f.msec, f.ch) > std::tie(last.f_time, last.msec, last.ch);
    });
    Pushed shown{};
    int step = 0;
    for (const int direction : {1, 1, -1, -1, 1}) {
        shown = direction < 0 ? keyBefore(shown) : step == 0 ? first : after(shown);
        ASSERT_NE(shown.len, 0) << "step " << step;
        ++step;
        h.view.Clear();
        direction > 0 ? t.OnStepForward() : t.OnStepBack();
        h.WaitFor([&h] { return !h.view.LastText(PlayerView::kOsd).empty(); });
        const std::vector<Pushed> frames = h.Frames();
        ASSERT_EQ(frames.size(), paused + step);
        EXPECT_EQ(frames.back(), shown) << "step " << step;
        EXPECT_EQ(h.view.LastText(PlayerView::kOsd),
                  recording::FormatDateTime(recording::FTimeToSystemTime(shown.f_time), 1));
        EXPECT_EQ(h.view.LastText(PlayerView::kTotalTime),
                  recording::FormatElapsedSeconds(shown.f_time - kT0, h.core.m_TotalTime));
        EXPECT_EQ(h.core.m_nPlayState, playback::kPaused);
    }
    h.StopPlaying();
    EXPECT_EQ(h.Frames().size(), paused + step);
}

TEST(PlayLoop, RefreshesTimeTextsAndSliderOncePerSecond)
{
    PlaybackHarness h(OneChannel());
    h.Open();
    h.view.Clear();
    h.core.Transport().OnPlay();
    h.WaitForEnd();
    h.StopPlaying();
    const std::vector<std::string> osd = h.view.Texts(PlayerView::kOsd);
    std::vector<std::string> shown;
    std::copy_if(osd.begin(), osd.end(), std::back_inserter(shown), [](auto& t) { return !t.empty(); });
    EXPECT_EQ(shown, (std::vector<std::string>{"2010-03-09 08:05:07", "2010-03-09 08:05:08", "2010-03-09 08:05:09",
                                                "2010-03-09 08:05:10"}));
    // The slider stops at its maximum (3) and the elapsed time follows the stamps.
    EXPECT_EQ(h.view.SeekPositions(), (std::vector<int>{0, 1, 2, 3}));
    const std::vector<std::string> total = h.view.Texts(PlayerView::kTotalTime);
    EXPECT_NE(std::find(total.begin(), total.end(), "00 : 00 : 03 / 00 : 00 : 05"), total.end());
    // The end of the stream returns the window to rest.
    EXPECT_EQ(h.core.m_nPlayState, playback::kPaused);
    EXPECT_EQ(h.core.m_nPlaySpeed, 1);
    EXPECT_EQ(h.view.LastText(PlayerView::kOsd), "");
    EXPECT_EQ(h.view.LastText(PlayerView::kTotalTime), "00 : 00 : 00 / 00 : 00 : 05");
    EXPECT_EQ(h.view.LastLook(PlayerView::kPlayButton), (std::vector<int>{153, 154, 189, 154}));
}

TEST(PlayLoop, OsdFollowsTheChosenTimeFormat)
{
    PlaybackHarness h(OneChannel());
    h.Open();
    h.core.m_nTimeFormat = 6;
    h.core.Transport().OnPlay();
    h.WaitForEnd();
    const std::vector<std::string> osd = h.view.Texts(PlayerView::kOsd);
    EXPECT_NE(std::find(osd.begin(), osd.end(), "09/03/2010 08:05:07"), osd.end());
}

TEST(PlayLoop, StopsAfterTheLastKeyFrameAndRestartsFromTheStart)
{
    PlaybackHarness h(OneChannel());
    h.Open();
    h.core.Transport().OnPlay();
    h.WaitForEnd();
    const std::vector<Pushed> first = h.Frames();
    // Up to the key frame at 4 s, which is read but never followed by another frame.
    ASSERT_EQ(first.size(), 100u);
    EXPECT_EQ(first.back().msec, 960);
    EXPECT_EQ(first.back().f_time, kT0 + 3);

    h.core.Transport().OnPlay();
    h.WaitFor([&] { return h.Frames().size() >= 200; });
    h.WaitForEnd();
    const std::vector<Pushed> all = h.Frames();
    EXPECT_EQ(std::vector<Pushed>(all.begin() + 100, all.end()), first);
}

TEST(PlayLoop, IFrameOnlyShowsKeyFramesAtTheRecordedPace)
{
    PlaybackHarness h(OneChannel(), true);
    h.Open();
    h.core.m_bIFrameOnly = 1;
    const std::vector<Pushed> frames = h.PlayAtSpeed(1);
    ASSERT_EQ(frames.size(), 4u);
    for (const Pushed& f : frames)
        EXPECT_EQ(f.key, 1);
    for (int64_t gap : Gaps(frames))
        EXPECT_EQ(gap, 1000);
}

TEST(PlayLoop, AudioReachesTheDisplayOnlyAtNormalSpeed)
{
    RecordingBuilder b;
    b.VideoRun(0, kT0, 0, 125, 40, 25, 3000).AudioRun(0, kT0, 0, 250, 20, 160);
    for (int speed : {1, 2}) {
        PlaybackHarness h(b.Build(), true);
        h.Open();
        const std::vector<Pushed> frames = h.PlayAtSpeed(speed);
        const auto audio = std::count_if(frames.begin(), frames.end(), [](const Pushed& f) { return f.audio == 1; });
        // The volume is set before every audio frame, shown or not.
        const auto volumes = h.display.CallsOf(display::kSetVolume);
        const auto atEight = std::count_if(volumes.begin(), volumes.end(), [](auto& c) { return c.ints[0] == 8; });
        if (speed == 1) {
            EXPECT_GT(audio, 150);
        } else {
            EXPECT_EQ(audio, 0);
        }
        EXPECT_GT(atEight, 150) << "speed " << speed;
    }
}

TEST(PlayLoop, MutedAudioFramesGetVolumeZero)
{
    RecordingBuilder b;
    b.VideoRun(0, kT0, 0, 125, 40, 25, 3000).AudioRun(0, kT0, 0, 250, 20, 160);
    PlaybackHarness h(b.Build(), true);
    h.Open();
    h.core.Transport().OnSpeaker();
    h.display.Clear();
    h.PlayAtSpeed(1);
    const auto volumes = h.display.CallsOf(display::kSetVolume);
    EXPECT_GT(std::count_if(volumes.begin(), volumes.end(), [](auto& c) { return c.ints[0] == 0; }), 150);
}

TEST(PlayLoop, PrefixedFormatHandsOverWithoutTheBlock)
{
    PlaybackHarness h(OneChannel(25, 4), true);
    h.Open();
    const std::vector<Pushed> frames = h.PlayAtSpeed(32);
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames[0].len, 3000 - 52);
    const auto pushes = h.display.CallsOf(display::kPushFrame);
    // The first real frame starts with the stream's start code, right after the block.
    EXPECT_EQ(pushes[1].payload[3], 1);
    EXPECT_EQ(pushes[1].payload[4] & 0x1F, 7);
}

TEST(PlayLoop, ReverseStepsKeyFramesAndStopsAtTheFirstRecord)
{
    PlaybackHarness h(OneChannel(), true);
    h.Open();
    const std::vector<Pushed> frames = h.PlayAtSpeed(-1, 2);
    // From the key frame at 2 s: it, then the one at 1 s. The key frame at 0 s is the first
    // record of the run: it ends the stream instead of being handed over again and again.
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].f_time, kT0 + 2);
    EXPECT_EQ(frames[1].f_time, kT0 + 1);
    EXPECT_EQ(h.core.m_nPlayState, playback::kPaused);
    EXPECT_EQ(h.core.m_bAtEnd, 1);
    EXPECT_EQ(h.core.m_nPosSec, 0);
}

TEST(PlayLoop, ReverseStartsWithTheRecordAtItsPosition)
{
    PlaybackHarness h(OneChannel(), true);
    h.Open();
    h.core.Transport().OnPlay();
    h.WaitForSearch();
    // Straight onto a record that is not a key frame.
    h.core.m_nPlayState = playback::kReverse1;
    h.core.m_nPlaySpeed = -1;
    h.core.m_dwVideoPos[0] = h.recording.videoRecords[0][60];
    h.Start();
    h.WaitForEnd();
    const std::vector<Pushed> frames = h.Frames();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0], FrameOf(h.recording, h.recording.videoRecords[0][60], 0, 0));
    EXPECT_EQ(frames[1], FrameOf(h.recording, h.recording.videoRecords[0][50], 0, 0));
    EXPECT_EQ(frames[2], FrameOf(h.recording, h.recording.videoRecords[0][25], 0, 0));
}

} // namespace
} // namespace playbacktest
