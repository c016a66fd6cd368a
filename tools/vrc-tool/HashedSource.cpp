#include "tools/vrc-tool/HashedSource.h"

#include <algorithm>
#include <cstring>

namespace vrctool {

bool HashedSource::Open(const std::string& path)
{
    if (!m_file.Open(path))
        return false;
    m_size = static_cast<uint64_t>(std::max<int64_t>(m_file.Size(), 0));
    m_opened = m_file.Identity();
    return true;
}

std::string HashedSource::Changed() const
{
    return m_opened ? platform::FileIdentity::Change(*m_opened, m_file.Identity()) : std::string();
}

bool HashedSource::ReadBlock()
{
    if (m_failed || m_hashed >= m_size)
        return false;
    Block block;
    if (m_blocks.size() == kBlocksKept) {
        block = std::move(m_blocks.front());
        m_blocks.pop_front();
    }
    block.bytes.resize(kBlock);
    block.start = m_hashed;
    block.size = m_file.ReadAt(m_hashed, block.bytes.data(), static_cast<size_t>(std::min<uint64_t>(kBlock, m_size - m_hashed)));
    if (block.size == 0) {
        m_failed = true;
        return false;
    }
    m_sha.Update(block.bytes.data(), block.size);
    m_hashed += block.size;
    m_blocks.push_back(std::move(block));
    return true;
}

// Copies [offset, offset + size) out of the blocks; false when they do not hold all of it.
bool HashedSource::Copy(uint64_t offset, uint8_t* out, size_t size) const
{
    if (m_blocks.empty() || offset < m_blocks.front().start || offset + size > m_hashed)
        return false;
    for (const Block& b : m_blocks) {
        const uint64_t from = std::max(offset, b.start), to = std::min(offset + size, b.start + b.size);
        if (from < to)
            std::memcpy(out + (from - offset), b.bytes.data() + (from - b.start), static_cast<size_t>(to - from));
    }
    return true;
}

size_t HashedSource::ReadAt(uint64_t offset, void* buffer, size_t size)
{
    if (offset >= m_size)
        return 0;
    size = static_cast<size_t>(std::min<uint64_t>(size, m_size - offset));
    while (m_hashed < offset + size && ReadBlock()) {
    }
    if (Copy(offset, static_cast<uint8_t*>(buffer), size))
        return size;
    return m_file.ReadAt(offset, buffer, size);
}

std::optional<std::string> HashedSource::Finish(const std::function<void(uint64_t)>& done)
{
    if (!m_digest) {
        while (ReadBlock()) {
            if (done)
                done(m_hashed);
        }
        m_digest = m_failed || m_hashed != m_size ? "" : m_sha.HexDigest();
    }
    return m_digest->empty() ? std::nullopt : m_digest;
}

} // namespace vrctool
