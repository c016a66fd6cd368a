#include "tools/sample/RecordingWriter.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include "recording/ChannelTables.h"
#include "recording/FrameRecord.h"

namespace sample {
namespace {

constexpr size_t kBlockSize = 4096;
// Offsets in the header are 32-bit.
constexpr uint64_t kMaxFileSize = 0xFFFFFFFFull;

} // namespace

RecordingWriter::~RecordingWriter()
{
    if (m_file)
        std::fclose(m_file);
}

bool RecordingWriter::Fail(const std::string& what)
{
    if (m_error.empty())
        m_error = m_path + ": " + what;
    return false;
}

bool RecordingWriter::Write(const void* bytes, size_t size)
{
    // An empty part (no block in front of the payload) may come without a buffer.
    if (size != 0 && std::fwrite(bytes, 1, size, m_file) != size)
        return Fail(std::string("cannot write: ") + std::strerror(errno));
    return true;
}

bool RecordingWriter::Open(const std::string& path, int version)
{
    m_path = path;
    m_version = version;
    m_file = std::fopen(path.c_str(), "wb");
    if (!m_file)
        return Fail(std::string("cannot create: ") + std::strerror(errno));
    std::setvbuf(m_file, nullptr, _IOFBF, 1 << 20);
    m_dataOffset = recording::ChannelTables::DataOffset(static_cast<uint8_t>(version));
    m_end = m_dataOffset;
    const std::vector<uint8_t> reserved(m_dataOffset, 0);
    return Write(reserved.data(), reserved.size());
}

void RecordingWriter::BeginRun()
{
    m_runStart = m_end;
    m_prevSize = 0;
}

bool RecordingWriter::Append(int32_t fTime, uint32_t fMsec, uint32_t fKey, std::span<const uint8_t> prefix,
                             std::span<const uint8_t> payload)
{
    const uint64_t size = prefix.size() + payload.size();
    if (size > recording::FrameRecord::kMaxPayload)
        return Fail("a frame of " + std::to_string(size) + " bytes is larger than the player's " +
                    std::to_string(recording::FrameRecord::kMaxPayload) + "-byte buffer");
    if (m_end + recording::FrameRecord::kHeaderSize + size + kBlockSize > kMaxFileSize)
        return Fail("the recording would pass 4 GiB, beyond the header's 32-bit offsets");
    const recording::FrameRecord record{fTime, fMsec, static_cast<uint32_t>(size), m_prevSize, fKey};
    uint8_t header[recording::FrameRecord::kHeaderSize];
    record.Serialize(header);
    if (!Write(header, sizeof header) || !Write(prefix.data(), prefix.size()) || !Write(payload.data(), payload.size()))
        return false;
    m_end += sizeof header + size;
    m_prevSize = record.f_size;
    return true;
}

void RecordingWriter::EndRun(recording::ChannelEntry& entry) const
{
    entry.startPos = static_cast<uint32_t>(m_runStart - m_dataOffset);
    entry.endPos = static_cast<uint32_t>(m_end - m_dataOffset);
}

bool RecordingWriter::Finish(const recording::RecordingHeader& header)
{
    const auto bytes = header.Serialize();
    if (m_version == 2) {
        // Version 2 keeps the header proper in a trailing block; the leading block only
        // announces the version.
        std::vector<uint8_t> trailing(kBlockSize, 0);
        std::memcpy(trailing.data(), bytes.data(), bytes.size());
        std::vector<uint8_t> leading(kBlockSize, 0);
        leading[2] = 2;
        if (!Write(trailing.data(), trailing.size()) || std::fseek(m_file, 0, SEEK_SET) != 0 ||
            !Write(leading.data(), leading.size()))
            return Fail("cannot write the header blocks");
    } else if (std::fseek(m_file, 0, SEEK_SET) != 0 || !Write(bytes.data(), bytes.size())) {
        return Fail("cannot write the header");
    }
    const bool closed = std::fclose(m_file) == 0;
    m_file = nullptr;
    return closed || Fail(std::string("cannot close: ") + std::strerror(errno));
}

} // namespace sample
