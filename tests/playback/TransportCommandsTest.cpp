#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "PlaybackHarness.h"
#include "display/DispId.h"
#include "recording/TimeConversion.h"

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

TEST(Transport, EachCommandMovesStateSpeedAndPositionAndSearchesOnlyWhereItShould)
{
    // The position stands at 40 s of 128 unless a row sets it. A jump needs the search before
    // it done, and so does a slider move, which counts only as a release at a new position.
    struct Row {
        int32_t from;
        const char* command;
        int32_t state, speed;
        bool search;
        int posSec = 40, posAfter = -1; // -1: the position stays
        int seekDone = 1, atEnd = 0;
    };
    const std::map<std::string, std::function<void(TransportCommands&)>> commands = {
        {"Play", [](auto& t) { t.OnPlay(); }},
        {"ff", [](auto& t) { t.OnFf(); }},
        {"rew", [](auto& t) { t.OnRew(); }},
        {"r", [](auto& t) { t.OnR(); }},
        {"f", [](auto& t) { t.OnF(); }},
        {"slider to 70", [](auto& t) { t.OnSeekSlider(TransportCommands::kThumbPosition, true, 70); }},
        {"slider to 20", [](auto& t) { t.OnSeekSlider(TransportCommands::kThumbPosition, true, 20); }},
        {"slider to 40", [](auto& t) { t.OnSeekSlider(TransportCommands::kThumbPosition, true, 40); }},
        {"slider scroll", [](auto& t) { t.OnSeekSlider(TransportCommands::kThumbPosition + 1, true, 70); }},
    };
    const Row rows[] = {
        {kPaused, "Play", kPlay, 1, true},        {kPlay, "Play", kPaused, 0, false},
        {kFf4, "Play", kPaused, 4, false},        {kRew2, "Play", kPaused, 0, false},
        {kPaused, "ff", kPaused, 0, false},       {kPlay, "ff", kFf2, 2, false},
        {kFf16, "ff", kFf32, 32, false},          {kFf32, "ff", kFf2, 2, false},
        {kRew8, "ff", kFf2, 2, true},             {kPaused, "rew", kPaused, 0, false},
        {kPlay, "rew", kReverse1, -1, true},      {kRew16, "rew", kRew32, -32, false},
        {kRew32, "rew", kReverse1, -1, false},    {kPaused, "f", kPaused, 0, false},
        {kPlay, "f", kPlay, 1, true, 40, 99},     {kRew4, "f", kRew4, -4, true, 40, 99},
        {kPlay, "r", kPlay, 1, false, 58},        {kPlay, "r", kPlay, 1, true, 59, 0},
        {kPlay, "f", kPlay, 1, true, 128 - 59, 128}, {kPlay, "f", kPlay, 1, false, 128 - 58},
        {kPlay, "r", kPlay, 1, false, 60, -1, 0},
        {kPaused, "slider to 70", kPaused, 0, true, 40, 70},
        {kReverse1, "slider to 70", kReverse1, -1, true, 40, 70},
        {kPaused, "slider to 20", kPaused, 0, true, 40, 20, 1, 1}, // behind, at the end of the stream
        {kPaused, "slider scroll", kPaused, 0, false},
        {kPaused, "slider to 70", kPaused, 0, false, 40, -1, 0},
        {kPaused, "slider to 40", kPaused, 0, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.from << " " << row.command << " at " << row.posSec);
        Player p;
        p.Reach(row.from);
        ASSERT_EQ(p.State(), row.from);
        ASSERT_EQ(p.h.core.m_nSeekMax, 128);
        p.h.core.m_nPosSec = row.posSec;
        p.h.core.m_bSeekDone = row.seekDone;
        p.h.core.m_bAtEnd = row.atEnd;
        p.h.display.Clear();
        const uint32_t before = p.Searches();
        commands.at(row.command)(p.t());
        p.h.WaitForSearch();
        EXPECT_EQ(p.State(), row.state);
        EXPECT_EQ(p.h.core.m_nPlaySpeed, row.speed);
        EXPECT_EQ(p.Searches() != before, row.search);
        EXPECT_EQ(p.h.core.m_nPosSec, row.posAfter < 0 ? row.posSec : row.posAfter);
        const bool slider = std::string(row.command).starts_with("slider");
        // Only a slider move drops the frames the display holds.
        if (slider)
            EXPECT_EQ(p.h.display.CallsOf(display::kFlush).size(), row.search ? 1u : 0u);
        if (row.posAfter < 0)
            continue;
        const recording::SystemTime target = recording::FTimeToSystemTime(kT0 + row.posAfter);
        EXPECT_EQ(p.h.core.m_SeekTarget.Load(), target);
        EXPECT_EQ(p.h.core.m_PosTime.Load(), target);
        EXPECT_EQ(p.h.core.m_bAtEnd, 0);
        // The estimate lies after the target second's key frame: the walk back meets that
        // key frame and stays on it.
        if (slider)
            EXPECT_EQ(p.h.core.m_dwVideoPos[0], p.h.recording.videoRecords[0][row.posAfter * 10]);
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

// Restarting after the end of the stream is checked through the real window.
TEST(Transport, PlayResumesFromTheFrameOnScreen)
{
    Player p;
    p.Reach(kFf2);
    recording::SystemTime onScreen = recording::FTimeToSystemTime(kT0 + 42);
    onScreen.wMilliseconds = 300;
    p.h.core.m_ShownTime = onScreen;
    p.t().OnPlay();
    p.t().OnPlay();
    EXPECT_EQ(p.h.core.m_SeekTarget.Load(), onScreen);
}

TEST(Transport, VolumeAndMute)
{
    Player p;
    p.h.display.Clear();
    p.t().OnVolumeSlider(TransportCommands::kEndTrack, 12);
    p.t().OnVolumeSlider(TransportCommands::kThumbPosition, 3); // only the end of a drag counts
    EXPECT_EQ(p.h.core.m_nVolume, 12);
    p.t().OnSpeaker();
    p.t().OnVolumeSlider(TransportCommands::kEndTrack, 5); // muted: only stored
    p.t().OnSpeaker();
    std::vector<int> volumes;
    for (const auto& c : p.h.display.CallsOf(display::kSetVolume))
        volumes.push_back(c.ints[0]);
    EXPECT_EQ(volumes, (std::vector<int>{12, 0, 5}));
    EXPECT_EQ(p.h.core.m_bSoundOn, 1);
}

} // namespace
} // namespace playbacktest
