#include "playback/PlayLoop.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>

#include "playback/PlayerCore.h"
#include "recording/KeyFrame.h"
#include "recording/TimeConversion.h"

namespace playback {
namespace {

using recording::FrameRecord;

constexpr uint32_t kHeader = FrameRecord::kHeaderSize;
constexpr uint32_t kBufferSize = FrameRecord::kMaxPayload;
// Video format whose payloads carry a block in front of the stream proper.
constexpr int kPrefixedFormat = 4;
// How far the hand-overs may fall behind their due times before the run is anchored anew.
constexpr int64_t kMaxLateMs = 1000;
// A frame step gives up after this many turns without a hand-over (a run of unreadable or
// oversized records).
constexpr int kMaxStepTurns = 256;

// Positions move on by record sizes read from the file; a lying size must not wrap a
// position back into the run, so the sum stops at the largest offset.
uint32_t Advance(uint32_t position, uint64_t bytes)
{
    return static_cast<uint32_t>(std::min<uint64_t>(uint64_t{position} + bytes, UINT32_MAX));
}

// Zeroes a buffer from an offset on. Only the bytes up to dirty can be other than zero, so a
// frame costs the size of the payloads before it, not the whole buffer's.
void ClearFrom(std::vector<uint8_t>& buffer, size_t& dirty, size_t from)
{
    if (dirty > from)
        std::memset(buffer.data() + from, 0, dirty - from);
    dirty = std::min(dirty, from);
}

} // namespace

PlayLoop::PlayLoop(PlayerCore& core, WorkerSignals& signals)
    : m_core(core), m_signals(signals), m_ReadBuf(kBufferSize)
{
    for (FrameSlot& slot : m_Slots)
        slot.buffer.assign(kBufferSize, 0);
}

void PlayLoop::Run()
{
    m_core.m_bPlayExited = 0;
    std::lock_guard play(m_core.m_csPlay);
    m_frequency = std::max<int64_t>(m_core.m_clock.Frequency(), 1000);
    m_seekCount = m_core.m_nSeekCount;
    while (m_signals.Wait() == 1)
        Turn();
    m_core.m_bPlayExited = 1;
}

void PlayLoop::Turn()
{
    if (!Playable()) {
        if (m_core.m_nStepRequest != 0)
            ServeStep();
        else
            Idle();
        return;
    }
    std::unique_lock turn(m_core.m_turnLock);
    // The open and a pause leave playing before they take the lock: a turn that passed the
    // check above meanwhile must not run on what they reset.
    if (!Playable()) {
        turn.unlock();
        Idle();
        return;
    }
    // A step asked for just before playing resumed has nothing left to step from.
    m_core.m_nStepRequest = 0;
    if (m_core.m_nSeekCount != m_seekCount)
        RestartSlots();
    m_speed = m_core.m_nPlaySpeed;
    m_readShort = false;
    if (m_speed > 0)
        Forward();
    else
        Reverse();
    RecordingChanged();
}

bool PlayLoop::RecordingChanged()
{
    const int64_t now = m_core.m_clock.Now();
    if (!m_readShort && now - m_lastWatch < m_frequency)
        return false;
    m_lastWatch = now;
    const std::string change = m_core.m_watch.Check(m_core.m_hReadFile);
    if (change.empty())
        return false;
    m_core.LoseRecording(change);
    RestartSlots();
    return true;
}

void PlayLoop::ServeStep()
{
    std::lock_guard turn(m_core.m_turnLock);
    const int32_t direction = m_core.m_nStepRequest.exchange(0);
    if (direction == 0 || m_core.m_nPlayState != kPaused || m_core.m_bSeekDone != 1)
        return;
    if (m_core.m_nSeekCount != m_seekCount)
        RestartSlots();
    const uint32_t pushed = m_pushed;
    m_stepping = true;
    if (direction > 0)
        StepForward();
    else
        StepBack();
    m_stepping = false;
    if (m_pushed == pushed)
        return;
    m_core.m_PosTime = m_core.m_ShownTime.Load();
}

// Runs forward turns, without pacing, until one of them has handed a frame to the display:
// slots that restarted need two reads before the first hand-over, and audio frames in
// between are dropped as in every state but playing. The anchor is left alone; the next
// Play searches and anchors anew.
void PlayLoop::StepForward()
{
    if (m_shown.reversed && m_shown.seek == m_seekCount) {
        ResumeForwardAfterShown();
        RestartSlots();
    }
    const uint32_t pushed = m_pushed;
    for (int i = 0; i < kMaxStepTurns && m_pushed == pushed && m_core.m_bAtEnd != 1; ++i)
        Forward();
}

// The reverse rule from the frame on screen: every channel goes to its latest key frame
// stamped before it, and one reverse turn reads the latest of those and moves its channel
// on to the key frame before. That frame is handed over at once, since a step hands over
// the frame it read rather than the one before it.
void PlayLoop::StepBack()
{
    if (!m_shown.valid || m_shown.seek != m_seekCount)
        return;
    PlayerCore::Offsets before{};
    bool any = false;
    for (int k = 0; k < PlayerCore::kChannels; ++k) {
        if (!m_core.m_bVideoCh[k])
            continue;
        const std::optional<uint32_t> q = KeyFrameBefore(k, m_shown.key);
        // A channel with nothing before sits one byte below its first record, where the
        // reverse gathering no longer reads.
        before[k] = q ? *q : m_core.m_dwVideoStart[k] - 1;
        any = any || q.has_value();
    }
    if (!any)
        return;
    for (int k = 0; k < PlayerCore::kChannels; ++k) {
        if (m_core.m_bVideoCh[k])
            m_core.m_dwVideoPos[k] = before[k];
    }
    m_shown.reversed = true;
    RestartSlots();
    Reverse();
    if (m_s != 1)
        return;
    Started();
    HandOver(m_Slots[0], false);
}

std::optional<uint32_t> PlayLoop::KeyFrameBefore(int channel, uint32_t key)
{
    const uint32_t start = m_core.m_dwVideoStart[channel];
    const uint32_t pos = m_core.m_dwVideoPos[channel];
    if (pos < start)
        return std::nullopt;
    uint32_t q = std::min(pos, m_core.m_dwVideoEnd[channel]);
    for (;;) {
        FrameRecord r;
        if (ReadHeader(q, r) < kHeader)
            return std::nullopt;
        if (r.f_key == 1 && r.f_msec < key)
            return q;
        const uint64_t back = uint64_t{r.f_prevSize} + kHeader;
        if (r.f_prevSize == 0 || q < start + back)
            return std::nullopt;
        q -= static_cast<uint32_t>(back);
    }
}

// After steps back the video positions are key frames at or before the frame on screen:
// each channel walks on to its first record that plays after it (equal stamps play in
// channel order), as if forward play had stopped there.
void PlayLoop::ResumeForwardAfterShown()
{
    for (int k = 0; k < PlayerCore::kChannels; ++k) {
        if (!m_core.m_bVideoCh[k])
            continue;
        const uint32_t start = m_core.m_dwVideoStart[k];
        const uint32_t end = m_core.m_dwVideoEnd[k];
        const uint32_t pos = m_core.m_dwVideoPos[k];
        uint32_t q = pos >= start && pos <= end ? pos : start;
        FrameRecord r;
        while (q <= end && ReadHeader(q, r) == kHeader &&
               (r.f_msec < m_shown.key || (r.f_msec == m_shown.key && k <= m_shown.channel)))
            q = Advance(q, uint64_t{kHeader} + r.f_size);
        m_core.m_dwVideoPos[k] = q;
    }
    m_shown.reversed = false;
}

bool PlayLoop::Playable() const
{
    return m_core.m_nPlayState != kPaused && m_core.m_nPlaySpeed != 0 && m_core.m_bSeekDone == 1;
}

void PlayLoop::Idle()
{
    // Whatever happens meanwhile (an open above all) must be read afresh.
    ForgetHeaders();
    if (m_core.m_bSeekDone != 1)
        RestartSlots();
    m_core.m_clock.Sleep(5);
}

void PlayLoop::Forward()
{
    if (m_core.m_bAtEnd == 1) {
        m_core.m_clock.Sleep(5);
        return;
    }
    GatherForward();
    if (m_count == 0) {
        EndOfStream();
        return;
    }
    // Ties keep the gathering order: by channel, video before audio.
    std::stable_sort(m_candidates.begin(), m_candidates.begin() + m_count,
                     [](const Candidate& a, const Candidate& b) { return a.key < b.key; });
    const Candidate& c = m_candidates[0];
    std::atomic<uint32_t>& pos = c.audio ? m_core.m_dwAudioPos[c.channel] : m_core.m_dwVideoPos[c.channel];
    pos = Advance(c.position, kHeader);
    if (c.record.f_size > kBufferSize) {
        pos = Advance(pos, c.record.f_size);
        m_core.m_clock.Sleep(1);
        return;
    }
    ClearFrom(m_ReadBuf, m_readDirty, 0);
    m_readDirty = m_core.m_hReadFile.ReadAt(uint64_t{c.position} + kHeader, m_ReadBuf.data(), c.record.f_size);
    m_readShort = m_readShort || m_readDirty < c.record.f_size;
    if (m_readDirty == 0)
        return;
    pos = Advance(pos, c.record.f_size);
    FillSlot(c, true);
    if (!Started())
        return;

    const FrameSlot& p = m_Slots[1 - m_s];
    const Step step = StepOf(false);
    if (SeekRestarted()) {
        RestartSlots();
        return;
    }
    if (m_core.m_bFirstFrame == 1) {
        m_core.m_bFirstFrame = 0;
        m_core.m_ctrlPlayer.PushReset();
    }
    ShowAndPace(p, step, true);
}

void PlayLoop::Reverse()
{
    if (m_core.m_bAtEnd == 1) {
        m_core.m_clock.Sleep(5);
        return;
    }
    GatherReverse();
    if (m_count == 0) {
        EndOfStream();
        return;
    }
    std::stable_sort(m_candidates.begin(), m_candidates.begin() + m_count,
                     [](const Candidate& a, const Candidate& b) { return a.key > b.key; });
    const Candidate& c = m_candidates[0];
    m_core.m_dwVideoPos[c.channel] = Advance(c.position, kHeader);
    const bool skipped = c.record.f_size > kBufferSize;
    const size_t got =
        skipped ? 0 : m_core.m_hReadFile.ReadAt(uint64_t{c.position} + kHeader, m_ReadBuf.data(), c.record.f_size);
    m_readDirty = std::max(m_readDirty, got);
    m_readShort = m_readShort || (!skipped && got < c.record.f_size);
    if (skipped || got > 0)
        StepBackToKeyFrame(c);
    if (skipped) {
        m_core.m_clock.Sleep(1);
        return;
    }
    if (got == 0)
        return;
    FillSlot(c, false);
    if (!Started())
        return;

    const FrameSlot& p = m_Slots[1 - m_s];
    const Step step = StepOf(true);
    if (SeekRestarted()) {
        RestartSlots();
        return;
    }
    ShowAndPace(p, step, false);
}

void PlayLoop::ShowAndPace(const FrameSlot& p, const Step& step, bool forward)
{
    Anchor();
    HandOver(p, forward);
    if (Pace(step.delta)) {
        if (step.pSec != step.nSec)
            SecondEnded(forward);
        Pace(step.rest);
    }
    // P is on screen even when a pause cut the turn short: N is the next frame to show,
    // which is what a frame step from that pause hands over.
    m_s = 1 - m_s;
}

void PlayLoop::GatherForward()
{
    m_count = 0;
    for (int k = 0; k < PlayerCore::kChannels; ++k) {
        if (m_core.m_bVideoCh[k] && m_core.m_dwVideoPos[k] <= m_core.m_dwVideoEnd[k])
            AddCandidate(m_core.m_dwVideoPos[k], k, 0);
        const uint64_t audioEnd = uint64_t{m_core.m_dwDataOffset} + m_core.m_Header.audioCh[k].endPos;
        if (m_core.m_bAudioCh[k] && m_core.m_dwAudioPos[k] < audioEnd)
            AddCandidate(m_core.m_dwAudioPos[k], k, 1);
    }
}

void PlayLoop::GatherReverse()
{
    m_count = 0;
    for (int k = 0; k < PlayerCore::kChannels; ++k) {
        if (m_core.m_bVideoCh[k] && m_core.m_dwVideoPos[k] >= m_core.m_dwVideoStart[k])
            AddCandidate(m_core.m_dwVideoPos[k], k, 0);
    }
}

void PlayLoop::AddCandidate(uint32_t position, int channel, int audio)
{
    Candidate& c = m_candidates[m_count];
    if (CandidateHeader(position, channel, audio, c.record) == 0)
        return;
    c.position = position;
    c.channel = channel;
    c.audio = audio;
    // Audio stamps count within their second; they are merged by their distance from the
    // recording's first second.
    c.key = audio ? (static_cast<uint32_t>(c.record.f_time) - static_cast<uint32_t>(m_core.m_StartInfo[0].f_time)) * 1000u +
                        c.record.f_msec
                  : c.record.f_msec;
    ++m_count;
}

void PlayLoop::EndOfStream()
{
    m_core.m_bAtEnd = 1;
    m_core.m_nPlayState = kPaused;
    m_core.ResetToIdle();
    m_core.m_view.SetButtonLook(PlayerView::kPlayButton, {153, 154, 189, 154});
    m_core.m_clock.Sleep(1);
}

// Moves the channel to the key frame before the record just read. The first record of a
// run has nothing before it: a record at (or before) the channel's first position, or one
// without a back link, takes the channel one byte below its first position, which the
// reverse gathering no longer reads; once every channel is there the stream has ended.
void PlayLoop::StepBackToKeyFrame(const Candidate& c)
{
    std::atomic<uint32_t>& pos = m_core.m_dwVideoPos[c.channel];
    const uint32_t start = m_core.m_dwVideoStart[c.channel];
    if (c.position <= start || c.record.f_prevSize == 0) {
        pos = start - 1; // wraps for a start of 0, an offset no read reaches
        return;
    }
    int64_t q = int64_t{c.position} - kHeader - c.record.f_prevSize;
    for (;;) {
        if (q < 0) {
            pos = 0;
            return;
        }
        pos = static_cast<uint32_t>(q);
        FrameRecord r;
        if (ReadHeader(static_cast<uint32_t>(q), r) < kHeader || r.f_key == 1 || q <= start)
            return;
        q -= int64_t{r.f_prevSize} + kHeader;
    }
}

void PlayLoop::FillSlot(const Candidate& c, bool clear)
{
    FrameSlot& slot = m_Slots[m_s];
    if (clear)
        ClearFrom(slot.buffer, slot.dirty, c.record.f_size);
    std::memcpy(slot.buffer.data(), m_ReadBuf.data(), c.record.f_size);
    slot.dirty = std::max<size_t>(slot.dirty, c.record.f_size);
    slot.f_time = c.record.f_time;
    slot.key = c.key;
    slot.audio = c.audio;
    slot.length = c.record.f_size;
    slot.f_key = c.record.f_key;
    slot.channel = c.channel;
}

bool PlayLoop::Started()
{
    if (m_started)
        return true;
    if (m_s == 0) {
        m_s = 1;
        return false;
    }
    m_started = true;
    m_baseTime = m_Slots[0].f_time;
    m_baseStamp = m_Slots[0].key;
    return true;
}

// A step that crosses a second counts the time from P to its second's end and from the
// start of N's second to N (in reverse: to the start of P's second and from the end of
// N's), which is the stamp difference between neighbouring seconds and at most two seconds
// across a hole.
PlayLoop::Step PlayLoop::StepOf(bool reverse) const
{
    const int64_t p = m_Slots[1 - m_s].key;
    const int64_t n = m_Slots[m_s].key;
    Step step{static_cast<uint32_t>(p / 1000), static_cast<uint32_t>(n / 1000), 0, 0};
    if (step.pSec != step.nSec) {
        step.delta = reverse ? p - int64_t{step.pSec} * 1000 : (int64_t{step.pSec} + 1) * 1000 - p;
        step.rest = reverse ? (int64_t{step.nSec} + 1) * 1000 - n : n - int64_t{step.nSec} * 1000;
    } else {
        // Stamps are 32-bit counters: the difference of two is taken as a signed 32-bit value.
        step.delta = static_cast<int32_t>(static_cast<uint32_t>(n - p));
        if (reverse)
            step.delta = std::llabs(step.delta);
    }
    return step;
}

void PlayLoop::HandOver(const FrameSlot& p, bool forward)
{
    if (!p.audio || !forward) {
        m_core.m_ShownTime = CalendarOf(p);
        if (forward && m_core.m_bIFrameOnly == 1 && p.f_key != 1)
            return;
        Push(p);
        m_shown = {true, p.key, p.channel, m_seekCount, !forward};
        return;
    }
    const bool audible = m_core.m_bAudioCh[p.channel] == 1 && m_core.m_bSoundOn == 1;
    m_core.m_ctrlPlayer.SetVolume(audible ? m_core.m_nVolume.load() : 0);
    if (m_core.m_nPlayState != kPlay)
        return;
    m_core.m_ShownTime = CalendarOf(p);
    Push(p);
}

void PlayLoop::Push(const FrameSlot& p)
{
    const uint8_t* payload = p.buffer.data();
    uint32_t length = p.length;
    if (m_core.m_Header.videoFormat == kPrefixedFormat) {
        payload += recording::kPrefixBlockSize;
        length = length > recording::kPrefixBlockSize ? length - recording::kPrefixBlockSize : 0;
    }
    ++m_pushed;
    m_core.m_ctrlPlayer.PushFrame(payload, p.f_time, static_cast<int32_t>(p.key % 1000), p.audio,
                                  static_cast<int32_t>(length), static_cast<int32_t>(p.f_key), p.channel);
}

// The window shows the time of the picture on screen, which the display reports; the loop only
// counts the seconds the jumps start from.
void PlayLoop::SecondEnded(bool forward)
{
    const int32_t posSec = m_core.m_nPosSec;
    if (forward && posSec <= m_core.m_nSeekMax)
        m_core.m_nPosSec = posSec + 1;
    else if (!forward && posSec > 0)
        m_core.m_nPosSec = posSec - 1;
}

void PlayLoop::Anchor()
{
    if (m_stepping || m_anchorSpeed == m_speed)
        return;
    m_anchorSpeed = m_speed;
    m_anchor = m_core.m_clock.Now();
    m_recorded = 0;
}

bool PlayLoop::Pace(int64_t milliseconds)
{
    if (m_stepping)
        return true;
    if (!StillPlaying())
        return false;
    m_recorded += milliseconds;
    int64_t due = m_anchor + m_recorded * m_frequency / (1000 * std::abs(int64_t{m_speed}));
    // Behind by more than a stall's worth (a read that hung, a machine that slept): start
    // anew from here instead of rushing through everything missed.
    const int64_t late = m_core.m_clock.Now() - due;
    if (late > kMaxLateMs * m_frequency / 1000) {
        m_anchor += late;
        due += late;
    }
    return Wait(due) && StillPlaying();
}

// Sleeps 1 ms at a time until the counter reaches due, so that a new search, a command or
// the worker's stop is noticed within a millisecond or two. A change of speed only cuts the
// wait short: the next hand-over anchors a new run.
bool PlayLoop::Wait(int64_t due)
{
    platform::Clock& clock = m_core.m_clock;
    const int32_t state = m_core.m_nPlayState;
    while (clock.Now() < due) {
        if (m_signals.QuitRequested() || !StillPlaying())
            return false;
        if (m_core.m_nPlayState != state || m_core.m_nPlaySpeed != m_speed)
            return true;
        clock.Sleep(1);
    }
    return true;
}

bool PlayLoop::StillPlaying() const
{
    return m_core.m_nPlayState != kPaused && m_core.m_nPlaySpeed != 0 && !SeekRestarted();
}

bool PlayLoop::SeekRestarted() const { return m_core.m_bSeekDone == 0 || m_core.m_nSeekCount != m_seekCount; }

void PlayLoop::RestartSlots()
{
    m_s = 0;
    m_started = false;
    m_anchorSpeed = 0;
    m_seekCount = m_core.m_nSeekCount;
    ForgetHeaders();
}

recording::SystemTime PlayLoop::CalendarOf(const FrameSlot& p) const
{
    const int64_t second = int64_t{p.key / 1000} - m_baseStamp / 1000 + m_baseTime;
    recording::SystemTime t = recording::FTimeToSystemTime(static_cast<int32_t>(static_cast<uint32_t>(second)));
    t.wMilliseconds = static_cast<uint16_t>(p.key % 1000);
    return t;
}

size_t PlayLoop::CandidateHeader(uint32_t position, int channel, int audio, FrameRecord& record)
{
    KnownHeader& known = m_headers[channel * 2 + audio];
    if (known.whole && known.position == position) {
        record = known.record;
        return kHeader;
    }
    const size_t got = ReadHeader(position, record);
    known = {position, got == kHeader, record};
    return got;
}

void PlayLoop::ForgetHeaders()
{
    for (KnownHeader& known : m_headers)
        known.whole = false;
}

size_t PlayLoop::ReadHeader(uint32_t position, FrameRecord& record)
{
    uint8_t bytes[kHeader] = {};
    const size_t got = m_core.m_hReadFile.ReadAt(position, bytes, sizeof bytes);
    m_readShort = m_readShort || got < sizeof bytes;
    record = FrameRecord::Parse(bytes);
    return got;
}

} // namespace playback
