#include "recording/ChannelWalk.h"

namespace recording {

ChannelWalk::ChannelWalk(platform::File& file, uint64_t begin, uint64_t end, bool video)
    : m_reader(file), m_pos(begin), m_end(end), m_fileSize(file.Size() < 0 ? 0 : static_cast<uint64_t>(file.Size())),
      m_video(video)
{
}

std::optional<WalkedRecord> ChannelWalk::Next()
{
    if (!m_damage.empty() || m_pos >= m_end)
        return std::nullopt;
    const std::optional<FrameRecord> header = m_reader.ReadAt(m_pos);
    if (!header || m_pos + FrameRecord::kHeaderSize > m_end)
        return Fail(header ? "header reaches past the end of the run" : "header is cut off by the end of the file");
    const WalkedRecord record{m_pos, *header};
    if (header->f_size > FrameRecord::kMaxPayload)
        return Fail("f_size " + std::to_string(header->f_size) + " is more than a frame can hold");
    if (record.End() > m_end)
        return Fail("payload reaches past the end of the run");
    if (record.End() > m_fileSize)
        return Fail("payload is cut off by the end of the file");
    if (m_video && header->f_key > 1)
        return Fail("f_key " + std::to_string(header->f_key) + " is neither 0 nor 1");
    m_pos = record.End();
    return record;
}

std::optional<WalkedRecord> ChannelWalk::Fail(std::string what)
{
    m_damage = std::move(what);
    return std::nullopt;
}

} // namespace recording
