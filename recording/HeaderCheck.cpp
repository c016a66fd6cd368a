#include "recording/HeaderCheck.h"

#include "recording/PlainNumber.h"

namespace recording {
namespace {

constexpr int64_t kBlockSize = 4096;

bool Refuse(HeaderCheck& check, RecordingError error, std::string reason)
{
    check.error = error;
    check.reason = std::move(reason);
    return false;
}

bool CheckVersionAndSize(HeaderCheck& check)
{
    const int version = check.header.version;
    const std::string size = PlainNumber(check.fileSize);
    // The shortest file is refused whatever its first bytes say.
    if (check.fileSize < kMinimumFileSize)
        return Refuse(check, RecordingError::C1001, "it has " + size + " bytes, fewer than the 2,038 of the smallest recording");
    if (version > 2)
        return Refuse(check, RecordingError::C1003,
                      "its version (byte 2) is " + std::to_string(version) + ", where only 0, 1 and 2 are known");
    if (version != 0 && check.fileSize < kBlockSize + 1)
        return Refuse(check, RecordingError::C1002,
                      "a version " + std::to_string(version) + " recording has at least 4,097 bytes, this file " + size);
    return true;
}

bool CheckChannelRules(HeaderCheck& check)
{
    const RecordingHeader& h = check.header;
    // Channel numbers index 16-entry tables; a video number outside them is as broken as
    // a negative one.
    for (int k = 0; k < RecordingHeader::kChannels; ++k) {
        const int number = h.videoCh[k].chNumber;
        if (number < 0 || number >= RecordingHeader::kChannels)
            return Refuse(check, RecordingError::C1004,
                          "video entry " + std::to_string(k) + " gives channel number " + std::to_string(number) +
                              ", outside 0 to 15");
    }
    if (h.chCount == 0 || h.chCount > RecordingHeader::kChannels)
        return Refuse(check, RecordingError::C1005,
                      "its channel count (byte 3) is " + std::to_string(h.chCount) + ", outside 1 to 16");
    return true;
}

// A version 2 recording keeps its header in its last 4,096 bytes; when those fail the rules,
// the likeliest cause is a file cut short, whose last bytes are frame data.
void BlameTheTrailingBlock(HeaderCheck& check)
{
    check.reason += " (in the header read from the last 4,096 bytes, where a version 2 recording keeps it;"
                    " a file cut short has frame data there)";
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
    HeaderCheck check;
    check.header = h;
    return CheckChannelRules(check) ? std::nullopt : check.error;
}

HeaderCheck HeaderCheck::Run(platform::File& file)
{
    HeaderCheck check;
    check.header = ReadAt(file, 0);
    check.fileSize = file.Size();
    if (!CheckVersionAndSize(check))
        return check;
    if (check.header.version == 2) {
        check.header = ReadAt(file, static_cast<uint64_t>(check.fileSize - kBlockSize));
        // Frame data where the trailing header belongs: the file is broken, not of another kind.
        if (check.header.version > 2) {
            Refuse(check, RecordingError::C1002,
                   "its last 4,096 bytes, where a version 2 recording keeps its header, hold none (the version byte there"
                   " is " + std::to_string(check.header.version) + "); a file cut short has frame data there");
            return check;
        }
        if (!CheckChannelRules(check))
            BlameTheTrailingBlock(check);
        return check;
    }
    CheckChannelRules(check);
    return check;
}

} // namespace recording
