#include "playback/TransportCommands.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "playback/PlayerCore.h"
#include "recording/TimeConversion.h"

namespace playback {
namespace {

constexpr PlayerView::ButtonLook kPlayLook{153, 154, 189, 154};
constexpr PlayerView::ButtonLook kPauseLook{185, 185, 185, 185};
constexpr PlayerView::ButtonLook kMutedLook{168, 165, 168, 165};
constexpr PlayerView::ButtonLook kSoundLook{166, 167, 166, 167};
constexpr int kJumpSeconds = 59;

struct CycleStep {
    int32_t from;
    int32_t to;
    const char* toolTip; // the ff tooltip for the new state
};

constexpr CycleStep kFfCycle[] = {{kFf2, kFf4, "4X"}, {kFf4, kFf8, "8X"}, {kFf8, kFf16, "16X"}, {kFf16, kFf32, "FF"}};
constexpr CycleStep kRewCycle[] = {
    {kReverse1, kRew2, nullptr}, {kRew2, kRew4, nullptr}, {kRew4, kRew8, nullptr},
    {kRew8, kRew16, nullptr},    {kRew16, kRew32, nullptr},
};

template <size_t N> const CycleStep* NextInCycle(const CycleStep (&cycle)[N], int32_t state)
{
    for (const CycleStep& s : cycle) {
        if (s.from == state)
            return &s;
    }
    return nullptr;
}

} // namespace

void TransportCommands::OnPlay()
{
    PlayerCore& c = m_core;
    if (!FileReady())
        return;
    const int32_t old = c.m_nPlayState;
    if (IsFastForward(old) || old == kPlay || IsReverse(old)) {
        c.m_nPlayState = kPaused;
        // Fast forward keeps its speed while paused.
        if (!IsFastForward(old))
            c.m_nPlaySpeed = 0;
        // The turn that is pacing ends on the pause; after it nothing is handed over or
        // written until the next Play.
        std::lock_guard turn(c.m_turnLock);
        c.m_PosTime = c.m_ShownTime.Load();
        // Forward play leaves the positions right after the frames on screen.
        if (!IsReverse(old) && c.m_bSeekDone == 1)
            c.m_nResumeSeek = c.m_nSeekCount.load();
        c.ResetToIdle();
        c.m_view.SetButtonLook(PlayerView::kPlayButton, kPlayLook);
    } else if (old == kPaused) {
        Resume(kPlay);
    }
    c.m_view.SetText(PlayerView::kSpeed, "");
}

void TransportCommands::Resume(int32_t state)
{
    PlayerCore& c = m_core;
    if (c.m_bAtEnd == 1) {
        c.RestartPositions();
        c.m_nPosSec = 0;
        c.m_PosTime = recording::FTimeToSystemTime(c.m_StartInfo[0].f_time);
        c.m_bAtEnd = 0;
        c.m_nResumeSeek = PlayerCore::kNoResume;
    } else if (c.m_nPosSec == 0 && c.m_nResumeSeek != c.m_nSeekCount) {
        c.RestartPositions();
    }
    // Where the play loop stands is the frame on screen: it goes on from there.
    if (c.m_nResumeSeek != c.m_nSeekCount) {
        CopyPositionsToRequests();
        c.StartSeek(c.m_PosTime);
    }
    c.m_nPlayState = state;
    c.m_nPlaySpeed = StateSpeed(state);
    c.ResetToIdle();
    c.m_view.SetButtonLook(PlayerView::kPlayButton, kPauseLook);
}

void TransportCommands::OnFf()
{
    PlayerCore& c = m_core;
    const int32_t old = c.m_nPlayState;
    if (!FileReady() || c.m_nDisplayMode != 3)
        return;
    if (old == kPaused) {
        Resume(kFf2);
        c.m_view.SetFfToolTip("2X");
        SetSpeedText("( FF %dX )", c.m_nPlaySpeed);
        return;
    }
    const bool fromReverse = old != kPlay && !IsFastForward(old);
    if (fromReverse)
        c.ResetToIdle();
    const CycleStep* next = NextInCycle(kFfCycle, old);
    const int32_t state = next ? next->to : kFf2;
    c.m_nPlayState = state;
    c.m_view.SetFfToolTip(next ? next->toolTip : "2X");
    c.m_nPlaySpeed = StateSpeed(state);
    if (fromReverse) {
        if (c.m_nPosSec == 0)
            c.RestartPositions();
        c.m_PosTime = c.PositionTime();
        c.EstimatePositions();
        c.StartSeek(c.m_PosTime);
        c.m_bAtEnd = 0;
        c.ResetToIdle();
        c.m_view.SetButtonLook(PlayerView::kPlayButton, kPauseLook);
    }
    SetSpeedText("( FF %dX )", c.m_nPlaySpeed);
}

void TransportCommands::OnRew()
{
    PlayerCore& c = m_core;
    const int32_t old = c.m_nPlayState;
    if (!FileReady() || c.m_nDisplayMode != 3)
        return;
    const bool turning = !IsReverse(old);
    if (turning)
        c.ResetToIdle();
    const CycleStep* next = NextInCycle(kRewCycle, old);
    const int32_t state = next ? next->to : kReverse1;
    c.m_nPlayState = state;
    c.m_nPlaySpeed = StateSpeed(state);
    if (turning) {
        // From the end the rewind starts at the last frame.
        if (c.m_bAtEnd == 1 && old == kPaused)
            c.m_ShownTime = c.TimeOfKey(c.m_EndInfo[0].f_msec);
        CopyPositionsToRequests();
        // The search looks for key frames from where it is asked to, and there are none after
        // a channel's last one: from the last group of pictures (the end, a seek into the last
        // seconds) it would find nothing and the rewind would never start.
        for (int k = 0; k < PlayerCore::kChannels; ++k)
            c.m_dwVideoReq[k] = std::min<uint32_t>(c.m_dwVideoReq[k], c.m_dwVideoEnd[k]);
        c.StartSeek(c.m_ShownTime);
        c.m_bAtEnd = 0;
        c.ResetToIdle();
        c.m_view.SetButtonLook(PlayerView::kPlayButton, kPauseLook);
    }
    SetSpeedText("( Rew %dX )", std::abs(c.m_nPlaySpeed.load()));
}

void TransportCommands::OnR() { Jump(-kJumpSeconds); }

void TransportCommands::OnF() { Jump(kJumpSeconds); }

// Within 59 s of either end a jump goes to the start or to the end.
void TransportCommands::Jump(int seconds)
{
    PlayerCore& c = m_core;
    if (!FileReady() || (c.m_bSeekDone != 1 && c.SearchRunning()))
        return;
    const int32_t from = c.m_bAtEnd == 1 ? c.LastSecond() : c.m_nPosSec.load();
    SeekTo(std::clamp(from + seconds, 0, c.LastSecond()));
}

void TransportCommands::OnSeekSlider(int scrollCode, bool released, int pos)
{
    PlayerCore& c = m_core;
    if (scrollCode != kThumbPosition || !released || c.m_bFileChosen != 1 || !c.m_bFileOpened)
        return;
    if (pos == c.m_nPosSec || (c.m_bSeekDone != 1 && c.SearchRunning()))
        return;
    // The thumb at the slider's end stands for the recording's end.
    SeekTo(pos >= c.m_nSeekMax ? c.LastSecond() : pos);
}

void TransportCommands::SeekTo(int32_t second, uint16_t msec)
{
    PlayerCore& c = m_core;
    const bool toEnd = second >= c.LastSecond();
    c.m_bSeekDone = 0;
    c.m_ctrlPlayer.Flush();
    if (second < c.m_nPosSec || c.m_bAtEnd == 1) {
        c.m_bAtEnd = 0;
        c.RestartPositions();
    }
    c.m_nPosSec = second;
    c.EstimatePositions();
    recording::SystemTime target = c.PositionTime();
    target.wMilliseconds = std::min<uint16_t>(msec, 999);
    c.StartSeek(target);
    c.m_PosTime = target;
    c.m_ShownTime = target;
    if (toEnd && c.m_nPlayState != kPaused)
        StopAtEnd();
    if (c.m_nPlayState == kPaused)
        RequestShow(toEnd ? PlayerCore::kShowEnd : PlayerCore::kShowTarget);
}

void TransportCommands::StopAtEnd()
{
    PlayerCore& c = m_core;
    c.m_nPlayState = kPaused;
    std::lock_guard turn(c.m_turnLock);
    c.ResetToIdle();
    c.m_view.SetButtonLook(PlayerView::kPlayButton, kPlayLook);
}

void TransportCommands::OnVolumeSlider(int scrollCode, int pos)
{
    if (scrollCode != kEndTrack)
        return;
    m_core.m_nVolume = pos;
    if (m_core.m_bSoundOn == 1)
        m_core.m_ctrlPlayer.SetVolume(pos);
}

void TransportCommands::OnSpeaker()
{
    PlayerCore& c = m_core;
    if (c.m_bSoundOn == 1) {
        c.m_view.SetButtonLook(PlayerView::kSpeakerMin, kMutedLook);
        c.m_ctrlPlayer.SetVolume(0);
    } else {
        c.m_view.SetButtonLook(PlayerView::kSpeakerMin, kSoundLook);
        c.m_ctrlPlayer.SetVolume(c.m_nVolume);
    }
    c.m_bSoundOn = 1 - c.m_bSoundOn;
}

void TransportCommands::OnStepForward() { RequestStep(PlayerCore::kStepOn); }

void TransportCommands::OnStepBack() { RequestStep(PlayerCore::kStepBack); }

void TransportCommands::RequestStep(int32_t direction)
{
    const PlayerCore& c = m_core;
    // Something of this recording must be on screen to step from.
    if (FileReady() && c.m_nPlayState == kPaused && c.m_bSeekDone == 1 && c.m_bFirstFrame == 0 &&
        (c.m_bAtEnd != 1 || direction < 0)) {
        if (direction < 0)
            m_core.m_bAtEnd = 0;
        RequestShow(direction);
    }
}

void TransportCommands::RequestShow(int32_t request)
{
    m_core.m_nStepChannel = m_core.m_ctrlPlayer.CurrentChannel();
    m_core.m_nStepRequest = request;
}

bool TransportCommands::FileReady() const { return m_core.m_bFileChosen != 0 && m_core.m_bFileOpened != 0; }

void TransportCommands::CopyPositionsToRequests()
{
    for (int k = 0; k < PlayerCore::kChannels; ++k) {
        m_core.m_dwVideoReq[k] = m_core.m_dwVideoPos[k].load();
        m_core.m_dwAudioReq[k] = m_core.m_dwAudioPos[k].load();
    }
}

void TransportCommands::SetSpeedText(const char* format, int speed)
{
    char text[260];
    std::snprintf(text, sizeof text, format, speed);
    m_core.m_view.SetText(PlayerView::kSpeed, text);
}

} // namespace playback
