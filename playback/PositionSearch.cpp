#include "playback/PositionSearch.h"

#include <algorithm>
#include <functional>
#include <mutex>

#include "playback/PlayerCore.h"
#include "recording/KeyFrame.h"
#include "recording/RecordHeaderReader.h"
#include "recording/TimeConversion.h"

namespace playback {
namespace {

using recording::FrameRecord;

constexpr uint32_t kChunk = 65'536;
constexpr uint64_t kHeader = FrameRecord::kHeaderSize;
// Audio frames are small; a larger size marks payload bytes, not a record header.
constexpr uint32_t kMaxAudioSize = 2000;

} // namespace

PositionSearch::PositionSearch(PlayerCore& core, WorkerSignals& signals)
    : m_core(core), m_signals(signals), m_chunk(kChunk)
{
}

void PositionSearch::Run()
{
    m_core.m_view.ShowControl(PlayerView::kSearching, true);
    {
        std::lock_guard seek(m_core.m_csSeek);
        // A search stopped before it got here may come after the one that replaced it,
        // which may have published already: it must leave the flag alone.
        if (Publish([this] { m_core.m_bSeekDone = 0; }) && m_signals.Wait() != 0)
            Search();
    }
    m_core.m_view.ShowControl(PlayerView::kSearching, false);
}

bool PositionSearch::Publish(const std::function<void()>& write)
{
    std::lock_guard flag(m_core.m_seekFlagLock);
    if (Quit())
        return false;
    write();
    return true;
}

void PositionSearch::Search()
{
    std::array<uint32_t, PlayerCore::kChannels> r{};
    bool anyKeyFrame = false;
    for (int k = 0; k < PlayerCore::kChannels; ++k) {
        r[k] = m_core.m_dwVideoPos[k];
        const uint32_t p = m_core.m_dwVideoReq[k];
        if (!m_core.m_bVideoCh[k] || p == 0)
            continue;
        const Scan scan = ScanVideo(k, p, r[k]);
        if (scan == Scan::Quit)
            return;
        anyKeyFrame |= scan == Scan::Found;
    }
    // A target that is no calendar time counts as the earliest second.
    const int32_t target = recording::SystemTimeToFTime(m_core.m_SeekTarget).value_or(0);
    // The play loop may go on once the video positions are out, but its first turn waits
    // for the audio search: otherwise it would play audio from the old positions and play
    // it again once the new ones arrive.
    std::unique_lock turn(m_core.m_turnLock, std::defer_lock);
    if (anyKeyFrame) {
        for (int k = 0; k < PlayerCore::kChannels; ++k) {
            if (m_core.m_bVideoCh[k] && !WalkVideo(k, r[k], target, r[k]))
                return;
        }
        turn.lock();
        const bool published = Publish([&] {
            for (int k = 0; k < PlayerCore::kChannels; ++k)
                m_core.m_dwVideoPos[k] = m_core.m_bVideoCh[k] ? r[k] : 0;
            m_core.m_bSeekDone = 1;
        });
        if (!published)
            return;
    }
    std::array<uint32_t, PlayerCore::kChannels> a{};
    for (int k = 0; k < PlayerCore::kChannels; ++k) {
        a[k] = m_core.m_dwAudioPos[k];
        if (m_core.m_bAudioCh[k] && !SearchAudio(k, target, a[k]))
            return;
    }
    if (!turn.owns_lock())
        turn.lock();
    Publish([&] {
        for (int k = 0; k < PlayerCore::kChannels; ++k)
            m_core.m_dwAudioPos[k] = a[k];
    });
}

PositionSearch::Scan PositionSearch::ScanVideo(int k, uint64_t p, uint32_t& result)
{
    const Bounds run = VideoRun(k);
    const int format = m_core.m_Header.videoFormat;
    for (;;) {
        if (Quit())
            return Scan::Quit;
        if (p > run.hi) {
            result = m_core.m_dwVideoEnd[k];
            return Scan::Done;
        }
        if (p < run.lo) {
            result = m_core.m_dwVideoStart[k];
            return Scan::Done;
        }
        uint64_t n = kChunk;
        if (p + kChunk > run.hi) {
            n = run.hi - p;
            if (n < 4 || n > kChunk) {
                result = m_core.m_dwVideoEnd[k];
                return Scan::Done;
            }
        }
        std::fill(m_chunk.begin(), m_chunk.end(), 0);
        const size_t got = m_core.m_hReadFile2.ReadAt(p, m_chunk.data(), n);
        if (got == 0 && PastTheFile(p)) {
            // Every chunk from here on reads nothing: the scan would run out at the run's end.
            result = m_core.m_dwVideoEnd[k];
            return Scan::Done;
        }
        for (uint64_t i = 0; got > 0 && i < n; ++i) {
            if (p + i < kHeader || !recording::IsKeyFrameStart(m_chunk.data() + i, n - i, format))
                continue;
            FrameRecord h;
            if (ReadHeader(p + i - kHeader, h) && AcceptVideo(h)) {
                result = static_cast<uint32_t>(p + i - kHeader);
                return Scan::Found;
            }
        }
        p += n;
        m_core.m_clock.Sleep(1);
    }
}

// Back through the links to a key frame at or before the target, then on to the record just
// before the first key frame at or after it.
bool PositionSearch::WalkVideo(int k, uint32_t from, int32_t target, uint32_t& result)
{
    const Bounds run = VideoRun(k);
    const auto lo = static_cast<int64_t>(run.lo);
    const auto hi = static_cast<int64_t>(run.hi);
    int64_t q = from;
    FrameRecord h;
    for (;;) {
        if (Quit())
            return false;
        // A header the file does not hold whole ends the walk as the run's end does.
        if (!ReadHeader(static_cast<uint64_t>(std::max<int64_t>(q, 0)), h) || q >= hi) {
            q = m_core.m_dwVideoEnd[k];
            break;
        }
        if (q < lo) {
            q = m_core.m_dwVideoStart[k];
            break;
        }
        if (h.f_time <= target && h.f_key == 1)
            break;
        q -= int64_t{h.f_prevSize} + static_cast<int64_t>(kHeader);
    }
    int64_t last = q;
    for (;;) {
        if (Quit())
            return false;
        if (q >= hi || q < lo)
            break;
        if (!ReadHeader(static_cast<uint64_t>(q), h) || (h.f_time >= target && h.f_key == 1))
            break;
        last = q;
        q += int64_t{h.f_size} + static_cast<int64_t>(kHeader);
    }
    result = static_cast<uint32_t>(last);
    return true;
}

bool PositionSearch::SearchAudio(int k, int32_t target, uint32_t& result)
{
    const Bounds run = AudioRun(k);
    uint64_t p = m_core.m_dwAudioReq[k];
    for (;;) {
        if (Quit())
            return false;
        if (p > run.hi) {
            result = LastAudioRecord(k);
            return true;
        }
        if (p < run.lo) {
            result = m_core.m_dwAudioStart[k];
            return true;
        }
        uint64_t n = kChunk;
        if (p + kChunk > run.hi) {
            n = run.hi - p;
            if (n < 4) {
                result = LastAudioRecord(k);
                return true;
            }
        }
        std::fill(m_chunk.begin(), m_chunk.end(), 0);
        if (m_core.m_hReadFile2.ReadAt(p, m_chunk.data(), n) == 0) {
            if (PastTheFile(p)) {
                result = LastAudioRecord(k);
                return true;
            }
            p += n;
            m_core.m_clock.Sleep(1);
            continue;
        }
        // Only this chunk is searched; without a plausible header the channel stays put.
        for (uint64_t i = 0; i + kHeader <= n; ++i) {
            if (AcceptAudio(FrameRecord::Parse(m_chunk.data() + i)))
                return WalkAudio(k, p + i, target, result);
        }
        return true;
    }
}

// Towards the target second until a record of that second, or the step that crosses it.
bool PositionSearch::WalkAudio(int k, uint64_t from, int32_t target, uint32_t& result)
{
    const Bounds run = AudioRun(k);
    const auto lo = static_cast<int64_t>(run.lo);
    const auto hi = static_cast<int64_t>(run.hi);
    const uint32_t start = m_core.m_dwAudioStart[k];
    std::optional<int32_t> previous;
    int64_t a = static_cast<int64_t>(from);
    for (;;) {
        if (Quit())
            return false;
        FrameRecord h;
        if (a >= hi || (a >= lo && !ReadHeader(static_cast<uint64_t>(a), h))) {
            result = LastAudioRecord(k);
            return true;
        }
        if (a < lo) {
            result = start;
            return true;
        }
        result = static_cast<uint32_t>(a);
        const int64_t d = int64_t{h.f_time} - target;
        if (d == 0)
            return true;
        if (d > 0) {
            if ((previous && *previous < target) || a == start)
                return true;
            a -= int64_t{h.f_prevSize} + static_cast<int64_t>(kHeader);
        } else {
            if (previous && *previous > target)
                return true;
            a += int64_t{h.f_size} + static_cast<int64_t>(kHeader);
        }
        previous = h.f_time;
    }
}

// The header does not say where a run's last audio record lies; the links from the first
// record do. Needed only when a search runs past the run's end.
uint32_t PositionSearch::LastAudioRecord(int k)
{
    const uint64_t hi = AudioRun(k).hi;
    recording::RecordHeaderReader reader(m_core.m_hReadFile2);
    uint64_t q = m_core.m_dwAudioStart[k];
    uint64_t last = q;
    while (q < hi) {
        const std::optional<FrameRecord> h = reader.ReadAt(q);
        if (!h)
            break;
        last = q;
        q += kHeader + h->f_size;
    }
    return static_cast<uint32_t>(last);
}

bool PositionSearch::AcceptVideo(const FrameRecord& r) const
{
    const bool keyOk = m_core.m_bIFrameOnly == 1 ? r.f_key == 1 : r.f_key <= 1;
    return keyOk && recording::IsPlausible(r, m_core.m_FirstFrameTime.wYear);
}

bool PositionSearch::AcceptAudio(const FrameRecord& r) const
{
    return r.f_key == 0 && r.f_size < kMaxAudioSize && recording::IsPlausible(r, m_core.m_FirstFrameTime.wYear);
}

PositionSearch::Bounds PositionSearch::VideoRun(int k) const
{
    const recording::ChannelEntry& e = m_core.m_Header.videoCh[k];
    return {uint64_t{m_core.m_dwDataOffset} + e.startPos, uint64_t{m_core.m_dwDataOffset} + e.endPos};
}

PositionSearch::Bounds PositionSearch::AudioRun(int k) const
{
    const recording::ChannelEntry& e = m_core.m_Header.audioCh[k];
    return {uint64_t{m_core.m_dwDataOffset} + e.startPos, uint64_t{m_core.m_dwDataOffset} + e.endPos};
}

bool PositionSearch::ReadHeader(uint64_t position, FrameRecord& record)
{
    uint8_t bytes[kHeader] = {};
    const size_t got = m_core.m_hReadFile2.ReadAt(position, bytes, sizeof bytes);
    record = FrameRecord::Parse(bytes);
    return got == kHeader;
}

bool PositionSearch::PastTheFile(uint64_t position) const
{
    const int64_t size = m_core.m_hReadFile2.Size();
    return size >= 0 && position >= static_cast<uint64_t>(size);
}

bool PositionSearch::Quit() const { return m_signals.QuitRequested(); }

} // namespace playback
