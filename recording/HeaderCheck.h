#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "platform/File.h"
#include "recording/Messages.h"
#include "recording/RecordingHeader.h"

namespace recording {

// Shortest file the open command accepts at all, checked before any read handle exists.
constexpr int64_t kMinimumFileSize = 2038;

struct HeaderCheck {
    std::optional<RecordingError> error; // the first rule that failed
    RecordingHeader header;              // as finally read (the trailing block for version 2)
    int64_t fileSize = 0;
    // With an error: the rule that failed, in plain words, for the line under the message.
    std::string reason;

    // Reads the header through the given handle and applies the size, version, channel
    // number and channel count rules in their order.
    static HeaderCheck Run(platform::File& file);

    // The header bytes at an offset (zeros where the file has none), parsed.
    static RecordingHeader ReadAt(platform::File& file, uint64_t offset);
    // The channel number and channel count rules alone.
    static std::optional<RecordingError> CheckChannels(const RecordingHeader& h);
};

} // namespace recording
