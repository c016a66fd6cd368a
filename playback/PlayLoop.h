#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "recording/FrameRecord.h"
#include "recording/RecordingHeader.h"
#include "recording/SystemTime.h"

namespace playback {

class PlayerCore;
struct WorkerSignals;

// The play thread's loop. Each turn merges the channels' runs of records into one stream
// ordered by stamp, reads the next frame into one of two slots and hands the one before it
// to the display, pacing the hand-overs by the stamps divided by the speed. Forward it plays
// video and audio; in reverse it steps from key frame to key frame, video only.
//
// Pacing follows the recording's clock: each run of play (after a search, a change of speed
// or a resume) is anchored to the counter at its first hand-over, and every later hand-over
// is due at the anchor plus the recorded time since then divided by the speed. The recorded
// time is added up step by step, one step per hand-over, and a step over a hole in the
// recording counts only the rest of the second before it and the milliseconds into the
// second after it, so a gap of minutes is not waited out. A turn that comes late waits for
// nothing, so the time spent reading and handing over does not add up.
class PlayLoop {
public:
    PlayLoop(PlayerCore& core, WorkerSignals& signals);
    // The thread's body: turns until the worker wait reports anything but the run event.
    void Run();

private:
    struct Candidate {
        uint32_t position; // of the record header
        recording::FrameRecord record;
        uint32_t key; // sort key in milliseconds
        int channel;
        int audio;
    };
    struct FrameSlot {
        uint32_t position = 0; // of the record header
        int32_t f_time = 0;
        uint32_t key = 0;
        int audio = 0;
        uint32_t length = 0;
        uint32_t f_key = 0;
        int channel = 0;
        std::vector<uint8_t> buffer; // zero past the payload
        size_t dirty = 0;            // bytes of buffer that may be other than zero
    };
    // The stamp arithmetic of one hand-over: P is shown now, N follows it.
    struct Step {
        uint32_t pSec;
        uint32_t nSec;
        int64_t delta;
        int64_t rest;
    };

    void Turn();
    // Serves what the paused loop was asked to show (PlayerCore::ShowRequest).
    void ServeStep();
    std::optional<uint32_t> Serve(int32_t request, int channel);
    // A frame step: the channel's next video frame, every record before it handed over.
    std::optional<uint32_t> StepOn(int channel);
    // A frame step back: the channel's frame before the one on screen, as ShowAt shows it.
    std::optional<uint32_t> StepBack(int channel);
    // The channel's first frame at or after the search's target second.
    std::optional<uint32_t> ShowTarget(int channel);
    // Makes every position the record after the last one handed over, re-showing the wall at
    // the channel's frame when it was played in reverse. False when nothing was shown.
    bool MakeExact(int channel);
    // Every video channel shows its last frame stamped at or before key, decoded from the key
    // frame before it; every position moves to the first record after key.
    uint32_t ShowAt(uint32_t key);
    // Hands over, in play order, every record stamped at or before key (sound is dropped).
    uint32_t AdvanceTo(uint32_t key);
    void PlaceAudioAfter(int channel, uint32_t key);
    // The latest key frame of a channel stamped at or before key, walking back from where
    // the channel stands (from its last record when it stands outside its run).
    std::optional<uint32_t> KeyFrameAtOrBefore(int channel, uint32_t key);
    std::optional<recording::FrameRecord> WholeHeader(uint32_t position);
    // Puts the frame read ahead back, so its stream's position is the frame again.
    void UnreadPending();
    // Times, elapsed time, seek position and resume point of a frame shown while paused.
    void ShownAt(uint32_t key);
    void PushResetOnce();
    void NewSearch();
    // Whether a turn may hand anything over: playing, at a speed, with a search's positions.
    bool Playable() const;
    void Idle();
    void Forward();
    void Reverse();
    void GatherForward();
    void GatherReverse();
    void AddCandidate(uint32_t position, int channel, int audio);
    // Gathers forward and sorts: the first candidate is the next record to play.
    bool NextForward();
    // Moves the candidate's position past it and reads its payload; false when nothing
    // may be shown of it (oversized or unreadable).
    bool ReadForward(const Candidate& c);
    void EndOfStream();
    void StepBackToKeyFrame(const Candidate& c);
    void FillSlot(const Candidate& c, bool clear);
    void PushCandidate(const Candidate& c);
    // Started handling: false while the first frame after a restart only fills slot 0.
    bool Started();
    Step StepOf(bool reverse) const;
    // Hands P over, paces the turn and moves on to the next slot.
    void ShowAndPace(const FrameSlot& p, const Step& step, bool forward);
    void HandOver(const FrameSlot& p, bool forward);
    void Push(const FrameSlot& p);
    void SecondEnded(bool forward);
    // Sets the anchor at the first hand-over of a run.
    void Anchor();
    // Adds a step of recorded time and waits until it is due. False ends the turn: the
    // play state left playing, the speed went to 0, a new search began or the worker quits.
    bool Pace(int64_t milliseconds);
    bool Wait(int64_t due);
    bool StillPlaying() const;
    bool SeekRestarted() const;
    void RestartSlots();
    recording::SystemTime CalendarOf(const FrameSlot& p) const;
    // The header at a channel's position: each turn reads every channel's next header but
    // moves only one channel on, so the others' are kept from the turn before, until the
    // slots restart or the loop idles.
    size_t CandidateHeader(uint32_t position, int channel, int audio, recording::FrameRecord& record);
    void ForgetHeaders();
    size_t ReadHeader(uint32_t position, recording::FrameRecord& record);
    // Once a second, and at once after a read that came up short: has the recording changed
    // under the player? True when it has, and playback has stopped.
    bool RecordingChanged();

    PlayerCore& m_core;
    WorkerSignals& m_signals;

    std::array<FrameSlot, 2> m_Slots;
    std::vector<uint8_t> m_ReadBuf;
    size_t m_readDirty = 0; // bytes of m_ReadBuf that may be other than zero
    std::array<Candidate, 32> m_candidates{};
    struct KnownHeader {
        uint32_t position = 0;
        bool whole = false; // a whole header was read there
        recording::FrameRecord record;
    };
    std::array<KnownHeader, 32> m_headers{}; // by channel * 2 + audio
    size_t m_count = 0;
    int m_s = 0;
    bool m_started = false;
    int32_t m_baseTime = 0;
    uint32_t m_baseStamp = 0;
    int64_t m_frequency = 1000;
    uint32_t m_seekCount = 0; // the search the slots belong to
    int32_t m_speed = 0;      // read once per turn, under the turn lock
    int32_t m_anchorSpeed = 0; // the speed of the anchored run; 0 while none is
    int64_t m_anchor = 0;     // counter value at the run's first hand-over
    int64_t m_recorded = 0;   // recorded milliseconds paced since then
    uint32_t m_pushed = 0;    // frames handed to the display so far
    // Each channel's last video frame handed over since the last search: where steps go from.
    struct Shown {
        bool valid = false;
        uint32_t key = 0;
        uint32_t position = 0;
    };
    std::array<Shown, recording::RecordingHeader::kChannels> m_shown{};
    uint32_t m_lastKey = 0; // the last video frame handed over, of any channel
    // The positions follow the frames handed over (forward play or a step since the search);
    // false after a search or reverse play.
    bool m_exact = false;
    bool m_stepping = false;  // turns run for a frame step: no pacing, no anchor
    bool m_readShort = false; // a read of this turn got less than it asked for
    int64_t m_lastWatch = 0;  // counter value at the last look at the recording
};

} // namespace playback
