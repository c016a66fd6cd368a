#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "PlaybackHarness.h"
#include "display/DispId.h"
#include "recording/TimeConversion.h"

using recording::RecordingError;
using testsupport::BuiltRecording;
using testsupport::RecordingBuilder;
using Kind = testsupport::RecordingView::Kind;
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
        int32_t layout = 3, opened = 1; // ff and rew act only in the full layout
    };
    const std::map<std::string, std::function<void(TransportCommands&)>> commands = {
        {"Play", [](auto& t) { t.OnPlay(); }}, {"ff", [](auto& t) { t.OnFf(); }},
        {"rew", [](auto& t) { t.OnRew(); }},   {"r", [](auto& t) { t.OnR(); }},
        {"f", [](auto& t) { t.OnF(); }},
        {"slider to 70", [](auto& t) { t.OnSeekSlider(TransportCommands::kThumbPosition, true, 70); }},
        {"slider to 20", [](auto& t) { t.OnSeekSlider(TransportCommands::kThumbPosition, true, 20); }},
        {"slider to 40", [](auto& t) { t.OnSeekSlider(TransportCommands::kThumbPosition, true, 40); }},
        {"slider scroll", [](auto& t) { t.OnSeekSlider(TransportCommands::kThumbPosition + 1, true, 70); }},
    };
    const Row rows[] = {
        {kPaused, "Play", kPlay, 1, true},        {kPlay, "Play", kPaused, 0, false},
        {kFf4, "Play", kPaused, 4, false},
        {kPaused, "ff", kPaused, 0, false},       {kPlay, "ff", kFf2, 2, false},
        {kFf16, "ff", kFf32, 32, false},          {kFf32, "ff", kFf2, 2, false},
        {kRew8, "ff", kFf2, 2, true},             {kPaused, "rew", kPaused, 0, false},
        {kPlay, "rew", kReverse1, -1, true},      {kRew16, "rew", kRew32, -32, false},
        {kRew32, "rew", kReverse1, -1, false},    {kPaused, "f", kPaused, 0, false},
        {kPlay, "f", kPlay, 1, true, 40, 99},
        {kPlay, "r", kPlay, 1, false, 58},        {kPlay, "r", kPlay, 1, true, 59, 0},
        {kPlay, "f", kPlay, 1, true, 128 - 59, 128}, {kPlay, "f", kPlay, 1, false, 128 - 58},
        {kPlay, "r", kPlay, 1, false, 60, -1, 0},
        {kPaused, "slider to 70", kPaused, 0, true, 40, 70},
        {kPaused, "slider to 20", kPaused, 0, true, 40, 20, 1, 1}, // behind, at the end of the stream
        {kPaused, "slider scroll", kPaused, 0, false},
        {kPaused, "slider to 70", kPaused, 0, false, 40, -1, 0},
        {kPaused, "slider to 40", kPaused, 0, false},
        {kPlay, "ff", kPlay, 1, false, 40, -1, 1, 0, 1},   {kPlay, "rew", kPlay, 1, false, 40, -1, 1, 0, 1},
        {kPaused, "Play", kPaused, 0, false, 40, -1, 1, 0, 3, 0},
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
        p.h.core.m_nDisplayMode = row.layout;
        p.h.core.m_bFileOpened = row.opened;
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

TEST(Transport, VolumeAndMute)
{
    Player p;
    p.h.display.Clear();
    p.t().OnVolumeSlider(TransportCommands::kEndTrack, 12);
    p.t().OnVolumeSlider(TransportCommands::kThumbPosition, 3); // only the end of a drag counts
    p.t().OnSpeaker();
    p.t().OnVolumeSlider(TransportCommands::kEndTrack, 5); // muted: only stored
    p.t().OnSpeaker();
    std::vector<int> volumes;
    for (const auto& c : p.h.display.CallsOf(display::kSetVolume))
        volumes.push_back(c.ints[0]);
    EXPECT_EQ(volumes, (std::vector<int>{12, 0, 5}));
    EXPECT_EQ(p.h.core.m_bSoundOn, 1);
}

BuiltRecording FiveSeconds() { return RecordingBuilder().VideoRun(0, kT0, 0, 125, 40, 25, 3000).Build(); }

TEST(PlayerCore, ResetToIdleReturnsEveryPartOfTheWindowToRest)
{
    PlaybackHarness h(FiveSeconds(), true);
    playback::PlayerCore& core = h.core;
    const int buttons[] = {PlayerView::kPlayButton, PlayerView::kR,        PlayerView::kRew,        PlayerView::kF,
                           PlayerView::kFf,         PlayerView::kFileOpen, PlayerView::kPrint,      PlayerView::kSpeakerMin,
                           PlayerView::kSpeakerMax, PlayerView::kMinimize, PlayerView::kMaximize,   PlayerView::kExit};
    const std::pair<int, std::string> texts[] = {{PlayerView::kOsd, ""},
                                                 {PlayerView::kSpeed, ""},
                                                 {PlayerView::kTotalTime, "00 : 00 : 00 / 01 : 02 : 03"},
                                                 {PlayerView::kVer, "Ver 1.1.0.2"},
                                                 {PlayerView::kName, "Kelvora Player"}};
    // The core's state away from rest first, as playing at speed leaves it.
    core.m_nDisplayMode = 1;
    core.m_nVolume = 5;
    core.m_TotalTime.wHour = 1;
    core.m_TotalTime.wMinute = 2;
    core.m_TotalTime.wSecond = 3;
    h.view.Clear();
    h.display.Clear();

    core.ResetToIdle();
    EXPECT_EQ(core.m_nDisplayMode, 3);
    for (const int b : buttons)
        EXPECT_EQ(h.view.CallsOf(Kind::Look, b).size(), 1u) << "button " << b;
    EXPECT_EQ(h.view.CallsOf(Kind::Look, PlayerView::kPlayButton).back().ints, (std::vector<int>{153, 154, 189, 154}));
    for (const auto& [control, text] : texts)
        EXPECT_EQ(h.view.Texts(control), std::vector<std::string>{text}) << "control " << control;
    EXPECT_EQ(h.view.CallsOf(Kind::Show, PlayerView::kSearching).at(0).ints, std::vector<int>{0});
    EXPECT_EQ(h.view.CallsOf(Kind::RepaintSeek).size(), 1u);
    EXPECT_EQ(h.view.CallsOf(Kind::RepaintDisplay).size(), 1u);
    EXPECT_EQ(h.display.CallsOf(display::kSetVolume).at(0).ints, std::vector<int32_t>{5});
    EXPECT_EQ(h.display.CallsOf(display::kFlush).size(), 1u);
}

TEST(OpenCommand, FailuresReturnTheirMessagesAndLeaveTheWindowEmpty)
{
    struct Case {
        const char* name;
        std::function<void(BuiltRecording&)> spoil;
        std::vector<RecordingError> messages;
    };
    // A file shorter than a header is refused through the real window.
    const Case cases[] = {
        {"unknown version", [](BuiltRecording& b) { b.header.version = 3; }, {RecordingError::C1003}},
        {"no video channel", [](BuiltRecording& b) { b.header.videoMask = 0x10000; }, {RecordingError::C1006}},
        {"run too short for the scan", [](BuiltRecording& b) { b.header.videoCh[0].endPos = b.header.videoCh[0].startPos + 60000; },
         {RecordingError::C1008, RecordingError::C1007}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BuiltRecording built = FiveSeconds();
        c.spoil(built);
        PlaybackHarness h(built, true);
        const FileOpenResult r = h.Open();
        EXPECT_EQ(r.messages, c.messages);
        EXPECT_EQ(r.after, FileOpenResult::After::ClearViewAndOsd);
        EXPECT_FALSE(h.core.m_hReadFile.IsSet() || h.core.m_hReadFile2.IsSet() || h.core.m_hReadFile3.IsSet());
        EXPECT_EQ(h.core.m_bFileChosen, 0);
        for (const int control : {PlayerView::kSpeed, PlayerView::kPathBox, PlayerView::kOsd})
            EXPECT_EQ(h.view.LastText(control), "") << control;
        EXPECT_EQ(h.view.LastText(PlayerView::kTotalTime), "00 : 00 : 00 / 00 : 00 : 00");
    }
}

// The slider's maximum and the total time after an open are checked through the real window.
TEST(OpenCommand, AnOpenIsAtRestAndASecondOneKeepsThePlayThread)
{
    PlaybackHarness h(FiveSeconds());
    EXPECT_TRUE(h.Open("one.vrc").messages.empty());
    const auto ranges = h.view.CallsOf(Kind::SeekRange);
    ASSERT_EQ(ranges.size(), 1u);
    EXPECT_EQ(ranges[0].ints, (std::vector<int>{0, 3}));
    EXPECT_EQ(h.core.m_dwVideoPos[0], h.recording.videoRecords[0][0]);
    const std::thread::id first = h.core.m_hPlayThread.Id();
    h.core.Transport().OnPlay();
    h.Open("two.crv");
    EXPECT_EQ(h.core.m_hPlayThread.Id(), first);
    EXPECT_NE(first, std::thread::id());
    EXPECT_EQ(h.core.m_nPlayState, playback::kPaused);
    EXPECT_EQ(h.core.m_bFirstFrame, 1);
}

TEST(OpenCommand, ConfiguresTheDisplayForTheRecordingsChannels)
{
    struct Case {
        const char* name;
        int chCount;
        int channels;                // video channels 0..channels-1
        int32_t channelCount;        // SetChannelCount argument
        std::vector<int32_t> layout; // SetLayout arguments, empty for none
        int titled;                  // channels given their names
    };
    const Case cases[] = {
        {"one channel alone", 1, 1, 4, {0, 1}, 1},     {"one of two channels", 1, 2, 4, {}, 0},
        {"two with nine recorded", 2, 9, 16, {2, 1}, 0}, {"two with five recorded", 2, 5, 8, {2, 1}, 0},
        {"five", 5, 5, 5, {2, 4}, 5},                   {"nine", 9, 9, 9, {2, 9}, 9},
        {"twelve", 12, 12, 12, {2, 16}, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingBuilder b;
        b.ChCount(static_cast<uint8_t>(c.chCount));
        for (int k = 0; k < c.channels; ++k)
            b.VideoRun(k, kT0, 0, 50, 40, 25, 3000);
        PlaybackHarness h(b.Build(), true);
        h.display.SetResult(display::kCurrentChannel, 2);
        h.display.SetResult(display::kQueryRunning, 1);
        ASSERT_TRUE(h.Open().messages.empty());
        EXPECT_EQ(h.display.CallsOf(display::kStop).size(), 1u);
        EXPECT_EQ(h.display.CallsOf(display::kSetMode).back().ints, (std::vector<int32_t>{3, 0}));
        EXPECT_EQ(h.display.CallsOf(display::kSetChannelCount).at(0).ints[0], c.channelCount);
        const auto layouts = h.display.CallsOf(display::kSetLayout);
        EXPECT_EQ(layouts.empty() ? std::vector<int32_t>{} : layouts[0].ints, c.layout);
        const auto titles = h.display.CallsOf(display::kSetChannelTitle);
        ASSERT_EQ(titles.size(), 16u + c.titled);
        for (int k = 0; k < c.titled; ++k)
            EXPECT_EQ(titles[16 + k].text, h.recording.header.videoCh[k].NameText());
    }
}

} // namespace
} // namespace playbacktest
