#include "recording/HeaderCheck.h"

namespace recording {
namespace {

constexpr int64_t kBlockSize = 4096;

std::optional<RecordingError> CheckVersionAndSize(uint8_t version, int64_t size)
{
    if (version > 2)
        return RecordingError::C1003;
    if (version == 0 && size < kMinimumFileSize)
        return RecordingError::C1001;
    if (version != 0 && size < kBlockSize + 1)
        return RecordingError::C1002;
    return std::nullopt;
}

} // namespace

RecordingHeader HeaderCheck::ReadAt(platform::File& file, uint64_t offset)
{
    std::array<uint8_t, RecordingHeader::kSize> bytes{};
    file.ReadAt(offset, bytes.data(), bytes.size());
    return RecordingHeader::Parse(bytes);
}

std::optional<RecordingError> HeaderCheck::CheckChannels(const RecordingHeader& h)
{
    // Channel numbers index 16-entry tables; a video number outside them is as broken as
    // a negative one.
    for (const ChannelEntry& e : h.videoCh) {
        if (e.chNumber < 0 || e.chNumber >= RecordingHeader::kChannels)
            return RecordingError::C1004;
    }
    if (h.chCount == 0 || h.chCount > RecordingHeader::kChannels)
        return RecordingError::C1005;
    return std::nullopt;
}

HeaderCheck HeaderCheck::Run(platform::File& file)
{
    HeaderCheck check;
    check.header = ReadAt(file, 0);
    check.fileSize = file.Size();
    check.error = CheckVersionAndSize(check.header.version, check.fileSize);
    if (check.error)
        return check;
    if (check.header.version == 2) {
        check.header = ReadAt(file, static_cast<uint64_t>(check.fileSize - kBlockSize));
        // The trailing block must itself be a header; its version decides the data offset.
        if (check.header.version > 2) {
            check.error = RecordingError::C1003;
            return check;
        }
    }
    check.error = CheckChannels(check.header);
    return check;
}

} // namespace recording
