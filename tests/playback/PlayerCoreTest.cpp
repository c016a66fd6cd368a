#include <gtest/gtest.h>

#include <functional>

#include "PlaybackHarness.h"
#include "display/DispId.h"

using playback::FileOpenResult;
using playback::PlayerView;
using recording::RecordingError;
using testsupport::BuiltRecording;
using testsupport::RecordingBuilder;
using Kind = testsupport::RecordingView::Kind;

namespace playbacktest {
namespace {

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
    // Everything it resets away from rest first, as playing at speed leaves it.
    core.m_nDisplayMode = 1;
    core.m_nVolume = 5;
    core.m_TotalTime.wHour = 1;
    core.m_TotalTime.wMinute = 2;
    core.m_TotalTime.wSecond = 3;
    for (const int b : buttons)
        h.view.SetButtonLook(b, {1, 1, 1, 1});
    for (const auto& [control, text] : texts)
        h.view.SetText(control, "dirty");
    h.view.ShowControl(PlayerView::kSearching, true);
    h.view.Clear();
    h.display.Clear();

    core.ResetToIdle();
    EXPECT_EQ(core.m_nDisplayMode, 3);
    for (const int b : buttons) {
        const auto looks = h.view.CallsOf(Kind::Look, b);
        EXPECT_TRUE(!looks.empty() && looks.back().ints != std::vector<int>(4, 1)) << "button " << b;
    }
    EXPECT_EQ(h.view.CallsOf(Kind::Look, PlayerView::kPlayButton).back().ints, (std::vector<int>{153, 154, 189, 154}));
    for (const auto& [control, text] : texts)
        EXPECT_EQ(h.view.Texts(control), std::vector<std::string>{text}) << "control " << control;
    EXPECT_EQ(h.view.CallsOf(Kind::Show, PlayerView::kSearching).at(0).ints, std::vector<int>{0});
    EXPECT_EQ(h.view.CallsOf(Kind::RepaintSeek).size(), 1u);
    EXPECT_EQ(h.view.CallsOf(Kind::RepaintDisplay).size(), 1u);
    EXPECT_EQ(h.display.CallsOf(display::kSetVolume).at(0).ints, std::vector<int32_t>{5});
    EXPECT_EQ(h.display.CallsOf(display::kFlush).size(), 1u);
}

TEST(OpenCommand, OnlyPathsNamingARecordingAreOpened)
{
    for (const auto& [name, opened] : {std::pair{"clip.vrc.bak", true}, {"a.crv", true}, {"CLIP.VRC", false}, {"a.txt", false}}) {
        SCOPED_TRACE(name);
        PlaybackHarness h(FiveSeconds(), true);
        const FileOpenResult r = h.Open(name);
        EXPECT_EQ(h.core.m_bFileOpened, opened ? 1 : 0);
        EXPECT_EQ(r.after == FileOpenResult::After::Nothing, !opened);
        EXPECT_TRUE(r.messages.empty());
    }
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
    h.Open("two.vrc");
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
        const auto modes = h.display.CallsOf(display::kSetMode);
        ASSERT_EQ(modes.size(), 2u);
        EXPECT_EQ(modes[1].ints, (std::vector<int32_t>{3, 0}));
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
