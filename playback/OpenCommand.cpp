#include "playback/OpenCommand.h"

#include <mutex>

#include "playback/PlayerCore.h"
#include "recording/ChannelTables.h"
#include "recording/HeaderCheck.h"
#include "recording/RecordingReport.h"
#include "recording/TimeText.h"

namespace playback {
namespace {

using recording::RecordingError;

bool HasRecordingExtension(const std::string& path)
{
    return path.find(".vrc") != std::string::npos || path.find(".crv") != std::string::npos;
}

} // namespace

std::vector<std::string> FileOpenResult::BoxTexts() const
{
    if (messages.empty())
        return reason.empty() ? std::vector<std::string>{} : std::vector<std::string>{reason};
    std::vector<std::string> texts;
    for (RecordingError error : messages) {
        std::string text = recording::MessageText(error);
        if (!reason.empty())
            text += "\n" + reason;
        if (error == RecordingError::C1007 || error == RecordingError::C1008)
            text += "\nvrc-tool salvage can recover the readable part.";
        texts.push_back(text);
    }
    return texts;
}

FileOpenResult OpenCommand::OnFileChosen(const std::string& path)
{
    PlayerCore& c = m_core;
    if (!HasRecordingExtension(path))
        return {};
    const recording::RecordingReport check = recording::RecordingReport::Run(path);
    if (!check.readable)
        return {{}, "Cannot open " + path + ": " + check.openError + ".", FileOpenResult::After::Nothing, check.openError};
    if (!check.ok)
        return {check.messages, recording::ReasonLine(path, check.reason), FileOpenResult::After::Nothing, ""};
    c.StopSeekThread();
    // A stopped search must be gone before its handle closes; one stuck in a read leaves
    // the recording that is open as it is.
    if (!c.m_hSeekThread.JoinStopped())
        return {};
    // Leaving playing ends a turn that is pacing; the lock then keeps the next turn out
    // until nothing of the previous recording is left.
    c.m_nPlayState = kPaused;
    std::lock_guard turn(c.m_turnLock);
    // The play thread names the path when the recording changes under it, within a turn.
    c.m_pszFilePath = path;
    c.m_nPosSec = 0;
    c.m_nResumeSeek = PlayerCore::kNoResume;
    c.m_view.SetSeekPos(0);
    c.m_view.RepaintSeekSlider();
    c.m_bFileChosen = 1;
    c.m_nPlaySpeed = 0;
    c.m_bAtEnd = 0;
    c.ResetToIdle();
    c.m_view.SetText(PlayerView::kPathBox, path);
    c.m_ctrlPlayer.Flush();
    FileOpenResult result;
    result.after = OpenRecording(result.messages) ? FileOpenResult::After::ClearOsd
                                                  : FileOpenResult::After::ClearViewAndOsd;
    return result;
}

void OpenCommand::FinishFileOpen(const FileOpenResult& result)
{
    if (result.after == FileOpenResult::After::ClearViewAndOsd)
        ClearRecordingView();
    if (result.after != FileOpenResult::After::Nothing)
        m_core.m_view.SetText(PlayerView::kOsd, "");
}

int OpenCommand::OpenRecording(std::vector<RecordingError>& messages)
{
    PlayerCore& c = m_core;
    c.m_bFileOpened = 0;
    c.m_watch.Disarm();
    c.m_nVideoChCount = 0;
    c.m_nAudioChCount = 0;
    c.m_hReadFile.Close();
    c.m_hReadFile2.Close();
    c.m_hReadFile3.Close();
    // A handle that cannot be opened reads nothing, and the header rules then refuse the file.
    c.m_hReadFile.Open(c.m_pszFilePath);
    c.m_hReadFile2.Open(c.m_pszFilePath);
    c.m_hReadFile3.Open(c.m_pszFilePath);

    const recording::HeaderCheck check = recording::HeaderCheck::Run(c.m_hReadFile);
    if (check.error)
        return Fail(messages, *check.error);
    c.m_Header = check.header;
    c.m_view.SetText(PlayerView::kSpeed, "Buffering");
    const recording::ChannelTables tables = TakeChannelTables();
    if (c.m_nVideoChCount == 0)
        return Fail(messages, RecordingError::C1006);
    ConfigureDisplay();

    const recording::ScanResult scan = recording::StreamScan::Run(
        c.m_hReadFile2, c.m_Header, tables, c.m_FirstFrameTime.wYear);
    if (!scan.ok) {
        messages.insert(messages.end(), scan.messages.begin(), scan.messages.end());
        return Fail(messages, RecordingError::C1007);
    }
    TakeScan(scan);
    c.m_watch.Arm(c.m_pszFilePath, c.m_hReadFile);
    c.m_view.SetText(PlayerView::kSpeed, "");
    return 1;
}

void OpenCommand::ClearRecordingView()
{
    PlayerCore& c = m_core;
    c.m_bFileChosen = 0;
    c.m_nPlayState = kPaused;
    c.ResetToIdle();
    c.m_view.SetText(PlayerView::kOsd, "");
    c.m_view.SetText(PlayerView::kTotalTime, recording::FormatElapsedTotal(0, 0, 0, 0, 0, 0));
    c.m_view.SetText(PlayerView::kPathBox, "");
    c.m_CurTime = recording::SystemTime{};
}

int OpenCommand::Fail(std::vector<RecordingError>& messages, RecordingError error)
{
    m_core.m_hReadFile.Close();
    m_core.m_hReadFile2.Close();
    m_core.m_hReadFile3.Close();
    messages.push_back(error);
    return 0;
}

recording::ChannelTables OpenCommand::TakeChannelTables()
{
    PlayerCore& c = m_core;
    const recording::ChannelTables t = recording::ChannelTables::Build(c.m_Header, c.m_hReadFile.Size());
    c.m_nVideoChCount = t.videoChCount;
    c.m_nAudioChCount = t.audioChCount;
    c.m_bVideoCh = t.bVideoCh;
    c.m_bAudioCh = t.bAudioCh;
    if (t.videoChCount == 0)
        return t;
    c.m_dwDataOffset = t.dataOffset;
    c.m_FirstFrameTime = recording::RecordingReport::ReadFirstFrameTime(c.m_hReadFile, t.dataOffset);
    c.m_dwVideoStart = t.videoStart;
    c.m_dwAudioStart = t.audioStart;
    c.m_dwVideoEnd = {};
    c.m_dwVideoLast = {};
    c.RestartPositions();
    return t;
}

void OpenCommand::ConfigureDisplay()
{
    PlayerCore& c = m_core;
    display::CVorquil_Ctrl_Player& ctrl = c.m_ctrlPlayer;
    int32_t running = 0;
    ctrl.QueryRunning(&running);
    if (running != 0)
        ctrl.Stop();
    ctrl.SetMode(c.m_nDisplayMode, 0);
    ctrl.SetMode(3, 0);
    c.m_view.RepaintDisplay();
    const int first = ctrl.CurrentChannel();
    const int chCount = c.m_Header.chCount;
    const uint32_t mask = c.m_Header.videoMask;
    ctrl.SetChannelCount(chCount >= 4 ? chCount : mask > 255 ? 16 : mask > 15 ? 8 : 4);
    SetChannelTitles(InitialLayout(first));
}

// The layout a recording opens with, by its channel count; returns the tiles shown
// (0 when the layout is left as it was).
int OpenCommand::InitialLayout(int first)
{
    PlayerCore& c = m_core;
    const int chCount = c.m_Header.chCount;
    // Only a recording of one channel is shown alone whatever the display asks.
    c.m_nSelChannel = -1;
    if (chCount == 1) {
        if (c.m_nVideoChCount != 1 || c.m_nAudioChCount != 0)
            return 0;
        for (int k = 0; k < PlayerCore::kChannels; ++k) {
            if (c.m_bVideoCh[k] == 1) {
                c.m_nSelChannel = k;
                c.m_ctrlPlayer.SetLayout(k, 1);
                return 1;
            }
        }
        return 0;
    }
    const int tiles = chCount <= 3 ? 1 : chCount <= 7 ? 4 : chCount <= 9 ? 9 : 16;
    c.m_ctrlPlayer.SetLayout(first, tiles);
    return tiles;
}

void OpenCommand::SetChannelTitles(int tiles)
{
    PlayerCore& c = m_core;
    for (int k = 0; k < PlayerCore::kChannels; ++k)
        c.m_ctrlPlayer.SetChannelTitle(k, u"");
    if (tiles <= 1) {
        // No channel chosen yet: there is no entry to take a title from.
        if (c.m_nSelChannel >= 0 && c.m_nSelChannel < PlayerCore::kChannels)
            c.m_ctrlPlayer.SetChannelTitle(c.m_nSelChannel, c.m_Header.videoCh[c.m_nSelChannel].NameText());
        return;
    }
    for (int k = 0; k < c.m_Header.chCount; ++k)
        c.m_ctrlPlayer.SetChannelTitle(k, c.m_Header.videoCh[k].NameText());
}

void OpenCommand::TakeScan(const recording::ScanResult& scan)
{
    PlayerCore& c = m_core;
    c.m_StartInfo = scan.startInfo;
    c.m_EndInfo = scan.endInfo;
    c.m_dwVideoEnd = scan.videoEnd;
    c.m_dwVideoLast = scan.videoLast;
    c.m_EndTime = scan.endTime;
    c.m_StartTime = scan.startTime;
    c.m_PosTime = scan.posTime;
    c.m_CurTime = scan.curTime;
    c.m_dwStartMsec = scan.startMsec;
    c.m_dwEndMsec = scan.endMsec;
    c.m_nSeekMax = scan.seekMax;
    c.m_view.SetSeekRange(0, scan.seekMax);
    c.m_view.SetSeekPos(0);
    c.m_view.SetText(PlayerView::kSpeed, "");
    c.m_TotalTime = scan.totalTime;
    c.m_view.SetText(PlayerView::kTotalTime, scan.totalText);
    c.m_bFileOpened = 1;
    c.m_nPlayState = kPaused;
    if (c.m_bPlayThreadStarted == 0) {
        c.m_bPlayThreadStarted = 1;
        c.StartPlayThread();
    }
    c.m_view.SetText(PlayerView::kOsd, "");
    c.m_bFirstFrame = 1;
}

} // namespace playback
