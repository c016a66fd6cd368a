#pragma once
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "recording/FrameRecord.h"
#include "recording/RecordingHeader.h"

namespace testsupport {

// A recording read whole into memory and taken apart without the reader under test:
// small sample files only.
struct SampleFile {
    struct Record {
        uint64_t offset = 0;
        recording::FrameRecord header;
        std::span<const uint8_t> payload;
    };

    std::vector<uint8_t> bytes;
    recording::RecordingHeader header;
    uint64_t dataOffset = 0;

    static SampleFile Load(const std::filesystem::path& path);
    // The bytes alone, for files without a recording header (a channel export's records).
    static SampleFile LoadBytes(const std::filesystem::path& path);
    // The records of an entry's run.
    std::vector<Record> Run(const recording::ChannelEntry& entry) const;
    // The payloads of an entry's run one after another, each without its first skip bytes.
    std::vector<uint8_t> Payloads(const recording::ChannelEntry& entry, size_t skip = 0) const;
    // The records from one offset to another, stepping by 20 + f_size; stops (with a test
    // failure) when a record leaves that span or the file.
    std::vector<Record> Records(uint64_t from, uint64_t end) const;
};

} // namespace testsupport
