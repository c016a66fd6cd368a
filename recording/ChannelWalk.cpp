#include "recording/ChannelWalk.h"

#include <algorithm>

namespace recording {
namespace {

constexpr uint64_t kHeader = FrameRecord::kHeaderSize;
// Neighbouring records of one run are recorded within a day of each other; a candidate
// whose neighbour is further away in time is payload that happens to look like a header.
constexpr int64_t kNeighbourSeconds = 86'400;

uint64_t FileSize(const platform::File& file) { return file.Size() < 0 ? 0 : static_cast<uint64_t>(file.Size()); }

bool Near(const FrameRecord& a, const FrameRecord& b)
{
    const int64_t d = int64_t{a.f_time} - b.f_time;
    return d <= kNeighbourSeconds && d >= -kNeighbourSeconds;
}

} // namespace

std::string WalkGap::Text() const
{
    std::string text = "unreadable from offset " + std::to_string(begin) + " to " + std::to_string(end) + " (" +
                       std::to_string(end - begin) + " bytes";
    if (timeBefore && timeAfter)
        text += ", about " + std::to_string(int64_t{*timeAfter} - *timeBefore) + " s";
    return text + ")";
}

ChannelWalk::ChannelWalk(platform::File& file, uint64_t begin, uint64_t end, bool video)
    : ChannelWalk(file, begin, end, video, false)
{
}

ChannelWalk ChannelWalk::WholeFile(platform::File& file, uint64_t begin, uint64_t end)
{
    return ChannelWalk(file, begin, end, true, true);
}

ChannelWalk::ChannelWalk(platform::File& file, uint64_t begin, uint64_t end, bool video, bool wholeFile)
    : m_reader(file, RecordHeaderReader::kRunWindow), m_probe(file), m_begin(begin), m_pos(begin), m_end(end),
      m_fileSize(FileSize(file)), m_readableEnd(std::min(end, m_fileSize)), m_video(video), m_wholeFile(wholeFile)
{
}

bool ChannelWalk::ReadPayload(const WalkedRecord& r, std::vector<uint8_t>& payload)
{
    payload.resize(r.header.f_size);
    return m_reader.Read(r.offset + kHeader, payload.data(), payload.size()) == payload.size();
}

bool ChannelWalk::Possible(const FrameRecord& r) const
{
    // A frame always has bytes: a zero size is what a zero-filled block reads as.
    return r.f_size != 0 && r.f_size <= FrameRecord::kMaxPayload && (!m_video || r.f_key <= 1);
}

bool ChannelWalk::LinksBack(const FrameRecord& next, const FrameRecord& r) const
{
    return next.f_prevSize == r.f_size || (m_wholeFile && next.f_prevSize == 0 && Possible(next));
}

// Why the record at offset cannot be handed over; empty when it can.
std::string ChannelWalk::Check(const FrameRecord& r, uint64_t offset)
{
    const uint64_t end = offset + kHeader + r.f_size;
    if (offset + kHeader > m_end)
        return "header reaches past the end of the run";
    if (r.f_size == 0)
        return "f_size 0 holds no frame";
    if (r.f_size > FrameRecord::kMaxPayload)
        return "f_size " + std::to_string(r.f_size) + " is more than a frame can hold";
    if (m_video && r.f_key > 1)
        return "f_key " + std::to_string(r.f_key) + " is neither 0 nor 1";
    if (end > m_fileSize)
        return "payload is cut off by the end of the file";
    if (end > m_end)
        return "payload reaches past the end of the run";
    // The next header's back link confirms this size; a header there that is cut off by
    // the end of the file is that record's damage, not this one's. Within the run it is read
    // through the walk's own window, where the walk reads it next: a second window would read
    // every byte of the run twice. At the run's end a record that goes on from this one (a
    // clip's span ends inside its run) must link back too; the first record of another run
    // (f_prevSize 0) or bytes that are no record need not.
    const std::optional<FrameRecord> next =
        end < m_end ? m_reader.ReadAt(end) : end < m_fileSize ? m_probe.ReadAt(end) : std::nullopt;
    const bool goesOn = end < m_end || (next && Possible(*next) && next->f_prevSize != 0 && Near(*next, r));
    if (next && goesOn && !LinksBack(*next, r))
        return "f_size " + std::to_string(r.f_size) + " runs into a header at offset " + std::to_string(end) +
               " that does not link back to it (f_prevSize " + std::to_string(next->f_prevSize) + ")";
    return {};
}

bool ChannelWalk::Consistent(uint64_t offset, const FrameRecord& r)
{
    if (!Possible(r) || offset + kHeader + r.f_size > m_readableEnd)
        return false;
    if (r.f_prevSize != 0 && r.f_prevSize <= FrameRecord::kMaxPayload && offset >= m_begin + kHeader + r.f_prevSize) {
        const std::optional<FrameRecord> before = m_probe.ReadAt(offset - kHeader - r.f_prevSize);
        if (before && Possible(*before) && before->f_size == r.f_prevSize && Near(*before, r))
            return true;
    }
    // The neighbour after may lie past the run's end: a clip's span is walked again with its
    // last record as the end, and that walk must resume where the run's own walk did.
    const uint64_t end = offset + kHeader + r.f_size;
    const std::optional<FrameRecord> after = end < m_fileSize ? m_probe.ReadAt(end) : std::nullopt;
    return after && Possible(*after) && after->f_prevSize == r.f_size && Near(*after, r);
}

// The offset of the next header consistent with a neighbour at or after `from`, or the
// readable end when there is none.
uint64_t ChannelWalk::Resynchronise(uint64_t from)
{
    for (uint64_t offset = from; offset + kHeader <= m_readableEnd; ++offset) {
        const std::optional<FrameRecord> r = m_reader.ReadAt(offset);
        if (r && Consistent(offset, *r))
            return offset;
    }
    return std::max(from, m_readableEnd);
}

std::optional<WalkedRecord> ChannelWalk::Next()
{
    while (m_pos < m_end) {
        const std::optional<FrameRecord> header = m_reader.ReadAt(m_pos);
        const std::string damage = header ? Check(*header, m_pos) : "header is cut off by the end of the file";
        if (damage.empty()) {
            const WalkedRecord record{m_pos, *header, m_afterGap};
            m_pos = record.End();
            m_last = *header;
            m_afterGap = false;
            return record;
        }
        const uint64_t resumed = Resynchronise(m_pos + 1);
        WalkGap gap{m_pos, resumed, damage, m_last ? std::optional(m_last->f_time) : std::nullopt, std::nullopt};
        if (resumed < m_readableEnd) {
            gap.timeAfter = m_reader.ReadAt(resumed)->f_time;
            m_pos = resumed;
        } else {
            m_pos = m_end; // nothing more can be trusted
        }
        m_gaps.push_back(std::move(gap));
        m_afterGap = true;
    }
    return std::nullopt;
}

} // namespace recording
