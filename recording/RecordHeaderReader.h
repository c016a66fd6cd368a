#pragma once
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/File.h"
#include "recording/FrameRecord.h"

namespace recording {

// Reads record headers through a 64 KiB window, so a walk over many small records costs
// one read per window rather than one per record.
class RecordHeaderReader {
public:
    explicit RecordHeaderReader(platform::File& file) : m_file(file), m_window(kWindow) {}

    // The whole 20-byte header at an absolute offset, or empty when the file ends inside it.
    std::optional<FrameRecord> ReadAt(uint64_t offset);

private:
    static constexpr size_t kWindow = 65'536;
    platform::File& m_file;
    std::vector<uint8_t> m_window;
    uint64_t m_windowStart = 0;
    size_t m_windowSize = 0;
};

} // namespace recording
