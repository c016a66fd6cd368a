#include "playback/PlayerCore.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <thread>

#include "playback/PlayLoop.h"
#include "playback/PositionSearch.h"
#include "recording/TimeConversion.h"

namespace playback {
namespace {

struct ButtonLookEntry {
    int button;
    PlayerView::ButtonLook look;
};

// Resting bitmaps of every skin button, in the order they are restored.
constexpr ButtonLookEntry kRestingLooks[] = {
    {PlayerView::kPlayButton, {153, 154, 189, 154}}, {PlayerView::kR, {160, 161, 193, 161}},
    {PlayerView::kRew, {162, 155, 194, 155}},        {PlayerView::kF, {156, 157, 190, 157}},
    {PlayerView::kFf, {158, 159, 191, 159}},         {PlayerView::kFileOpen, {163, 164, 163, 164}},
    {PlayerView::kPrint, {215, 216, 215, 216}},      {PlayerView::kSpeakerMin, {166, 167, 166, 167}},
    {PlayerView::kSpeakerMax, {166, 167, 166, 167}}, {PlayerView::kMinimize, {182, 183, 182, 183}},
    {PlayerView::kMaximize, {180, 181, 180, 181}},   {PlayerView::kExit, {178, 179, 178, 179}},
};

// Where a fraction of a run lies: the run's first offset plus its length times the fraction,
// truncated. In 64 bits, as runs reach past 2 GiB; kept within the 32-bit offsets.
uint32_t ScaleRun(uint32_t start, uint32_t end, uint32_t first, double fraction)
{
    const double v = std::trunc((static_cast<double>(end) - start) * fraction) + first;
    if (!std::isfinite(v) || v < 0)
        return 0;
    return static_cast<uint32_t>(std::min(v, static_cast<double>(std::numeric_limits<uint32_t>::max())));
}

} // namespace

PlayerCore::PlayerCore(display::CVorquil_Ctrl_Player& ctrlPlayer, PlayerView& view, platform::Clock& clock)
    : m_ctrlPlayer(ctrlPlayer), m_view(view), m_clock(clock), m_open(*this), m_transport(*this)
{
}

PlayerCore::~PlayerCore() { Shutdown(); }

void PlayerCore::InitWindowDefaults()
{
    m_bFileChosen = 0;
    m_bAtEnd = 0;
    m_nTimeFormat = 1;
    m_nPlayState = kPaused;
    m_nDisplayMode = 0;
    for (auto& r : m_dwVideoReq)
        r = 0;
    m_TotalTime.wHour = m_TotalTime.wMinute = m_TotalTime.wSecond = m_TotalTime.wMilliseconds = 0;
    m_CurTime = recording::SystemTime{};
    m_nVolume = 8;
    m_bSoundOn = 1;
    m_nSelChannel = -1;
    m_nPosSec = 0;
}

void PlayerCore::StartPlayThread()
{
    StopPlayThread();
    m_hPlayThread.Start([this](WorkerSignals& signals) { PlayLoop(*this, signals).Run(); });
}

void PlayerCore::StopPlayThread() { m_hPlayThread.Stop(m_bPlayExited, m_clock); }

int PlayerCore::StartSeek(const recording::SystemTime& target)
{
    m_SeekTarget = target;
    StopSeekThread();
    {
        std::lock_guard flag(m_seekFlagLock);
        m_bSeekDone = 0;
        ++m_nSeekCount;
    }
    m_hSeekThread.Start([this](WorkerSignals& signals) { PositionSearch(*this, signals).Run(); });
    return 1;
}

void PlayerCore::StopSeekThread() { m_hSeekThread.Stop(m_bSeekDone, m_clock); }

bool PlayerCore::SearchRunning() const { return m_hSeekThread.IsStarted() && !m_hSeekThread.HasReturned(); }

void PlayerCore::WaitForSearch() const
{
    while (SearchRunning())
        std::this_thread::sleep_for(std::chrono::microseconds(50));
}

void PlayerCore::ResetToIdle()
{
    m_nDisplayMode = 3;
    for (const ButtonLookEntry& e : kRestingLooks)
        m_view.SetButtonLook(e.button, e.look);
    m_view.RepaintSeekSlider();
    // The time and elapsed texts stay: they belong to the picture, which stays on screen.
    m_view.SetText(PlayerView::kSpeed, "");
    m_view.SetText(PlayerView::kVer, "Ver 1.1.0.2");
    m_view.SetText(PlayerView::kName, "Kelvora Player");
    m_ctrlPlayer.SetVolume(m_nVolume);
    m_ctrlPlayer.Flush();
    m_view.RepaintDisplay();
    m_view.ShowControl(PlayerView::kSearching, false);
}

void PlayerCore::EstimatePositions()
{
    const double fraction = m_nSeekMax != 0 ? static_cast<double>(m_nPosSec) / m_nSeekMax : 0.0;
    for (int k = 0; k < kChannels; ++k) {
        if (!m_bVideoCh[k])
            continue;
        const recording::ChannelEntry& v = m_Header.videoCh[k];
        const recording::ChannelEntry& a = m_Header.audioCh[k];
        // No further than the last key frame: a search that starts past it finds none.
        m_dwVideoReq[k] = std::min(ScaleRun(v.startPos, v.endPos, m_dwVideoStart[k], fraction), m_dwVideoEnd[k]);
        if (a.endPos > a.startPos)
            m_dwAudioReq[k] = ScaleRun(a.startPos, a.endPos, m_dwAudioStart[k], fraction);
    }
}

void PlayerCore::RestartPositions()
{
    for (int k = 0; k < kChannels; ++k) {
        m_dwVideoPos[k] = m_dwVideoStart[k];
        m_dwAudioPos[k] = m_dwAudioStart[k];
    }
}

recording::SystemTime PlayerCore::PositionTime() const { return TimeAtSecond(m_nPosSec); }

recording::SystemTime PlayerCore::TimeAtSecond(int32_t seconds) const
{
    const auto t = static_cast<int32_t>(static_cast<uint32_t>(m_StartInfo[0].f_time) + static_cast<uint32_t>(seconds));
    return recording::FTimeToSystemTime(t);
}

int32_t PlayerCore::LastSecond() const
{
    return std::max(m_nSeekMax, m_EndInfo[0].f_time - m_StartInfo[0].f_time);
}

uint32_t PlayerCore::KeyOfSecond(int32_t fTime) const
{
    const uint32_t seconds = static_cast<uint32_t>(fTime) - static_cast<uint32_t>(m_StartInfo[0].f_time);
    return m_dwStartMsec - m_dwStartMsec % 1000 + seconds * 1000u;
}

recording::SystemTime PlayerCore::TimeOfKey(uint32_t key) const
{
    const uint32_t seconds = key / 1000 - m_dwStartMsec / 1000;
    recording::SystemTime t = TimeAtSecond(static_cast<int32_t>(seconds));
    t.wMilliseconds = static_cast<uint16_t>(key % 1000);
    return t;
}

void PlayerCore::Shutdown()
{
    StopSeekThread();
    StopPlayThread();
    m_hSeekThread.JoinStopped();
    m_hPlayThread.JoinStopped();
    m_hReadFile.Close();
    m_hReadFile2.Close();
    m_hReadFile3.Close();
}

void PlayerCore::LoseRecording(const std::string& change)
{
    m_watch.Disarm();
    m_bFileOpened = 0;
    m_nPlaySpeed = 0;
    m_open.ClearRecordingView();
    // The tiles go back to the idle picture rather than keep pictures of different times.
    m_ctrlPlayer.PushReset();
    m_view.ShowMessage("The recording " + m_pszFilePath + " changed or became unreadable while it was playing (" +
                       change + "). Open it again to see what it holds now.");
}

} // namespace playback
