#include "recording/RecordingSalvage.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>

#include "recording/ChannelTables.h"
#include "recording/HeaderCheck.h"
#include "recording/KeyFrame.h"
#include "recording/StreamScan.h"

namespace recording {
namespace {

constexpr uint64_t kBlock = 4096;

bool HeaderHolds(const RecordingHeader& h)
{
    return h.version <= 2 && !HeaderCheck::CheckChannels(h) && (h.videoMask & 0xFFFF) != 0 && h.videoFormat <= 4;
}

using RunKey = std::pair<bool, int>; // audio, channel

// The entry of a believed table whose run holds the record.
std::optional<RunKey> TableRun(const RecordingHeader& h, uint64_t offset)
{
    const uint64_t data = ChannelTables::DataOffset(h.version);
    for (const bool audio : {false, true}) {
        const uint32_t mask = audio ? h.audioMask : h.videoMask;
        for (int k = 0; k < RecordingHeader::kChannels; ++k) {
            const ChannelEntry& e = (audio ? h.audioCh : h.videoCh)[k];
            if ((mask & (1u << k)) && e.HasRun() && offset >= data + e.startPos && offset < data + e.endPos)
                return RunKey{audio, k};
        }
    }
    return std::nullopt;
}

// Channels by the table; empty when a record lies outside every run the table names.
std::map<RunKey, SalvagedRun> ByTable(const RecordingHeader& h, const std::vector<WalkedRecord>& records)
{
    std::map<RunKey, SalvagedRun> runs;
    for (const WalkedRecord& r : records) {
        const std::optional<RunKey> key = TableRun(h, r.offset);
        if (!key)
            return {};
        runs[*key].records.push_back(r);
    }
    return runs;
}

// Channels by chains of linked records: a record with no back link starts a new chain.
std::map<RunKey, SalvagedRun> ByChain(const std::vector<WalkedRecord>& records)
{
    std::vector<std::vector<WalkedRecord>> chains;
    for (const WalkedRecord& r : records) {
        if (chains.empty() || r.header.f_prevSize == 0)
            chains.emplace_back();
        chains.back().push_back(r);
    }
    std::map<RunKey, SalvagedRun> runs;
    int next[2] = {0, 0};
    for (std::vector<WalkedRecord>& chain : chains) {
        const bool audio =
            std::none_of(chain.begin(), chain.end(), [](const WalkedRecord& r) { return r.header.f_key == 1; });
        if (next[audio] < RecordingHeader::kChannels)
            runs[{audio, next[audio]++}].records = std::move(chain);
    }
    return runs;
}

// The run of the last record before the gap, or of the first record after it.
std::optional<RunKey> Neighbour(const std::map<RunKey, SalvagedRun>& runs, const WalkGap& gap)
{
    std::optional<RunKey> before, after;
    uint64_t beforeAt = 0, afterAt = UINT64_MAX;
    for (const auto& [key, run] : runs) {
        for (const WalkedRecord& r : run.records) {
            if (r.offset < gap.begin && (!before || r.offset > beforeAt)) {
                before = key;
                beforeAt = r.offset;
            }
            if (r.offset >= gap.end && r.offset < afterAt) {
                after = key;
                afterAt = r.offset;
            }
        }
    }
    return before ? before : after;
}

// Each gap goes to the run a believed table places its start in; a channel of the table
// that kept nothing is reported whole elsewhere. Without a table, to the neighbouring run.
void PlaceGaps(std::map<RunKey, SalvagedRun>& runs, const std::vector<WalkGap>& gaps, const RecordingHeader* table)
{
    for (const WalkGap& gap : gaps) {
        const std::optional<RunKey> inTable = table ? TableRun(*table, gap.begin) : std::nullopt;
        const std::optional<RunKey> owner = inTable ? inTable : Neighbour(runs, gap);
        if (owner && runs.count(*owner))
            runs[*owner].gaps.push_back(gap);
    }
}

// The format whose key-frame start the first key frame's payload carries; the block in
// front of formats 3 and 4 is tried before the bare stream, which would also match it.
uint8_t GuessFormat(platform::File& file, const std::vector<SalvagedRun>& runs, uint8_t stated)
{
    for (const SalvagedRun& run : runs) {
        for (const WalkedRecord& r : run.records) {
            if (run.audio || r.header.f_key != 1)
                continue;
            std::vector<uint8_t> start(kPrefixBlockSize + 5);
            const size_t got = file.ReadAt(r.offset + FrameRecord::kHeaderSize, start.data(),
                                           std::min<size_t>(start.size(), r.header.f_size));
            for (const uint8_t format : {stated, uint8_t{4}, uint8_t{2}, uint8_t{0}}) {
                if (format <= 4 && IsKeyFrameStart(start.data(), got, format))
                    return format;
            }
            return stated;
        }
    }
    return stated;
}

// Whether the player's backward search from the run's end meets a key frame: it examines
// whole 64 KiB chunks only.
bool Playable(const SalvagedRun& run)
{
    if (run.audio)
        return true;
    if (run.records.empty())
        return false;
    const uint64_t length = run.Bytes();
    if (length < StreamScan::kChunk)
        return false;
    const uint64_t unexamined = length % StreamScan::kChunk;
    uint64_t at = 0;
    for (const WalkedRecord& r : run.records) {
        if (r.header.f_key == 1 && at + FrameRecord::kHeaderSize >= unexamined)
            return true;
        at += r.End() - r.offset;
    }
    return false;
}

} // namespace

uint64_t SalvagedRun::Bytes() const
{
    uint64_t bytes = 0;
    for (const WalkedRecord& r : records)
        bytes += r.End() - r.offset;
    return bytes;
}

RecordingSalvage::Result RecordingSalvage::Find(platform::File& file)
{
    Result result;
    result.fileSize = file.Size() < 0 ? 0 : static_cast<uint64_t>(file.Size());
    result.header = HeaderCheck::ReadAt(file, 0);
    uint64_t end = result.fileSize;
    if (result.header.version == 2 && result.fileSize >= 2 * kBlock) {
        const RecordingHeader trailing = HeaderCheck::ReadAt(file, result.fileSize - kBlock);
        // A version-2 file cut short has lost its header with its tail.
        if (HeaderHolds(trailing)) {
            result.header = trailing;
            end = result.fileSize - kBlock;
        }
    }
    // An unknown version leaves the data offset open: the walk starts at the lower one and
    // steps over whatever fills the rest of a leading block.
    const uint64_t begin =
        result.header.version <= 2 ? ChannelTables::DataOffset(result.header.version) : RecordingHeader::kSize;
    if (result.header.version > 2)
        result.header.version = 0;
    std::vector<WalkedRecord> records;
    ChannelWalk walk = ChannelWalk::WholeFile(file, begin, end);
    while (const std::optional<WalkedRecord> r = walk.Next())
        records.push_back(*r);

    std::map<RunKey, SalvagedRun> runs;
    if (HeaderHolds(result.header))
        runs = ByTable(result.header, records);
    result.tablesBelieved = !runs.empty();
    if (!result.tablesBelieved)
        runs = ByChain(records);
    PlaceGaps(runs, walk.Gaps(), result.tablesBelieved ? &result.header : nullptr);
    for (auto& [key, run] : runs) {
        run.audio = key.first;
        run.channel = key.second;
        run.playable = Playable(run);
        result.runs.push_back(std::move(run));
    }
    result.header.videoFormat = GuessFormat(file, result.runs, result.header.videoFormat);
    return result;
}

} // namespace recording
