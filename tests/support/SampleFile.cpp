#include "support/SampleFile.h"

#include <fstream>

#include <gtest/gtest.h>

namespace testsupport {

SampleFile SampleFile::LoadBytes(const std::filesystem::path& path)
{
    SampleFile f;
    std::ifstream in(path, std::ios::binary);
    f.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return f;
}

SampleFile SampleFile::Load(const std::filesystem::path& path)
{
    SampleFile f = LoadBytes(path);
    if (f.bytes.size() < 4097) {
        ADD_FAILURE() << path << " is only " << f.bytes.size() << " bytes";
        return f;
    }
    const uint8_t version = f.bytes[2];
    const size_t headerAt = version == 2 ? f.bytes.size() - 4096 : 0;
    std::array<uint8_t, recording::RecordingHeader::kSize> raw{};
    std::copy_n(f.bytes.begin() + static_cast<std::ptrdiff_t>(headerAt), raw.size(), raw.begin());
    f.header = recording::RecordingHeader::Parse(raw);
    f.dataOffset = version == 0 ? 2037 : 4096;
    return f;
}

std::vector<SampleFile::Record> SampleFile::Run(const recording::ChannelEntry& entry) const
{
    return Records(dataOffset + entry.startPos, dataOffset + entry.endPos);
}

std::vector<uint8_t> SampleFile::Payloads(const recording::ChannelEntry& entry, size_t skip) const
{
    std::vector<uint8_t> out;
    for (const Record& r : Run(entry))
        out.insert(out.end(), r.payload.begin() + static_cast<std::ptrdiff_t>(skip), r.payload.end());
    return out;
}

std::vector<SampleFile::Record> SampleFile::Records(uint64_t from, uint64_t end) const
{
    std::vector<Record> records;
    for (uint64_t pos = from; pos < end;) {
        if (pos + 20 > bytes.size()) {
            ADD_FAILURE() << "record at " << pos << " is cut off";
            break;
        }
        const auto header = recording::FrameRecord::Parse(&bytes[pos]);
        if (pos + 20 + header.f_size > end) {
            ADD_FAILURE() << "record at " << pos << " leaves its run";
            break;
        }
        records.push_back({pos, header, {&bytes[pos + 20], header.f_size}});
        pos += 20 + header.f_size;
    }
    return records;
}

} // namespace testsupport
