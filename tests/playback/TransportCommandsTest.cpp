#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "PlaybackHarness.h"
#include "display/DispId.h"
#include "recording/TimeConversion.h"

using playback::PlayerView;
using testsupport::RecordingBuilder;
using namespace playback;

namespace playbacktest {
namespace {

// 130 s at 10 frames a second with a key frame every second: slider maximum 128. The play
// thread is never started, so only the commands move the state.
struct Player {
    Player() : h(RecordingBuilder().VideoRun(0, kT0, 0, 1300, 100, 10, 600).Build(), true) { h.Open(); }

    TransportCommands& t() { return h.core.Transport(); }
    int32_t State() const { return h.core.m_nPlayState; }
    uint32_t Searches() const { return h.core.m_nSeekCount; }

    // Brings the player to a state the way a user would.
    void Reach(int32_t state)
    {
        t().OnPlay();
        h.WaitForSearch();
        if (state == kPaused)
            t().OnPlay();
        while (State() != state && IsFastForward(state))
            t().OnFf();
        while (State() != state && IsReverse(state))
            t().OnRew();
        h.WaitForSearch();
    }

    PlaybackHarness h;
};

TEST(Transport, EveryRowOfTheTransitionTable)
{
    struct Row {
        int32_t from;
        const char* command;
        int32_t state;
        int32_t speed;
        bool search;
    };
    const std::map<std::string, std::function<void(TransportCommands&)>> commands = {
        {"Play", [](auto& t) { t.OnPlay(); }}, {"ff", [](auto& t) { t.OnFf(); }},
        {"rew", [](auto& t) { t.OnRew(); }},   {"r", [](auto& t) { t.OnR(); }},
        {"f", [](auto& t) { t.OnF(); }},       {"slider", [](auto& t) { t.OnSeekSlider(4, true, 70); }},
    };
    const Row rows[] = {
        {kPaused, "Play", kPlay, 1, true},      {kPlay, "Play", kPaused, 0, false},
        {kFf4, "Play", kPaused, 4, false},      {kRew2, "Play", kPaused, 0, false},
        {kPaused, "ff", kPaused, 0, false},     {kPlay, "ff", kFf2, 2, false},
        {kFf16, "ff", kFf32, 32, false},        {kFf32, "ff", kFf2, 2, false},
        {kRew8, "ff", kFf2, 2, true},           {kPaused, "rew", kPaused, 0, false},
        {kPlay, "rew", kReverse1, -1, true},    {kFf2, "rew", kReverse1, -1, true},
        {kRew16, "rew", kRew32, -32, false},    {kRew32, "rew", kReverse1, -1, false},
        {kPaused, "f", kPaused, 0, false},      {kPlay, "f", kPlay, 1, true},
        {kFf8, "f", kFf8, 8, true},             {kRew4, "f", kRew4, -4, true},
        {kPaused, "slider", kPaused, 0, true},  {kPlay, "slider", kPlay, 1, true},
        {kReverse1, "slider", kReverse1, -1, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.from << " " << row.command);
        Player p;
        p.Reach(row.from);
        ASSERT_EQ(p.State(), row.from);
        const uint32_t before = p.Searches();
        commands.at(row.command)(p.t());
        p.h.WaitForSearch();
        EXPECT_EQ(p.State(), row.state);
        EXPECT_EQ(p.h.core.m_nPlaySpeed, row.speed);
        EXPECT_EQ(p.Searches() != before, row.search);
    }
}

TEST(Transport, CommandsNeedAnOpenRecordingAndFfRewTheFullWindowLayout)
{
    Player p;
    p.h.core.m_bFileOpened = 0;
    p.t().OnPlay();
    EXPECT_EQ(p.State(), kPaused);
    EXPECT_EQ(p.Searches(), 0u);
    p.h.core.m_bFileOpened = 1;
    p.Reach(kPlay);
    p.h.core.m_nDisplayMode = 1;
    p.t().OnFf();
    p.t().OnRew();
    EXPECT_EQ(p.State(), kPlay);
}

TEST(Transport, PlayResumesFromTheFrameOnScreenAndRestartsAfterTheEnd)
{
    Player p;
    p.Reach(kFf2);
    recording::SystemTime onScreen = recording::FTimeToSystemTime(kT0 + 42);
    onScreen.wMilliseconds = 300;
    p.h.core.m_ShownTime = onScreen;
    p.t().OnPlay();
    EXPECT_EQ(p.h.view.LastLook(PlayerView::kPlayButton), (std::vector<int>{153, 154, 189, 154}));
    p.t().OnPlay();
    EXPECT_EQ(p.h.core.m_SeekTarget.Load(), onScreen);
    EXPECT_EQ(p.h.core.m_nPlaySpeed, 1);
    EXPECT_EQ(p.h.view.LastLook(PlayerView::kPlayButton), (std::vector<int>{185, 185, 185, 185}));
    EXPECT_EQ(p.h.view.LastText(PlayerView::kSpeed), "");

    // After the end of the stream Play starts again from the first key frame.
    p.h.WaitForSearch();
    p.t().OnPlay();
    p.h.core.m_bAtEnd = 1;
    p.h.core.m_nPosSec = 90;
    p.t().OnPlay();
    EXPECT_EQ(p.h.core.m_SeekTarget.Load(), recording::FTimeToSystemTime(kT0));
    EXPECT_EQ(p.h.core.m_nPosSec, 0);
    EXPECT_EQ(p.h.core.m_bAtEnd, 0);
    EXPECT_EQ(p.h.core.m_dwVideoReq[0], p.h.recording.videoRecords[0][0]);
}

TEST(Transport, JumpsOf59SecondsStopAtTheEndsAndWaitForTheSearchBefore)
{
    struct Case {
        bool back;
        int posSec;
        int seekDone;
        int expected; // -1: no jump
    };
    const int max = 128;
    const Case cases[] = {{true, 58, 1, -1}, {true, 59, 1, 0}, {false, max - 59, 1, max}, {false, max - 58, 1, -1},
                          {true, 60, 0, -1}};
    for (const Case c : cases) {
        SCOPED_TRACE(testing::Message() << c.posSec << (c.back ? " back" : " on"));
        Player p;
        p.Reach(kPlay);
        ASSERT_EQ(p.h.core.m_nSeekMax, max);
        p.h.core.m_nPosSec = c.posSec;
        p.h.core.m_bSeekDone = c.seekDone;
        const uint32_t before = p.Searches();
        c.back ? p.t().OnR() : p.t().OnF();
        p.h.WaitForSearch();
        EXPECT_EQ(p.h.core.m_nPosSec, c.expected < 0 ? c.posSec : c.expected);
        EXPECT_EQ(p.Searches() != before, c.expected >= 0);
        if (c.expected >= 0)
            EXPECT_EQ(p.h.core.m_SeekTarget.Load(), recording::FTimeToSystemTime(kT0 + c.expected));
    }
}

TEST(Transport, TheSliderSearchesOnlyWhenReleasedAtANewPosition)
{
    struct Case {
        const char* name;
        int code;
        bool released;
        int seekDone, fileChosen, atEnd;
        int pos;
        bool search;
    };
    const Case cases[] = {
        {"released at a new position", 4, true, 1, 1, 0, 70, true},
        {"released behind, at the end of the stream", 4, true, 1, 1, 1, 20, true},
        {"another scroll report", 5, true, 1, 1, 0, 70, false},
        {"button still held", 4, false, 1, 1, 0, 70, false},
        {"a search still running", 4, true, 0, 1, 0, 70, false},
        {"file chosen flag not exactly 1", 4, true, 1, 2, 0, 70, false},
        {"released where it was", 4, true, 1, 1, 0, 40, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Player p;
        p.Reach(kPaused);
        p.h.core.m_nPosSec = 40;
        p.h.core.m_bSeekDone = c.seekDone;
        p.h.core.m_bFileChosen = c.fileChosen;
        p.h.core.m_bAtEnd = c.atEnd;
        p.h.display.Clear();
        const uint32_t before = p.Searches();
        p.t().OnSeekSlider(c.code, c.released, c.pos);
        p.h.WaitForSearch();
        EXPECT_EQ(p.Searches() != before, c.search);
        EXPECT_EQ(p.h.display.CallsOf(display::kFlush).size(), c.search ? 1u : 0u);
        if (!c.search)
            continue;
        const recording::SystemTime target = recording::FTimeToSystemTime(kT0 + c.pos);
        EXPECT_EQ(p.h.core.m_nPosSec, c.pos);
        EXPECT_EQ(p.h.core.m_SeekTarget.Load(), target);
        EXPECT_EQ(p.h.core.m_PosTime.Load(), target);
        EXPECT_EQ(p.h.core.m_ShownTime.Load(), target);
        EXPECT_EQ(p.h.core.m_bAtEnd, 0);
        EXPECT_EQ(p.State(), kPaused);
        // The estimate lies after the target second's key frame: the walk back meets that
        // key frame and stays on it.
        EXPECT_EQ(p.h.core.m_dwVideoPos[0], p.h.recording.videoRecords[0][c.pos * 10]);
    }
}

TEST(Transport, VolumeAndMute)
{
    Player p;
    p.h.display.Clear();
    p.t().OnVolumeSlider(TransportCommands::kEndTrack, 12);
    p.t().OnVolumeSlider(TransportCommands::kThumbPosition, 3); // only the end of a drag counts
    EXPECT_EQ(p.h.core.m_nVolume, 12);
    p.t().OnSpeaker();
    EXPECT_EQ(p.h.view.LastLook(PlayerView::kSpeakerMin), (std::vector<int>{168, 165, 168, 165}));
    p.t().OnVolumeSlider(TransportCommands::kEndTrack, 5); // muted: only stored
    p.t().OnSpeaker();
    EXPECT_EQ(p.h.view.LastLook(PlayerView::kSpeakerMin), (std::vector<int>{166, 167, 166, 167}));
    std::vector<int> volumes;
    for (const auto& c : p.h.display.CallsOf(display::kSetVolume))
        volumes.push_back(c.ints[0]);
    EXPECT_EQ(volumes, (std::vector<int>{12, 0, 5}));
    EXPECT_EQ(p.h.core.m_bSoundOn, 1);
}

} // namespace
} // namespace playbacktest
