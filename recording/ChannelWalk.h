#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/File.h"
#include "recording/FrameRecord.h"
#include "recording/RecordHeaderReader.h"

namespace recording {

// A record of a run as a walk meets it: where its header begins, and the header.
struct WalkedRecord {
    uint64_t offset = 0;
    FrameRecord header;
    bool afterGap = false; // unreadable bytes lie between this record and the one before it
    uint64_t End() const { return offset + FrameRecord::kHeaderSize + header.f_size; }
};

// A stretch of a run that holds no record the walk can trust.
struct WalkGap {
    uint64_t begin = 0; // the damaged record's header
    uint64_t end = 0;   // the next trusted record, or where the readable run ends
    std::string damage; // what was wrong with the record at begin
    // The f_time of the intact records on either side, where there are such.
    std::optional<int32_t> timeBefore, timeAfter;

    // "unreadable from offset X to Y (N bytes, about T s)"; the time is left out when a
    // side has no intact record.
    std::string Text() const;
    // Text() followed by the damage.
    std::string Describe() const { return Text() + ": " + damage; }
};

// Steps through a run of records from its first byte to its end, reading only headers,
// and hands over only records it can trust: a header whose size and type are possible,
// whose payload lies inside the run and the file, and whose end is the run's end or the
// header of a record that links back to it (its f_prevSize is this record's f_size).
//
// After a damaged record the walk resynchronises: it scans forward byte by byte, up to the
// run's end or the file's end, for a header consistent with a neighbour (its f_prevSize
// pointing back at a possible header of that size, or its end holding a possible header
// that links back to it), and goes on from there. Each skipped stretch is kept as a gap.
class ChannelWalk {
public:
    // The run [begin, end); video runs also refuse an f_key other than 0 and 1.
    ChannelWalk(platform::File& file, uint64_t begin, uint64_t end, bool video);

    // Every record from `begin` to `end` without trusting any table: the runs lie back to
    // back, so a record starting a run (f_prevSize 0) may follow any record. For salvage of
    // a file whose header or tables cannot be believed.
    static ChannelWalk WholeFile(platform::File& file, uint64_t begin, uint64_t end);

    // The next trusted record; empty at the end of the run.
    std::optional<WalkedRecord> Next();

    // Reads the payload of a record it handed over, through its window where that still
    // holds it; false when the file ends first.
    bool ReadPayload(const WalkedRecord& r, std::vector<uint8_t>& payload);

    // Every stretch skipped so far, in file order.
    const std::vector<WalkGap>& Gaps() const { return m_gaps; }

private:
    ChannelWalk(platform::File& file, uint64_t begin, uint64_t end, bool video, bool wholeFile);

    bool Possible(const FrameRecord& r) const;
    bool LinksBack(const FrameRecord& next, const FrameRecord& r) const;
    std::string Check(const FrameRecord& r, uint64_t offset);
    bool Consistent(uint64_t offset, const FrameRecord& r);
    uint64_t Resynchronise(uint64_t from);

    RecordHeaderReader m_reader;
    RecordHeaderReader m_probe; // neighbours of candidates, so the scan keeps its window
    uint64_t m_begin;
    uint64_t m_pos;
    uint64_t m_end;
    uint64_t m_fileSize;
    uint64_t m_readableEnd; // the run's end or the file's, whichever comes first
    bool m_video;
    bool m_wholeFile;
    std::optional<FrameRecord> m_last;
    bool m_afterGap = false;
    std::vector<WalkGap> m_gaps;
};

} // namespace recording
