#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "platform/File.h"
#include "recording/FrameRecord.h"
#include "recording/RecordHeaderReader.h"

namespace recording {

// A record of a run as a walk meets it: where its header begins, and the header.
struct WalkedRecord {
    uint64_t offset = 0;
    FrameRecord header;
    uint64_t End() const { return offset + FrameRecord::kHeaderSize + header.f_size; }
};

// Steps through one run of records from its first byte to its end, reading only the
// headers. The walk ends at the run's end or at the first record it cannot trust; then
// Damage() says what was wrong with the record at DamageOffset().
class ChannelWalk {
public:
    ChannelWalk(platform::File& file, uint64_t begin, uint64_t end, bool video);

    std::optional<WalkedRecord> Next();

    const std::string& Damage() const { return m_damage; }
    uint64_t DamageOffset() const { return m_pos; }

private:
    std::optional<WalkedRecord> Fail(std::string what);

    RecordHeaderReader m_reader;
    uint64_t m_pos;
    uint64_t m_end;
    uint64_t m_fileSize;
    bool m_video;
    std::string m_damage;
};

} // namespace recording
