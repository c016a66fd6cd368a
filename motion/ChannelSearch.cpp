#include "motion/ChannelSearch.h"

#include <algorithm>
#include <future>
#include <thread>

#include "recording/KeyFrame.h"

namespace motion {
namespace {

using recording::WalkedRecord;

constexpr size_t kKeyFramesPerCore = 8;
// More decoders than this would only hold more frames in memory for little more speed.
constexpr unsigned kMostCores = 8;
constexpr uint64_t kRecordsPerProgress = 256;

Instant InstantOf(const WalkedRecord& r) { return {r.header.f_time, r.header.f_msec}; }

} // namespace

ChannelSearch::ChannelSearch(platform::File& file, int videoFormat, const MotionOptions& options,
                             const SearchObserver& observer)
    : m_file(file), m_skip(videoFormat >= 3 ? recording::kPrefixBlockSize : 0),
      m_codec(videoFormat >= 2 ? OMBREL_CODEC_H264 : OMBREL_CODEC_MPEG4), m_observer(observer),
      m_model(options), m_builder(options.minGapMs),
      m_gopDecoder(m_codec, false)
{
    const unsigned cores = std::clamp(std::thread::hardware_concurrency(), 1u, kMostCores);
    for (unsigned i = 0; i < cores; ++i)
        m_keyDecoders.push_back(std::make_unique<LumaDecoder>(m_codec, true));
    m_batch.resize(cores * kKeyFramesPerCore);
}

bool ChannelSearch::Cancelled() const { return m_observer.cancel && m_observer.cancel->load(); }

MotionResult ChannelSearch::Run(uint64_t begin, uint64_t end)
{
    if (!m_gopDecoder.IsReady() || !m_keyDecoders.front()->IsReady()) {
        m_result.error = "the decoder library cannot decode this stream";
        return m_result;
    }
    m_end = end;
    recording::ChannelWalk walk(m_file, begin, end, true);
    std::optional<WalkedRecord> previous;
    int64_t searchedMs = 0;
    for (uint64_t count = 0; std::optional<WalkedRecord> r = walk.Next(); ++count) {
        if (count % kRecordsPerProgress == 0) {
            if (Cancelled()) {
                m_result.cancelled = true;
                m_result.events = m_builder.Events();
                return m_result;
            }
            if (m_observer.progress)
                m_observer.progress(static_cast<double>(r->offset - begin) / static_cast<double>(end - begin));
        }
        const int64_t step = previous ? InstantOf(*previous).MsUntil(InstantOf(*r)) : 0;
        if (step > MotionSearch::kHoleMs || r->afterGap) {
            Flush();
            EndEvent();
            m_builder.Hole();
            m_lastKey.reset();
        } else {
            searchedMs += std::max<int64_t>(step, 0);
        }
        if (r->header.f_key == 1)
            Take(*r);
        previous = r;
    }
    Flush();
    EndEvent();
    m_result.damagedRecords += walk.Gaps().size();
    m_result.events = m_builder.Events();
    m_result.seconds = static_cast<double>(searchedMs) / 1000.0;
    return m_result;
}

bool ChannelSearch::ReadPayload(const WalkedRecord& record, std::vector<uint8_t>& payload)
{
    if (record.header.f_size <= m_skip)
        return false;
    payload.resize(record.header.f_size - m_skip);
    return m_file.ReadAt(record.offset + recording::FrameRecord::kHeaderSize + m_skip, payload.data(),
                         payload.size()) == payload.size();
}

void ChannelSearch::Take(const WalkedRecord& record)
{
    KeyFrame& key = m_batch[m_batchUsed];
    if (!ReadPayload(record, key.payload)) {
        ++m_result.damagedRecords;
        return;
    }
    key.record = record;
    if (++m_batchUsed == m_batch.size())
        Flush();
}

void ChannelSearch::DecodeBatch()
{
    // Key frames decode on their own, so each core takes every n-th one of the batch.
    const size_t cores = m_keyDecoders.size();
    const auto decode = [this, cores](size_t core) {
        for (size_t i = core; i < m_batchUsed; i += cores) {
            KeyFrame& k = m_batch[i];
            k.decoded = m_keyDecoders[core]->Decode(k.payload.data(), k.payload.size(), k.luma);
        }
    };
    std::vector<std::future<void>> others;
    for (size_t core = 1; core < cores; ++core)
        others.push_back(std::async(std::launch::async, decode, core));
    decode(0);
    for (std::future<void>& f : others)
        f.get();
}

void ChannelSearch::Flush()
{
    DecodeBatch();
    for (size_t i = 0; i < m_batchUsed; ++i) {
        if (m_batch[i].decoded)
            Analyse(m_batch[i]);
        else
            ++m_result.damagedRecords;
    }
    m_batchUsed = 0;
}

void ChannelSearch::Analyse(const KeyFrame& key)
{
    const Verdict verdict = m_model.Compare(key.luma);
    ++m_result.analysedFrames;
    const Instant at = InstantOf(key.record);
    if (verdict.motion) {
        if (!m_open) {
            const std::optional<Instant> start = m_lastKey ? Refine(*m_lastKey, true) : std::nullopt;
            m_open = MotionEvent{start.value_or(at), at, verdict.strength};
        }
        m_open->end = at;
        m_open->peak = std::max(m_open->peak, verdict.strength);
        m_lastMoving = key.record;
    } else {
        EndEvent();
    }
    m_model.Learn(key.luma, verdict);
    m_lastKey = key.record;
}

void ChannelSearch::EndEvent()
{
    if (!m_open)
        return;
    if (const std::optional<Instant> end = Refine(*m_lastMoving, false))
        m_open->end = *end;
    m_builder.Add(*m_open);
    m_open.reset();
}

// Decodes the GOP that begins at `from` up to the next key frame (or a hole, or the end of
// the search) and gives the first (or last) frame that shows motion.
std::optional<Instant> ChannelSearch::Refine(const WalkedRecord& from, bool first)
{
    recording::ChannelWalk walk(m_file, from.offset, m_end, true);
    std::optional<Instant> found;
    std::optional<WalkedRecord> previous;
    std::vector<uint8_t> payload;
    while (std::optional<WalkedRecord> r = walk.Next()) {
        if (previous && (r->header.f_key == 1 || r->afterGap ||
                         InstantOf(*previous).MsUntil(InstantOf(*r)) > MotionSearch::kHoleMs))
            break;
        previous = r;
        if (!ReadPayload(*r, payload) || !m_gopDecoder.Decode(payload.data(), payload.size(), m_gopFrame))
            continue;
        ++m_result.analysedFrames;
        // A start lies after the key frame that was found still.
        if (!(first && r->offset == from.offset) && m_model.Compare(m_gopFrame).motion) {
            found = InstantOf(*r);
            if (first)
                break;
        }
    }
    return found;
}

} // namespace motion
