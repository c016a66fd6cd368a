#include "recording/RecordHeaderReader.h"

#include <cstring>

namespace recording {

std::optional<FrameRecord> RecordHeaderReader::ReadAt(uint64_t offset)
{
    if (!Holds(offset, FrameRecord::kHeaderSize)) {
        m_windowStart = offset;
        m_windowSize = m_file.ReadAt(offset, m_window.data(), m_window.size());
        if (m_windowSize < FrameRecord::kHeaderSize)
            return std::nullopt;
    }
    return FrameRecord::Parse(m_window.data() + (offset - m_windowStart));
}

size_t RecordHeaderReader::Read(uint64_t offset, uint8_t* out, size_t size)
{
    if (!Holds(offset, size))
        return m_file.ReadAt(offset, out, size);
    std::memcpy(out, m_window.data() + (offset - m_windowStart), size);
    return size;
}

} // namespace recording
