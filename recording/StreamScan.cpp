#include "recording/StreamScan.h"

#include <algorithm>
#include <vector>

#include "recording/ChannelWalk.h"
#include "recording/KeyFrame.h"
#include "recording/PlainNumber.h"
#include "recording/RecordHeaderReader.h"
#include "recording/TimeConversion.h"
#include "recording/TimeText.h"

namespace recording {
namespace {

constexpr int kChannels = RecordingHeader::kChannels;
// Recordings of 26 hours or more are refused.
constexpr int kMaxTotalHour = 25;

// Absent channels keep these; their keys sort behind real frames in both directions.
constexpr FrameInfo kInitialStart{0x7FFFFFFF, 0x7FFFFFFF, 9, 9, 9, 9, 9};
constexpr FrameInfo kInitialEnd{1, 1, 9, 1, 1, 1, 1};

enum class Walk { Found, NotFound, Failed };

std::string ChannelRecord(int k, const char* what, uint64_t offset)
{
    return "channel " + std::to_string(k) + "'s " + what + " at byte " + PlainNumber(static_cast<int64_t>(offset));
}

// Why no last key frame was found: a run that claims bytes the file does not have is the
// cause a user can act on, so it comes first.
std::string NoLastKeyReason(platform::File& file, int k, int64_t lower, int64_t upper)
{
    const std::string channel = "channel " + std::to_string(k);
    if (const int64_t size = file.Size(); size >= 0 && upper > size)
        return channel + "'s run ends at byte " + PlainNumber(upper) + " but the file has " + PlainNumber(size) + " bytes";
    if (upper - lower < int64_t{StreamScan::kChunk})
        return channel + "'s run holds " + PlainNumber(upper - lower) +
               " bytes, fewer than the 65,536 the search for its last key frame needs";
    return "no key frame was found in " + channel + "'s run, searching down from byte " + PlainNumber(upper) +
           " to byte " + PlainNumber(lower);
}

uint32_t OrderKey(const FrameInfo& x)
{
    const SystemTime t = FTimeToSystemTime(x.f_time);
    return ((uint32_t{t.wHour} * 60 + t.wMinute) * 60 + t.wSecond) * 1000 + x.f_msec;
}

// Insertion sort: the frame order is not a strict weak order for every input (keys wrap),
// and this sort stays within bounds whatever the comparator answers.
template <typename Less> void SortInfos(ScanResult::Infos& infos, Less less)
{
    for (size_t i = 1; i < infos.size(); ++i) {
        for (size_t j = i; j > 0 && less(infos[j], infos[j - 1]); --j)
            std::swap(infos[j], infos[j - 1]);
    }
}

Walk FindFirstKey(RecordHeaderReader& reader, uint64_t pos, uint64_t upper, int k, ScanResult& out)
{
    while (pos <= upper) {
        const std::optional<FrameRecord> r = reader.ReadAt(pos);
        if (!r)
            return Walk::NotFound; // the file ends inside the run
        if (r->f_key == 1) {
            out.firstKey[k] = FrameInfo::From(*r, k);
            out.firstKeyOffset[k] = static_cast<uint32_t>(pos);
            if (r->f_size != 0)
                return Walk::Found;
            out.reason = ChannelRecord(k, "first key frame", pos) + " has an empty payload (f_size 0)";
            return Walk::Failed;
        }
        if (r->f_key != 0) {
            out.reason = ChannelRecord(k, "video record", pos) + " has the key flag (f_key) " + std::to_string(r->f_key) +
                         ", where only 0 and 1 belong";
            return Walk::Failed;
        }
        pos += FrameRecord::kHeaderSize + uint64_t{r->f_size};
    }
    return Walk::NotFound;
}

// Searches whole 64 KiB chunks downward from the run's end for the last plausible key
// frame. A channel without one fails, as does one whose run is shorter than a chunk.
Walk FindLastKey(platform::File& file, const RecordingHeader& h, int64_t lower, int64_t cursor, int referenceYear,
                 int k, ScanResult& out)
{
    std::vector<uint8_t> chunk(StreamScan::kChunk);
    for (;;) {
        if (cursor - int64_t{StreamScan::kChunk} < lower)
            return Walk::Failed;
        const int64_t chunkStart = cursor - StreamScan::kChunk;
        std::fill(chunk.begin(), chunk.end(), 0);
        const size_t got = file.ReadAt(static_cast<uint64_t>(chunkStart), chunk.data(), chunk.size());
        cursor = chunkStart;
        if (got == 0) {
            // Chunks wholly past the end of the file read nothing either: step over them at
            // once, or a lying end position costs one empty read per 64 KiB down to the file.
            const int64_t size = file.Size();
            if (size >= 0 && cursor - int64_t{StreamScan::kChunk} >= size)
                cursor -= ((cursor - StreamScan::kChunk - size) / StreamScan::kChunk + 1) * StreamScan::kChunk;
            continue;
        }
        for (int64_t i = StreamScan::kChunk - 4; i >= 0; --i) {
            if (!IsKeyFrameStart(chunk.data() + i, StreamScan::kChunk - i, h.videoFormat))
                continue;
            const int64_t r = chunkStart + i - static_cast<int64_t>(FrameRecord::kHeaderSize);
            uint8_t bytes[FrameRecord::kHeaderSize];
            if (file.ReadAt(static_cast<uint64_t>(r), bytes, sizeof bytes) != sizeof bytes)
                continue;
            const FrameRecord rec = FrameRecord::Parse(bytes);
            if (rec.f_key != 1 || !IsPlausible(rec, referenceYear))
                continue;
            out.lastKey[k] = FrameInfo::From(rec, k);
            if (rec.f_size == 0) {
                out.reason = ChannelRecord(k, "last key frame", static_cast<uint64_t>(r)) + " has an empty payload (f_size 0)";
                return Walk::Failed;
            }
            out.videoEnd[k] = static_cast<uint32_t>(r);
            return Walk::Found;
        }
    }
}

// The frames after the last key frame play too: the walk from it to the run's end finds the
// last record that lies whole inside the run with a plausible stamp, none earlier than the
// one before it.
void FindLastFrame(platform::File& file, uint64_t upper, int referenceYear, int k, ScanResult& out)
{
    ChannelWalk walk(file, out.videoEnd[k], upper, true);
    out.videoLast[k] = out.videoEnd[k];
    out.lastFrame[k] = out.lastKey[k];
    while (const std::optional<WalkedRecord> r = walk.Next()) {
        if (!IsPlausible(r->header, referenceYear) || r->header.f_msec < out.lastFrame[k]->f_msec)
            break;
        out.videoLast[k] = static_cast<uint32_t>(r->offset);
        out.lastFrame[k] = FrameInfo::From(r->header, k);
    }
}

// With no run to read, the first entry that claims one says where the file ends too soon.
std::string NoRunReason(platform::File& file, const RecordingHeader& h, uint32_t dataOffset)
{
    for (int k = 0; k < kChannels; ++k) {
        if (h.videoCh[k].HasRun())
            return "channel " + std::to_string(k) + "'s run starts at byte " +
                   PlainNumber(int64_t{dataOffset} + h.videoCh[k].startPos) + " but the file has " +
                   PlainNumber(file.Size()) + " bytes";
    }
    return "no video entry has a run of records";
}

ScanResult Fail(ScanResult& out, bool withC1008)
{
    out.ok = false;
    if (withC1008)
        out.messages.push_back(RecordingError::C1008);
    return out;
}

// Start, end and length from the first entries of the sorted tables.
bool DeriveTimes(ScanResult& out)
{
    out.endTime = FTimeToSystemTime(out.endInfo[0].f_time);
    out.endTime.wMilliseconds = static_cast<uint16_t>(out.endInfo[0].f_msec);
    out.startTime = FTimeToSystemTime(out.startInfo[0].f_time);
    out.posTime = out.startTime;
    out.posTime.wMilliseconds = static_cast<uint16_t>(out.startInfo[0].f_msec);
    out.curTime = out.posTime;
    out.startMsec = out.startInfo[0].f_msec;
    out.endMsec = out.endInfo[0].f_msec;

    const int32_t d = static_cast<int32_t>(out.endMsec - out.startMsec);
    const int32_t q = d / 1000;
    out.seekMax = q - 1;
    const int64_t total = int64_t{q} + 1;
    if (total < 0) {
        out.reason = "the latest last key frame's stamp (f_msec) lies " + PlainNumber(-int64_t{d}) +
                     " ms before the earliest first key frame's";
        return false;
    }
    if (total / 3600 > kMaxTotalHour) {
        out.reason = "from its first to its last key frame it lasts " + std::to_string(total / 3600) +
                     " hours; 26 hours or more cannot be played";
        return false;
    }
    out.totalTime = SystemTime{};
    out.totalTime.wMilliseconds = static_cast<uint16_t>(d % 1000);
    out.totalTime.wHour = static_cast<uint16_t>(total / 3600);
    out.totalTime.wMinute = static_cast<uint16_t>((total - 3600 * out.totalTime.wHour) / 60);
    out.totalTime.wSecond = static_cast<uint16_t>(total % 60);
    out.totalText = FormatElapsedTotal(0, 0, 0, out.totalTime.wHour, out.totalTime.wMinute, out.totalTime.wSecond);
    return true;
}

} // namespace

bool StreamScan::FrameOrderLess(const FrameInfo& a, const FrameInfo& b)
{
    if (a.f_time == b.f_time)
        return a.f_msec < b.f_msec;
    return OrderKey(a) < OrderKey(b);
}

ScanResult StreamScan::Run(platform::File& file, const RecordingHeader& h, const ChannelTables& tables,
                           int referenceYear)
{
    ScanResult out;
    out.startInfo.fill(kInitialStart);
    out.endInfo.fill(kInitialEnd);

    RecordHeaderReader reader(file);
    for (int k = 0; k < kChannels; ++k) {
        const ChannelEntry& e = h.videoCh[k];
        if (!tables.videoRun[k])
            continue;
        const uint32_t upper = tables.dataOffset + e.endPos;
        const Walk walk = FindFirstKey(reader, tables.videoStart[k], upper, k, out);
        if (walk == Walk::Failed)
            return Fail(out, out.firstKey[k] && out.firstKey[k]->f_size == 0);
        if (walk == Walk::Found)
            out.startInfo[k] = *out.firstKey[k];
    }
    SortInfos(out.startInfo, FrameOrderLess);

    for (int k = 0; k < kChannels; ++k) {
        const ChannelEntry& e = h.videoCh[k];
        if (!tables.videoRun[k])
            continue;
        const uint32_t lower = tables.dataOffset + e.startPos;
        const uint32_t upper = tables.dataOffset + e.endPos;
        if (FindLastKey(file, h, lower, upper, referenceYear, k, out) == Walk::Failed) {
            // The run as the header gives it, without the 32-bit wrap of the search's bounds.
            if (out.reason.empty())
                out.reason = NoLastKeyReason(file, k, int64_t{tables.dataOffset} + e.startPos,
                                             int64_t{tables.dataOffset} + e.endPos);
            return Fail(out, true);
        }
        FindLastFrame(file, upper, referenceYear, k, out);
        out.endInfo[k] = *out.lastFrame[k];
    }
    SortInfos(out.endInfo, [](const FrameInfo& a, const FrameInfo& b) { return FrameOrderLess(b, a); });

    out.ok = DeriveTimes(out);
    if (!out.ok && std::ranges::none_of(tables.videoRun, [](int run) { return run != 0; }))
        out.reason = NoRunReason(file, h, tables.dataOffset);
    return out;
}

} // namespace recording
