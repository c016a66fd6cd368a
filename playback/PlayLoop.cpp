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
// A longer step between frames is a hole in the recording, not time to wait out.
constexpr int64_t kHoleMs = 10'000;

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
        if (m_core.m_nStepRequest != PlayerCore::kNoRequest && m_core.m_bSeekDone == 1)
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
    m_core.m_nStepRequest = PlayerCore::kNoRequest;
    if (m_core.m_nSeekCount != m_seekCount)
        NewSearch();
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
    if (m_core.m_nPlayState != kPaused || m_core.m_bSeekDone != 1)
        return;
    const int32_t request = m_core.m_nStepRequest.exchange(PlayerCore::kNoRequest);
    if (m_core.m_nSeekCount != m_seekCount)
        NewSearch();
    m_anchorSpeed = 0;
    int channel = m_core.m_nStepChannel;
    if (channel < 0 || channel >= PlayerCore::kChannels || !m_core.m_bVideoCh[channel])
        channel = m_core.m_StartInfo[0].channel;
    m_stepping = true;
    const std::optional<uint32_t> key = Serve(request, channel);
    m_stepping = false;
    if (!key)
        return;
    ShownAt(*key);
    if (request == PlayerCore::kShowEnd)
        m_core.m_bAtEnd = 1;
}

std::optional<uint32_t> PlayLoop::Serve(int32_t request, int channel)
{
    switch (request) {
    case PlayerCore::kStepOn: return StepOn(channel);
    case PlayerCore::kStepBack: return StepBack(channel);
    case PlayerCore::kShowTarget: return ShowTarget(channel);
    case PlayerCore::kShowEnd: return ShowAt(m_core.m_EndInfo[0].f_msec);
    default: return std::nullopt;
    }
}

std::optional<uint32_t> PlayLoop::StepOn(int channel)
{
    if (!MakeExact(channel))
        return ShowTarget(channel);
    const uint32_t pos = m_core.m_dwVideoPos[channel];
    const std::optional<FrameRecord> next =
        pos >= m_core.m_dwVideoStart[channel] && pos <= m_core.m_dwVideoLast[channel] ? WholeHeader(pos) : std::nullopt;
    if (!next)
        return std::nullopt;
    return AdvanceTo(next->f_msec);
}

std::optional<uint32_t> PlayLoop::StepBack(int channel)
{
    if (!MakeExact(channel))
        return ShowTarget(channel);
    const Shown& shown = m_shown[channel];
    const uint32_t start = m_core.m_dwVideoStart[channel];
    const std::optional<FrameRecord> r = shown.valid ? WholeHeader(shown.position) : std::nullopt;
    if (!r || r->f_prevSize == 0 || shown.position < start + kHeader + uint64_t{r->f_prevSize})
        return std::nullopt;
    const std::optional<FrameRecord> before = WholeHeader(shown.position - kHeader - r->f_prevSize);
    if (!before)
        return std::nullopt;
    return ShowAt(before->f_msec);
}

std::optional<uint32_t> PlayLoop::ShowTarget(int channel)
{
    const recording::SystemTime target = m_core.m_SeekTarget;
    const uint32_t key = m_core.KeyOfSecond(recording::SystemTimeToFTime(target).value_or(0)) + target.wMilliseconds;
    // The channel's first frame at the target, whichever key frame the search stopped next to.
    uint32_t q = KeyFrameAtOrBefore(channel, key).value_or(m_core.m_dwVideoStart[channel]);
    std::optional<FrameRecord> r;
    while (q <= m_core.m_dwVideoLast[channel] && (r = WholeHeader(q)) && r->f_msec < key)
        q = Advance(q, uint64_t{kHeader} + r->f_size);
    return ShowAt(r && r->f_msec >= key ? r->f_msec : key);
}

bool PlayLoop::MakeExact(int channel)
{
    if (m_exact) {
        UnreadPending();
        return true;
    }
    if (!m_shown[channel].valid && m_lastKey == 0)
        return false;
    ShowAt(m_shown[channel].valid ? m_shown[channel].key : m_lastKey);
    return true;
}

uint32_t PlayLoop::ShowAt(uint32_t key)
{
    PushResetOnce();
    for (int k = 0; k < PlayerCore::kChannels; ++k) {
        if (!m_core.m_bVideoCh[k])
            continue;
        const std::optional<uint32_t> from = KeyFrameAtOrBefore(k, key);
        uint32_t q = from.value_or(m_core.m_dwVideoStart[k]);
        std::optional<FrameRecord> r;
        while (q <= m_core.m_dwVideoLast[k] && (r = WholeHeader(q)) && r->f_msec <= key) {
            const Candidate c{q, *r, r->f_msec, k, 0};
            q = Advance(q, uint64_t{kHeader} + r->f_size);
            // Without a key frame before it a channel has nothing to decode from.
            if (from && r->f_size <= kBufferSize &&
                (m_readDirty = m_core.m_hReadFile.ReadAt(uint64_t{c.position} + kHeader, m_ReadBuf.data(), r->f_size)) > 0)
                PushCandidate(c);
        }
        m_core.m_dwVideoPos[k] = q;
    }
    for (int k = 0; k < PlayerCore::kChannels; ++k) {
        if (m_core.m_bAudioCh[k])
            PlaceAudioAfter(k, key);
    }
    m_exact = true;
    RestartSlots();
    return key;
}

uint32_t PlayLoop::AdvanceTo(uint32_t key)
{
    PushResetOnce();
    while (NextForward() && m_candidates[0].key <= key) {
        const Candidate c = m_candidates[0];
        if (ReadForward(c) && !c.audio)
            PushCandidate(c);
    }
    RestartSlots();
    return key;
}

void PlayLoop::PlaceAudioAfter(int channel, uint32_t key)
{
    const uint32_t start = m_core.m_dwAudioStart[channel];
    const uint64_t end = uint64_t{m_core.m_dwDataOffset} + m_core.m_Header.audioCh[channel].endPos;
    const auto keyOf = [this](const FrameRecord& r) {
        return (static_cast<uint32_t>(r.f_time) - static_cast<uint32_t>(m_core.m_StartInfo[0].f_time)) * 1000u + r.f_msec;
    };
    uint32_t q = m_core.m_dwAudioPos[channel];
    std::optional<FrameRecord> r = q >= start && q < end ? WholeHeader(q) : std::nullopt;
    if (!r)
        q = start;
    // Back while the record before is still after the key, then on past every record at or
    // before it.
    while (r && keyOf(*r) > key && r->f_prevSize != 0 && q >= start + kHeader + uint64_t{r->f_prevSize}) {
        const uint32_t before = q - kHeader - r->f_prevSize;
        const std::optional<FrameRecord> b = WholeHeader(before);
        if (!b || keyOf(*b) <= key)
            break;
        q = before;
        r = b;
    }
    while (q < end && (r = WholeHeader(q)) && keyOf(*r) <= key)
        q = Advance(q, uint64_t{kHeader} + r->f_size);
    m_core.m_dwAudioPos[channel] = q;
}

std::optional<uint32_t> PlayLoop::KeyFrameAtOrBefore(int channel, uint32_t key)
{
    const uint32_t start = m_core.m_dwVideoStart[channel];
    const uint32_t last = m_core.m_dwVideoLast[channel];
    const uint32_t pos = m_core.m_dwVideoPos[channel];
    uint32_t q = pos >= start && pos <= last ? pos : last;
    // Bounded by the run: every step goes back by at least a header.
    for (;;) {
        const std::optional<FrameRecord> r = WholeHeader(q);
        if (!r)
            return std::nullopt;
        if (r->f_key == 1 && r->f_msec <= key)
            return q;
        if (r->f_prevSize == 0 || q < start + kHeader + uint64_t{r->f_prevSize})
            return std::nullopt;
        q -= kHeader + r->f_prevSize;
    }
}

std::optional<FrameRecord> PlayLoop::WholeHeader(uint32_t position)
{
    FrameRecord r;
    if (ReadHeader(position, r) < kHeader)
        return std::nullopt;
    return r;
}

void PlayLoop::UnreadPending()
{
    if (!m_started && m_s == 0)
        return;
    const FrameSlot& pending = m_Slots[1 - m_s];
    (pending.audio ? m_core.m_dwAudioPos : m_core.m_dwVideoPos)[pending.channel] = pending.position;
    RestartSlots();
}

void PlayLoop::ShownAt(uint32_t key)
{
    m_core.m_ShownTime = m_core.TimeOfKey(key);
    m_core.m_PosTime = m_core.m_ShownTime.Load();
    const int32_t second = static_cast<int32_t>(key / 1000 - m_core.m_dwStartMsec / 1000);
    const int32_t pos = std::clamp<int32_t>(second, 0, m_core.m_nSeekMax);
    m_core.m_nPosSec = pos;
    m_core.m_view.SetSeekPos(pos);
    m_core.m_nResumeSeek = m_seekCount;
}

void PlayLoop::PushResetOnce()
{
    if (m_core.m_bFirstFrame != 1)
        return;
    m_core.m_bFirstFrame = 0;
    m_core.m_ctrlPlayer.PushReset();
    m_shown = {};
    m_lastKey = 0;
}

void PlayLoop::NewSearch()
{
    RestartSlots();
    m_shown = {};
    m_lastKey = 0;
    m_exact = false;
}

bool PlayLoop::Playable() const
{
    return m_core.m_nPlayState != kPaused && m_core.m_nPlaySpeed != 0 && m_core.m_bSeekDone == 1;
}

void PlayLoop::Idle()
{
    // Playing again anchors a new run.
    m_anchorSpeed = 0;
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
    if (!NextForward()) {
        EndOfStream();
        return;
    }
    const Candidate& c = m_candidates[0];
    if (!ReadForward(c)) {
        if (c.record.f_size > kBufferSize)
            m_core.m_clock.Sleep(1);
        return;
    }
    FillSlot(c, true);
    if (!Started())
        return;

    const FrameSlot& p = m_Slots[1 - m_s];
    const Step step = StepOf(false);
    if (SeekRestarted()) {
        RestartSlots();
        return;
    }
    PushResetOnce();
    ShowAndPace(p, step, true);
}

bool PlayLoop::NextForward()
{
    GatherForward();
    // Ties keep the gathering order: by channel, video before audio.
    std::stable_sort(m_candidates.begin(), m_candidates.begin() + m_count,
                     [](const Candidate& a, const Candidate& b) { return a.key < b.key; });
    return m_count != 0;
}

bool PlayLoop::ReadForward(const Candidate& c)
{
    std::atomic<uint32_t>& pos = c.audio ? m_core.m_dwAudioPos[c.channel] : m_core.m_dwVideoPos[c.channel];
    pos = Advance(c.position, kHeader);
    if (c.record.f_size > kBufferSize) {
        pos = Advance(pos, c.record.f_size);
        return false;
    }
    ClearFrom(m_ReadBuf, m_readDirty, 0);
    m_readDirty = m_core.m_hReadFile.ReadAt(uint64_t{c.position} + kHeader, m_ReadBuf.data(), c.record.f_size);
    m_readShort = m_readShort || m_readDirty < c.record.f_size;
    if (m_readDirty == 0)
        return false;
    pos = Advance(pos, c.record.f_size);
    return true;
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
        if (m_core.m_bVideoCh[k] && m_core.m_dwVideoPos[k] <= m_core.m_dwVideoLast[k])
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
    // The frame read last has no successor to pace it by: it is shown as the stream ends.
    if ((m_started || m_s == 1) && !SeekRestarted()) {
        PushResetOnce();
        HandOver(m_Slots[1 - m_s], m_speed > 0);
        RestartSlots();
    }
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
    slot.position = c.position;
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

void PlayLoop::PushCandidate(const Candidate& c)
{
    FillSlot(c, true);
    HandOver(m_Slots[m_s], true);
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

// A step that crosses a second is split at the second's end (in reverse: its start), where
// the second's texts are shown. Across a hole, longer than any distance between key frames,
// it counts only the time from P to its second's end and from the start of N's second to N
// (in reverse: to the start of P's second and from the end of N's), at most two seconds.
PlayLoop::Step PlayLoop::StepOf(bool reverse) const
{
    const int64_t p = m_Slots[1 - m_s].key;
    const int64_t n = m_Slots[m_s].key;
    Step step{static_cast<uint32_t>(p / 1000), static_cast<uint32_t>(n / 1000), 0, 0};
    // Stamps are 32-bit counters: the difference of two is taken as a signed 32-bit value.
    const int64_t diff = static_cast<int32_t>(static_cast<uint32_t>(n - p));
    const int64_t ahead = reverse ? -diff : diff; // in the playing direction
    if (step.pSec != step.nSec) {
        step.delta = reverse ? p - int64_t{step.pSec} * 1000 : (int64_t{step.pSec} + 1) * 1000 - p;
        step.rest = ahead >= step.delta && ahead <= kHoleMs ? ahead - step.delta
                    : reverse      ? (int64_t{step.nSec} + 1) * 1000 - n
                                   : n - int64_t{step.nSec} * 1000;
    } else {
        step.delta = reverse ? std::llabs(diff) : diff;
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
        m_shown[p.channel] = {true, p.key, p.position};
        m_lastKey = p.key;
        m_exact = forward;
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
