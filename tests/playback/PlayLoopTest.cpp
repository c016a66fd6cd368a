#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <random>
#include <thread>

#include "PlaybackHarness.h"
#include "display/DispId.h"
#include "recording/TimeConversion.h"
#include "recording/TimeText.h"

using playback::PlayerView;
using testsupport::BuiltRecording;
using testsupport::RecordingBuilder;
using Kind = testsupport::RecordingView::Kind;

namespace playbacktest {
namespace {

// One channel, 40 ms frames with a key frame every gop frames: 5 s.
BuiltRecording OneChannel(int gop = 25, uint8_t format = 2)
{
    return RecordingBuilder().VideoFormat(format).VideoRun(0, kT0, 0, 125, 40, gop, 3000).Build();
}

// Two video channels 20 ms apart and audio on channel 0.
BuiltRecording TwoChannelsAndAudio(int frames = 100)
{
    return RecordingBuilder()
        .VideoRun(0, kT0, 0, frames, 40, 25, 2000)
        .VideoRun(1, kT0, 20, frames, 40, 25, 2000)
        .AudioRun(0, kT0, 0, frames * 2, 20, 160)
        .Build();
}

int64_t StampOf(const Pushed& f) { return int64_t{f.f_time - kT0} * 1000 + f.msec; }

TEST(PlayLoop, MergesChannelsAndAudioByStampAndCountsTheSeconds)
{
    // With its play thread already running, as after an open in the window.
    PlaybackHarness h(TwoChannelsAndAudio());
    ASSERT_TRUE(h.Open().messages.empty());
    h.view.Clear();
    const std::vector<Pushed> frames = h.PlayAtSpeed(1);

    // Every record to the end of each channel, ordered by stamp; equal stamps in channel
    // order, video before audio.
    std::vector<std::pair<int64_t, Pushed>> all;
    const BuiltRecording& r = h.recording;
    for (int ch = 0; ch < 2; ++ch) {
        for (size_t i = 0; i < r.videoRecords[ch].size(); ++i)
            all.push_back({(ch * 20 + i * 40) * 4 + ch * 2, FrameOf(r, r.videoRecords[ch][i], ch, 0)});
    }
    for (size_t i = 0; i < r.audioRecords[0].size(); ++i)
        all.push_back({i * 20 * 4 + 1, FrameOf(r, r.audioRecords[0][i], 0, 1)});
    std::stable_sort(all.begin(), all.end(), [](auto& a, auto& b) { return a.first < b.first; });
    std::vector<Pushed> expected;
    for (const auto& [stamp, frame] : all)
        expected.push_back(frame);
    EXPECT_EQ(frames, expected);
    // The display is reset once, before the first frame.
    const auto pushes = h.display.CallsOf(display::kPushFrame);
    ASSERT_FALSE(pushes.empty());
    EXPECT_EQ(pushes[0].ints, (std::vector<int32_t>{0, 0, 0, 0, 0, -1}));
    EXPECT_EQ(std::count_if(pushes.begin(), pushes.end(), [](auto& c) { return c.ints[5] == -1; }), 1);

    // The seconds are counted for the jumps; the window's time is the picture's, not the loop's.
    EXPECT_EQ(h.core.m_nPosSec, 3);
    EXPECT_TRUE(h.view.Texts(PlayerView::kOsd).empty() && h.view.CallsOf(Kind::SeekPos).empty());
    // Every audio frame goes at the volume set (8 unless changed), the last one too.
    const auto volumes = h.display.CallsOf(display::kSetVolume);
    EXPECT_TRUE(volumes.size() > 150 && std::all_of(volumes.begin(), volumes.end(), [](auto& v) { return v.ints[0] == 8; }));
    // The end of the stream returns the window to rest.
    EXPECT_EQ(h.core.m_nPlaySpeed, 1);
}

TEST(PlayLoop, PacesByTheRecordedClockDividedBySpeed)
{
    // Every hand-over is due at the first one's time plus the recorded time since then
    // divided by the speed (on the virtual clock a hand-over itself takes no time), across
    // second boundaries too. Reverse shows key frames, 40 ms, 1 s or 2 s apart: Rew NX covers
    // N recorded seconds a second whatever the GOP. I-frame only hands over the five key
    // frames a second apart.
    struct Case {
        int speed, gop;
        size_t frames; // at least
    };
    const Case cases[] = {{1, 25, 120},  {2, 25, 120}, {4, 25, 120}, {8, 25, 120},  {16, 25, 120}, {32, 25, 120},
                          {-1, 1, 70},   {-4, 1, 70},  {-8, 1, 70},  {-16, 1, 70},  {-32, 1, 70},  {-1, 25, 3},
                          {-32, 25, 3},  {-1, 50, 2},  {-8, 50, 2},  {-32, 50, 2},  {0, 25, 5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.speed << "x, GOP " << c.gop);
        PlaybackHarness h(OneChannel(c.gop), true);
        h.Open();
        h.core.m_bIFrameOnly = c.speed == 0;
        const std::vector<Pushed> frames = h.PlayAtSpeed(c.speed == 0 ? 1 : c.speed, c.speed < 0 ? 3 : 0);
        ASSERT_GE(frames.size(), c.frames);
        for (size_t i = 1; i < frames.size(); ++i) {
            ASSERT_EQ(frames[i].at - frames[0].at, std::llabs(StampOf(frames[i]) - StampOf(frames[0])) / std::max(1, std::abs(c.speed)))
                << "frame " << i;
        }
        if (c.speed == 0) {
            EXPECT_TRUE(frames.size() == 5 && std::all_of(frames.begin(), frames.end(), [](auto& f) { return f.key == 1; }));
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
    const std::vector<Pushed> frames = h.PlayAtSpeed(1);
    ASSERT_GT(frames.size(), 60u);
    for (size_t i = 1; i < frames.size(); ++i)
        ASSERT_EQ(frames[i].at - frames[i - 1].at, i == 50 ? 60 : 40) << "gap " << i;
}

TEST(PlayLoop, AStallStartsANewRunInsteadOfRushingToCatchUp)
{
    // The wait after frame 10 stalls 3 s (and 1 ms more): the run starts anew after the
    // stall instead of rushing through three seconds. The real-clock test watches the
    // catch-up after small delays.
    PlaybackHarness h(OneChannel(), true);
    h.Open();
    h.gate.CloseWhen([&h] { return h.Frames().size() == 11; });
    std::thread stall([&h] {
        h.gate.WaitUntilHeld();
        h.gate.Sleep(3000);
        h.gate.Open();
    });
    const std::vector<Pushed> frames = h.PlayAtSpeed(1);
    stall.join();
    ASSERT_EQ(frames.size(), 125u);
    for (size_t i = 11; i < frames.size(); ++i)
        ASSERT_EQ(frames[i].at - frames[0].at, int64_t(40 * i) + 2961) << "frame " << i;
}

TEST(PlayLoop, APauseOrAnOpenInsideAWaitEndsTheTurnAtOnce)
{
    // The play thread is held inside the wait after the frame at 960 ms, before the texts
    // and the slider of the second that ends with it. A pause or an open lands there: the
    // wait must end at its next check, the turn without that second's texts, and after an
    // open the first frame handed over must come from the new recording (its frames are
    // smaller), not the old one's frame read ahead.
    const BuiltRecording other = RecordingBuilder().VideoRun(0, kT0, 0, 250, 40, 25, 2000).ChCount(4).Build();
    for (const bool open : {false, true}) {
        SCOPED_TRACE(open ? "open" : "pause");
        PlaybackHarness h(OneChannel(), true);
        h.Open();
        h.gate.CloseWhen([&h] { return h.Frames().size() == 25; });
        h.Play();
        h.gate.WaitUntilHeld();
        h.view.Clear();
        other.Write(h.dir.File("other.vrc"));
        std::thread command([&] {
            if (!open)
                return h.core.Transport().OnPlay();
            h.core.Open().FinishFileOpen(h.core.Open().OnFileChosen(h.dir.File("other.vrc")));
        });
        h.WaitFor([&h] { return h.core.m_nPlayState == playback::kPaused; });
        h.gate.Open();
        command.join();

        EXPECT_EQ(h.gate.SleepsAfterOpen(), 0);
        EXPECT_EQ(h.Frames().size(), 25u);
        EXPECT_EQ(h.core.m_nPosSec, 0);
        const std::vector<std::string> osd = h.view.Texts(PlayerView::kOsd);
        EXPECT_TRUE(std::all_of(osd.begin(), osd.end(), [](auto& t) { return t.empty(); }));
        for (const auto& position : h.view.CallsOf(Kind::SeekPos))
            EXPECT_EQ(position.ints, std::vector<int>{0});
        // A pause leaves the elapsed time as it was; an open names the new total.
        EXPECT_EQ(h.view.LastText(PlayerView::kTotalTime), open ? "00 : 00 : 00 / 00 : 00 : 10" : "");
        if (open) {
            h.core.Transport().OnPlay();
            h.WaitFor([&h] { return h.Frames().size() >= 30; });
            const std::vector<Pushed> frames = h.Frames();
            EXPECT_EQ(frames[25], FrameOf(other, other.videoRecords[0][0], 0, 0));
        }
        h.StopPlaying();
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
        bool audio, offset;
        int speed;
    };
    const Case cases[] = {{4, true, false, 1}, {16, false, true, 1}, {16, false, true, 2}, {4, true, true, 4}, {16, false, false, 8}};
    std::vector<std::vector<Pushed>> played(std::size(cases));
    std::vector<std::thread> players;
    for (size_t i = 0; i < std::size(cases); ++i) {
        players.emplace_back([&c = cases[i], &frames = played[i]] {
            RecordingBuilder b;
            for (int k = 0; k < c.channels; ++k) {
                // 20 s and the key frame at 20 s that ends the run.
                b.VideoRun(k, kT0, c.offset ? k * 40 / 16 : 0, 501, 40, 25, 400);
                if (c.audio)
                    b.AudioRun(k, kT0, 0, 1000, 20, 160);
            }
            PlaybackHarness h(b.Build(), true, true);
            h.Open();
            frames = h.PlayAtSpeed(c.speed);
        });
    }
    for (std::thread& t : players)
        t.join();
    const double msPerTick = 1000.0 / static_cast<double>(platform::SteadyClock().Frequency());
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        const std::vector<Pushed>& frames = played[i];
        ASSERT_GT(frames.size(), static_cast<size_t>(c.channels * 400));
        const auto recorded = static_cast<double>(StampOf(frames.back()) - StampOf(frames.front()));
        const double wall = static_cast<double>(frames.back().at - frames.front().at) * msPerTick;
        EXPECT_NEAR(wall, recorded / c.speed, recorded / c.speed * (c.speed == 1 ? 0.005 : 0.05))
            << c.channels << " channels at " << c.speed << "x: " << recorded << " ms recorded in " << wall << " ms";
    }
}

TEST(PlayLoop, FrameStepsMoveTheWholeWallToTheCurrentChannelsNextOrPreviousFrame)
{
    // Paused inside the pacing wait between the video frames at 980 ms (channel 1) and
    // 1000 ms (channel 0), with the frame at 1000 ms read ahead. A step on hands over every
    // video record up to the current channel's next frame (sound is dropped while paused); a
    // step back shows every channel at the current channel's frame before the one on screen,
    // decoded from each channel's key frame before it. Play then goes on from there.
    PlaybackHarness h(TwoChannelsAndAudio(), true);
    h.Open();
    playback::TransportCommands& t = h.core.Transport();
    h.gate.CloseWhen([&h] { return h.Frames().size() >= 100; });
    h.Play();
    h.gate.WaitUntilHeld();
    t.OnStepForward(); // ignored while playing
    EXPECT_EQ(h.core.m_nStepRequest, 0);
    std::thread pause([&t] { t.OnPlay(); });
    h.WaitFor([&h] { return h.core.m_nPlayState == playback::kPaused; });
    h.gate.Open();
    pause.join();

    const BuiltRecording& r = h.recording;
    ASSERT_EQ(h.Frames().back(), FrameOf(r, r.videoRecords[1][24], 1, 0));
    // Channel 0 at 0, 40, 80 ms..., channel 1 20 ms later; key frames every 25 frames.
    struct Run {
        int ch, first, last;
    };
    struct Step {
        int direction, current;
        std::vector<Run> pushed;
    };
    const Step steps[] = {{1, 0, {{0, 25, 25}}},           {1, 1, {{1, 25, 25}}},
                          {1, 0, {{0, 26, 26}}},           {-1, 0, {{0, 25, 25}, {1, 0, 24}}},
                          {-1, 0, {{0, 0, 24}, {1, 0, 23}}}, {1, 1, {{1, 24, 24}}}};
    for (size_t i = 0; i < std::size(steps); ++i) {
        SCOPED_TRACE(testing::Message() << "step " << i);
        const Step& step = steps[i];
        std::vector<Pushed> expected;
        Pushed shown{};
        for (const Run& run : step.pushed) {
            for (int k = run.first; k <= run.last; ++k)
                expected.push_back(FrameOf(r, r.videoRecords[run.ch][k], run.ch, 0));
            if (run.ch == step.current)
                shown = expected.back();
        }
        const size_t before = h.Frames().size();
        h.view.Clear();
        h.display.SetResult(display::kCurrentChannel, step.current);
        step.direction > 0 ? t.OnStepForward() : t.OnStepBack();
        h.WaitFor([&h] { return !h.view.CallsOf(Kind::SeekPos).empty(); });
        const std::vector<Pushed> frames = h.Frames();
        EXPECT_EQ(std::vector<Pushed>(frames.begin() + static_cast<ptrdiff_t>(before), frames.end()), expected);
        recording::SystemTime time = recording::FTimeToSystemTime(shown.f_time);
        time.wMilliseconds = static_cast<uint16_t>(shown.msec);
        EXPECT_EQ(h.core.m_ShownTime.Load(), time);
        EXPECT_EQ(h.core.m_nPlayState, playback::kPaused);
    }
    const uint32_t searches = h.core.m_nSeekCount;
    const size_t stepped = h.Frames().size();
    t.OnPlay();
    h.WaitFor([&h] { return h.core.m_bAtEnd == 1; });
    EXPECT_EQ(h.core.m_nSeekCount, searches);
    EXPECT_EQ(h.Frames().at(stepped), FrameOf(r, r.videoRecords[0][25], 0, 0));
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

// Records whose headers lie never crash, hang or read past a buffer: forward and reverse
// play end the stream, whatever they hand over on the way.
TEST(PlayLoop, RecordsWithLyingHeadersStillEndTheStream)
{
    const auto patch = [](BuiltRecording& b, int ch, int index, const std::function<void(recording::FrameRecord&)>& lie) {
        const uint32_t at = b.videoRecords[ch][index];
        recording::FrameRecord r = recording::FrameRecord::Parse(b.data.data() + at - b.dataOffset);
        lie(r);
        b.PatchRecord(at, r);
    };
    struct Lie {
        const char* name;
        std::function<void(BuiltRecording&)> apply;
    };
    const Lie lies[] = {
        {"size far past the run", [&](BuiltRecording& b) { patch(b, 0, 30, [](auto& r) { r.f_size = 0x7FFFFFF0; }); }},
        {"back link into another run",
         [&](BuiltRecording& b) {
             const uint32_t into = b.videoRecords[0][50];
             patch(b, 1, 60, [&](auto& r) { r.f_prevSize = b.videoRecords[1][60] - into - 20; });
         }},
        {"back link before the file", [&](BuiltRecording& b) { patch(b, 0, 70, [](auto& r) { r.f_prevSize = 0xFFFFFF00; }); }},
        {"stamps out of order",
         [&](BuiltRecording& b) {
             std::mt19937 random(7);
             for (int i = 1; i < 100; ++i)
                 patch(b, 0, i, [&](auto& r) { r.f_msec = random(); r.f_time += static_cast<int32_t>(random() % 5) - 2; });
         }},
        {"truncated last record", [](BuiltRecording& b) { b.data.resize(b.data.size() - 100); }},
        {"run ends far past the file",
         [](BuiltRecording& b) { b.header.videoCh[0].endPos = b.header.audioCh[0].endPos = 0x7FFF0000; }},
    };
    for (const Lie& lie : lies) {
        for (int speed : {1, 32, -1, -32}) {
            SCOPED_TRACE(testing::Message() << lie.name << " at " << speed);
            BuiltRecording built = TwoChannelsAndAudio(125);
            lie.apply(built);
            PlaybackHarness h(built, true);
            h.Open();
            ASSERT_EQ(h.core.m_bFileOpened, 1);
            for (const Pushed& f : h.PlayAtSpeed(speed, speed < 0 ? 3 : 0))
                ASSERT_TRUE(f.len >= 0 && f.len <= 131072);
            EXPECT_EQ(h.core.m_nPlayState, playback::kPaused);
        }
    }
}

// vrc-tool frames prints what the play loop hands over: one line per frame, plain or JSON.
TEST(FramesCommand, ListsTheFramesShownAtEachSpeedAndRefusesUnknownOnes)
{
    testsupport::TempDir dir;
    const std::string path = dir.File("r.vrc");
    testsupport::RecordingBuilder().VideoRun(0, kT0, 0, 125, 40, 25, 3000).AudioRun(0, kT0, 0, 250, 20, 160).Build().Write(path);
    struct Case {
        std::string arguments;
        int status;
        size_t lines;
        std::vector<std::string> first; // the first lines printed
    };
    const Case cases[] = {
        // Every one of the 125 video and 250 audio frames.
        {path, 0, 125 + 250,
         {" 0 0 1268121907 000 1    3000 2010-03-09 08:05:07", " 0 1 1268121907 000 0     160 2010-03-09 08:05:07"}},
        {"--json " + path + " --limit 2 --speed 2", 0, 2, {}},
        {path + " --speed -4 --from 2", 0, 3,
         {" 0 0 1268121909 000 1    3000 2010-03-09 08:05:09", " 0 0 1268121908 000 1    3000 2010-03-09 08:05:08"}},
        {path + " --iframe-only --speed 32", 0, 5, {}},
        {path + " --speed 3", 2, 0, {}},
        {"--speed 2", 2, 0, {}},
    };
    const char* build = std::getenv("KELVORA_BUILD_DIR");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        const std::string command = std::string(build ? build : ".") + "/bin/vrc-tool frames " + c.arguments + " 2>/dev/null";
        FILE* out = popen(command.c_str(), "r");
        ASSERT_NE(out, nullptr);
        std::vector<std::string> lines;
        char line[512];
        while (std::fgets(line, sizeof line, out))
            lines.emplace_back(line, std::strcspn(line, "\n"));
        EXPECT_EQ(WEXITSTATUS(pclose(out)), c.status);
        EXPECT_EQ(lines.size(), c.lines);
        lines.resize(std::min(lines.size(), c.first.size()));
        EXPECT_EQ(lines, c.first);
    }
}

} // namespace
} // namespace playbacktest
