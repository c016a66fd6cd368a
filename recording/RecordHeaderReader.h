#pragma once
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/File.h"
#include "recording/FrameRecord.h"

namespace recording {

// Reads record headers through a window (64 KiB unless told otherwise), so a walk over many
// small records costs one read per window rather than one per record.
class RecordHeaderReader {
public:
    static constexpr size_t kWindow = 65'536;
    // A walk through a whole run reads it front to back: a window this large takes dozens of
    // records per system call and still fits the processor's cache (a larger one was slower).
    static constexpr size_t kRunWindow = 262'144;

    explicit RecordHeaderReader(platform::File& file, size_t window = kWindow) : m_file(file), m_window(window) {}

    // The whole 20-byte header at an absolute offset, or empty when the file ends inside it.
    std::optional<FrameRecord> ReadAt(uint64_t offset);
    // Reads [offset, offset + size) out of the window when it holds all of it, else from
    // the file; the count read. A copy that walks a run then reads each byte once.
    size_t Read(uint64_t offset, uint8_t* out, size_t size);

private:
    bool Holds(uint64_t offset, size_t size) const
    {
        return offset >= m_windowStart && offset + size <= m_windowStart + m_windowSize;
    }

    platform::File& m_file;
    std::vector<uint8_t> m_window;
    uint64_t m_windowStart = 0;
    size_t m_windowSize = 0;
};

} // namespace recording
