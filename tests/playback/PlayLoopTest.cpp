#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "PlaybackHarness.h"
#include "display/DispId.h"
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

TEST(PlayLoop, PacesByStampsDividedBySpeed)
{
    struct Case {
        int speed;
        int64_t wait;
    };
    // 40 ms apart: 40 - 1 - 4 at 1x; at 8x 4 is not reduced; at 16x and 32x nothing is waited.
    for (const Case c : {Case{1, 35}, Case{2, 15}, Case{4, 5}, Case{8, 4}, Case{16, 0}, Case{32, 0}}) {
        PlaybackHarness h(OneChannel(), true);
        h.Open();
        const std::vector<Pushed> frames = h.PlayAtSpeed(c.speed);
        ASSERT_EQ(frames.size(), 100u) << "speed " << c.speed;
        for (int64_t gap : Gaps(frames))
            ASSERT_EQ(gap, c.wait) << "speed " << c.speed;
    }
}

TEST(PlayLoop, PacingSplitsAWaitAtTheSecondsBoundary)
{
    // Frames at 980 and 1020 ms: 20 ms to the end of the second, then 20 ms into the next,
    // each waited for separately (19 - 4 = 15 twice).
    RecordingBuilder b;
    b.VideoRun(0, kT0, 0, 125, 40, 25, 3000);
    BuiltRecording built = b.Build();
    for (size_t i = 0; i < built.videoRecords[0].size(); ++i) {
        recording::FrameRecord r = recording::FrameRecord::Parse(built.data.data() + built.videoRecords[0][i] - built.dataOffset);
        r.f_msec += 20;
        built.PatchRecord(built.videoRecords[0][i], r);
    }
    PlaybackHarness h(built, true);
    h.Open();
    const std::vector<Pushed> frames = h.PlayAtSpeed(1);
    const std::vector<int64_t> gaps = Gaps(frames);
    ASSERT_GT(gaps.size(), 30u);
    EXPECT_EQ(gaps[0], 35);  // 20 -> 60
    EXPECT_EQ(gaps[23], 35); // 940 -> 980
    EXPECT_EQ(gaps[24], 30); // 980 -> 1020 crosses the second
}

TEST(PlayLoop, ReverseWaitsAreNotReduced)
{
    struct Case {
        int speed;
        int64_t wait;
    };
    // Every frame a key frame, so reverse steps frame by frame within a second.
    for (const Case c : {Case{-1, 39}, Case{-4, 9}, Case{-8, 4}, Case{-16, 1}, Case{-32, 0}}) {
        PlaybackHarness h(OneChannel(1), true);
        h.Open();
        const std::vector<Pushed> frames = h.PlayAtSpeed(c.speed, 2);
        ASSERT_GT(frames.size(), 30u);
        EXPECT_GT(frames[0].msec, frames[1].msec);
        EXPECT_EQ(Gaps(frames)[1], c.wait) << "speed " << c.speed;
    }
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
        EXPECT_EQ(gap, 25 * 35);
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
