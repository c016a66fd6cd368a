#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <map>
#include <thread>

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
    // The position stands at 40 s of 128 (the last recorded second is 129) unless a row sets
    // it. A jump or a slider move waits only for a search that runs; a slider move counts
    // only as a release at a new position. Within 59 s of an end a jump goes to that end.
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
        {"slider to 128", [](auto& t) { t.OnSeekSlider(TransportCommands::kThumbPosition, true, 128); }},
        {"slider scroll", [](auto& t) { t.OnSeekSlider(TransportCommands::kThumbPosition + 1, true, 70); }},
    };
    const Row rows[] = {
        {kPaused, "Play", kPlay, 1, false}, // goes on from the frame on screen
        {kPaused, "Play", kPlay, 1, true, 40, 0, 1, 1}, // from the start after the end
        {kPlay, "Play", kPaused, 0, false},       {kFf4, "Play", kPaused, 4, false},
        {kPaused, "ff", kFf2, 2, false},          {kPlay, "ff", kFf2, 2, false},
        {kFf16, "ff", kFf32, 32, false},          {kFf32, "ff", kFf2, 2, false},
        {kRew8, "ff", kFf2, 2, true},             {kPaused, "rew", kReverse1, -1, true},
        {kRew8, "ff", kFf2, 2, true, 0}, // back at the start
        {kPlay, "rew", kReverse1, -1, true},      {kRew16, "rew", kRew32, -32, false},
        {kRew32, "rew", kReverse1, -1, false},    {kPaused, "f", kPaused, 0, true, 40, 99},
        {kPlay, "f", kPlay, 1, true, 40, 99},
        {kPlay, "r", kPlay, 1, true, 58, 0},      {kPlay, "r", kPlay, 1, true, 59, 0},
        {kPlay, "f", kPlay, 1, true, 128 - 59, 128},
        {kPlay, "f", kPaused, 1, true, 128 - 58, 129}, // to the end, where playing stops
        {kPlay, "r", kPlay, 1, true, 60, 1, 0}, // after a search that found nothing
        {kPaused, "slider to 70", kPaused, 0, true, 40, 70},
        {kPaused, "slider to 20", kPaused, 0, true, 40, 20, 1, 1}, // behind, at the end of the stream
        {kPaused, "slider scroll", kPaused, 0, false},
        {kPaused, "slider to 70", kPaused, 0, true, 40, 70, 0},
        {kPlay, "slider to 128", kPaused, 1, true, 40, 129}, // its end is the recording's
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
        if (slider) {
            EXPECT_EQ(p.h.display.CallsOf(display::kFlush).empty(), !row.search);
        }
        if (row.posAfter < 0)
            continue;
        const recording::SystemTime target = recording::FTimeToSystemTime(kT0 + row.posAfter);
        EXPECT_EQ(p.h.core.m_SeekTarget.Load(), target);
        EXPECT_EQ(p.h.core.m_PosTime.Load(), target);
        EXPECT_EQ(p.h.core.m_bAtEnd, 0);
        // The estimate lies after the target second's key frame: the walk back meets that
        // key frame and stays on it.
        if (slider) {
            EXPECT_EQ(p.h.core.m_dwVideoPos[0], p.h.recording.videoRecords[0][row.posAfter * 10]);
        }
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
    // The time and elapsed texts belong to the picture, which stays on screen: they are left alone.
    const std::pair<int, std::vector<std::string>> texts[] = {{PlayerView::kOsd, {}},
                                                              {PlayerView::kSpeed, {""}},
                                                              {PlayerView::kTotalTime, {}},
                                                              {PlayerView::kVer, {"Ver 1.1.0.2"}},
                                                              {PlayerView::kName, {"Kelvora Player"}}};
    // The core's state away from rest first, as playing at speed leaves it.
    core.m_nDisplayMode = 1;
    core.m_nVolume = 5;
    h.view.Clear();
    h.display.Clear();

    core.ResetToIdle();
    EXPECT_EQ(core.m_nDisplayMode, 3);
    for (const int b : buttons)
        EXPECT_EQ(h.view.CallsOf(Kind::Look, b).size(), 1u) << "button " << b;
    EXPECT_EQ(h.view.CallsOf(Kind::Look, PlayerView::kPlayButton).back().ints, (std::vector<int>{153, 154, 189, 154}));
    for (const auto& [control, text] : texts)
        EXPECT_EQ(h.view.Texts(control), text) << "control " << control;
    EXPECT_EQ(h.view.CallsOf(Kind::Show, PlayerView::kSearching).at(0).ints, std::vector<int>{0});
    EXPECT_EQ(h.view.CallsOf(Kind::RepaintSeek).size(), 1u);
    EXPECT_EQ(h.view.CallsOf(Kind::RepaintDisplay).size(), 1u);
    EXPECT_EQ(h.display.CallsOf(display::kSetVolume).at(0).ints, std::vector<int32_t>{5});
    EXPECT_EQ(h.display.CallsOf(display::kFlush).size(), 1u);
}

// A refused file is checked whole before the window changes: the recording that was open stays.
TEST(OpenCommand, FailuresReturnTheirMessagesAndLeaveTheOpenRecordingAsItWas)
{
    struct Case {
        const char* name;
        std::function<void(BuiltRecording&)> spoil;
        std::vector<RecordingError> messages;
    };
    const Case cases[] = {
        {"unknown version", [](BuiltRecording& b) { b.header.version = 3; }, {RecordingError::C1003}},
        {"no video channel", [](BuiltRecording& b) { b.header.videoMask = 0x10000; }, {RecordingError::C1006}},
        {"run too short for the scan", [](BuiltRecording& b) { b.header.videoCh[0].endPos = b.header.videoCh[0].startPos + 60000; },
         {RecordingError::C1008, RecordingError::C1007}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PlaybackHarness h(FiveSeconds(), true);
        ASSERT_TRUE(h.Open("good.vrc").messages.empty());
        h.view.Clear();
        c.spoil(h.recording);
        const FileOpenResult r = h.Open("bad.vrc");
        EXPECT_EQ(r.messages, c.messages);
        EXPECT_EQ(r.after, FileOpenResult::After::Nothing);
        EXPECT_TRUE(r.BoxTexts().back().starts_with(std::string(recording::MessageText(c.messages.back())) + "\n" +
                                                    h.dir.File("bad.vrc") + ": "));
        EXPECT_EQ(r.BoxTexts().back().ends_with("\nvrc-tool salvage can recover the readable part."),
                  c.messages.back() == RecordingError::C1007);
        EXPECT_TRUE(h.core.m_hReadFile.IsSet() && h.core.m_hReadFile2.IsSet() && h.core.m_hReadFile3.IsSet());
        EXPECT_EQ(h.core.m_bFileOpened, 1);
        EXPECT_EQ(h.core.m_pszFilePath, h.dir.File("good.vrc"));
        EXPECT_TRUE(h.view.CallsOf(testsupport::RecordingView::Kind::Text).empty());
        EXPECT_TRUE(h.view.CallsOf(testsupport::RecordingView::Kind::SeekPos).empty());
    }
}

TEST(OpenCommand, AnOpenIsAtRestAndASecondOneKeepsThePlayThread)
{
    PlaybackHarness h(FiveSeconds());
    EXPECT_TRUE(h.Open("one.vrc").messages.empty());
    EXPECT_EQ(h.core.m_dwVideoPos[0], h.recording.videoRecords[0][0]);
    const std::thread::id first = h.core.m_hPlayThread.Id();
    h.core.Transport().OnPlay();
    h.display.SetResult(display::kQueryRunning, 1);
    h.Open("two.crv");
    EXPECT_EQ(h.display.CallsOf(display::kStop).size(), 1u);
    EXPECT_EQ(h.core.m_hPlayThread.Id(), first);
    EXPECT_NE(first, std::thread::id());
    EXPECT_EQ(h.core.m_nPlayState, playback::kPaused);
    EXPECT_EQ(h.core.m_bFirstFrame, 1);
}

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
        if (c.expect0 != kAny) {
            EXPECT_EQ(core.m_dwVideoPos[0], r.videoRecords[0][c.expect0]);
        }
        if (c.expect1 != kAny) {
            EXPECT_EQ(core.m_dwVideoPos[1], r.videoRecords[1][c.expect1]);
        }
        if (c.expectAudio != kAny) {
            EXPECT_EQ(core.m_dwAudioPos[0], r.audioRecords[0][c.expectAudio]);
        }
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
