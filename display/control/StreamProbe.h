#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>

namespace display {

// What a channel's key frame says about the channel's stream.
struct StreamKind {
    int codec = 0;        // OmbrelCodec
    size_t skip = 0;      // bytes in front of every frame that the decoder must not see
    bool operator==(const StreamKind&) const = default;
};

// Recognises a key frame by its first start codes: an MPEG-4 Visual object sequence or video
// object, an H.264 sequence parameter set, or that parameter set behind the recorder's
// 52-byte block (byte 4 is 0x19). Anything else is not a key frame.
std::optional<StreamKind> ProbeKeyFrame(const uint8_t* data, size_t size);

} // namespace display
