#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "display/CVorquil_Ctrl_Player.h"
#include "platform/Clock.h"
#include "platform/File.h"
#include "playback/AtomicSystemTime.h"
#include "playback/OpenCommand.h"
#include "playback/PlayState.h"
#include "playback/PlayerView.h"
#include "playback/RecordingWatch.h"
#include "playback/TransportCommands.h"
#include "playback/WorkerThread.h"
#include "recording/RecordingHeader.h"
#include "recording/StreamScan.h"
#include "recording/SystemTime.h"

namespace playback {

// Everything of the running player that is not a widget: the open recording, the playback
// state the three threads share, the two worker threads and the commands. The player window
// owns one and forwards its handlers to it; tests and vrc-tool drive it without a window.
//
// The window plugs in by constructing it with the display wrapper, a PlayerView that queues
// each call to the GUI thread and the real clock; calling InitWindowDefaults while it
// initialises; forwarding the transport handlers to Transport(); showing the file dialog,
// then Open().OnFileChosen, the returned messages and Open().FinishFileOpen; writing
// m_bIFrameOnly and m_nTimeFormat from its menu; and calling Shutdown when it is destroyed.
//
// Threads: the window thread runs the commands and the open; the play thread runs the play
// loop; a seek thread runs each search. The recording's header, tables and times are
// written only by the open, which first stops the searches and holds m_turnLock, the lock
// the play loop holds through each turn that reads the recording; the fields the threads
// exchange while playing are atomics.
class PlayerCore {
public:
    static constexpr int kChannels = recording::RecordingHeader::kChannels;
    using Offsets = std::array<uint32_t, kChannels>;
    using SharedOffsets = std::array<std::atomic<uint32_t>, kChannels>;
    using Flags = std::array<int, kChannels>;
    // What the paused play loop is asked to show (m_nStepRequest).
    enum ShowRequest : int32_t { kStepBack = -1, kNoRequest = 0, kStepOn = 1, kShowTarget = 2, kShowEnd = 3 };
    static constexpr uint32_t kNoResume = UINT32_MAX;

    PlayerCore(display::CVorquil_Ctrl_Player& ctrlPlayer, PlayerView& view, platform::Clock& clock);
    // Stops both workers and closes the recording.
    ~PlayerCore();
    PlayerCore(const PlayerCore&) = delete;
    PlayerCore& operator=(const PlayerCore&) = delete;

    // The defaults the window sets while it initialises (those that are not widgets).
    void InitWindowDefaults();

    void StartPlayThread();
    void StopPlayThread();
    // Searches from m_dwVideoReq/m_dwAudioReq towards target on a new seek thread.
    int StartSeek(const recording::SystemTime& target);
    void StopSeekThread();
    // True while a seek thread exists that has not yet returned.
    bool SearchRunning() const;
    // Returns once no search is running (for tools that press buttons one after another).
    void WaitForSearch() const;

    // Returns the window to its resting look and resets the display.
    void ResetToIdle();
    // Byte estimates of where m_nPosSec lies in each channel's run, as search starts.
    void EstimatePositions();
    // Every channel's read position back to its first record.
    void RestartPositions();
    // The calendar time m_nPosSec seconds after the first key frame.
    recording::SystemTime PositionTime() const;
    // The calendar time a number of seconds after the first key frame.
    recording::SystemTime TimeAtSecond(int32_t seconds) const;
    // The last recorded second, counted like m_nPosSec; at or above m_nSeekMax.
    int32_t LastSecond() const;
    // The video sort key at the start of a recorded second.
    uint32_t KeyOfSecond(int32_t fTime) const;
    // The calendar time of a video sort key.
    recording::SystemTime TimeOfKey(uint32_t key) const;
    // Stops the seek thread, then the play thread, then closes the three read handles.
    void Shutdown();
    // The play thread found the recording changed (in plain words): it stops, the window
    // returns to its state without a recording and says so.
    void LoseRecording(const std::string& change);

    OpenCommand& Open() { return m_open; }
    TransportCommands& Transport() { return m_transport; }

    display::CVorquil_Ctrl_Player& m_ctrlPlayer;
    PlayerView& m_view;
    platform::Clock& m_clock;

    // The open recording.
    std::string m_pszFilePath;
    platform::File m_hReadFile;  // header and first record at open, then the play loop
    platform::File m_hReadFile2; // the stream scan and the searches
    platform::File m_hReadFile3; // opened with the others, never read
    recording::RecordingHeader m_Header;
    uint32_t m_dwDataOffset = 0;
    recording::SystemTime m_FirstFrameTime;
    int m_nVideoChCount = 0;
    int m_nAudioChCount = 0;
    Flags m_bVideoCh{};
    Flags m_bAudioCh{};
    Offsets m_dwVideoStart{};
    Offsets m_dwAudioStart{};
    Offsets m_dwVideoEnd{};  // last key frames
    Offsets m_dwVideoLast{}; // last whole records, where forward play ends
    recording::ScanResult::Infos m_StartInfo{};
    recording::ScanResult::Infos m_EndInfo{};
    uint32_t m_dwStartMsec = 0;
    uint32_t m_dwEndMsec = 0;
    recording::SystemTime m_StartTime, m_EndTime, m_TotalTime;
    int m_nSeekMax = 0;
    int m_nSelChannel = -1;
    // Atomic: the play thread closes a recording that changed under it.
    std::atomic<int32_t> m_bFileChosen{0};
    std::atomic<int32_t> m_bFileOpened{0};
    int m_bPlayThreadStarted = 0;

    // Shared between the window, play and seek threads.
    std::atomic<int32_t> m_nPlayState{kPaused};
    std::atomic<int32_t> m_nPlaySpeed{0};
    std::atomic<int32_t> m_bSeekDone{0};
    std::atomic<int32_t> m_bPlayExited{0};
    std::atomic<int32_t> m_bAtEnd{0};
    std::atomic<int32_t> m_nPosSec{0};
    std::atomic<int32_t> m_bFirstFrame{0};
    std::atomic<int32_t> m_bIFrameOnly{0};
    std::atomic<int32_t> m_nVolume{0};
    std::atomic<int32_t> m_bSoundOn{0};
    std::atomic<int32_t> m_nTimeFormat{0};
    std::atomic<int32_t> m_nDisplayMode{0};
    RecordingWatch m_watch; // armed by the open, checked by the play loop, both under m_turnLock
    AtomicSystemTime m_SeekTarget;
    AtomicSystemTime m_PosTime;
    AtomicSystemTime m_ShownTime;
    AtomicSystemTime m_CurTime;
    SharedOffsets m_dwVideoPos{};
    SharedOffsets m_dwAudioPos{};
    SharedOffsets m_dwVideoReq{};
    SharedOffsets m_dwAudioReq{};
    // Counts the searches started, so the play loop restarts its frame slots after every
    // one even when it never saw m_bSeekDone at 0.
    std::atomic<uint32_t> m_nSeekCount{0};
    // A ShowRequest waiting for the paused play loop (and, but for the end, for the search).
    std::atomic<int32_t> m_nStepRequest{kNoRequest};
    // The channel a frame step moves by a frame: the current one when it was asked for.
    std::atomic<int32_t> m_nStepChannel{0};
    // The search count for which the positions continue from the frames on screen, so
    // that Play goes on from there without a search; kNoResume when they do not.
    std::atomic<uint32_t> m_nResumeSeek{kNoResume};

    WorkerThread m_hPlayThread{"play"}; // the play thread's record
    WorkerThread m_hSeekThread{"seek"}; // the seek thread's record
    std::mutex m_csPlay;        // held by the play thread while it runs
    std::mutex m_csSeek;        // held by a seek thread while it searches
    std::mutex m_turnLock;      // held by a play-loop turn, a search's publishing, the open and a pause
    std::mutex m_seekFlagLock;  // orders a search's writes of m_bSeekDone against StartSeek's

private:
    OpenCommand m_open;
    TransportCommands m_transport;
};

} // namespace playback
