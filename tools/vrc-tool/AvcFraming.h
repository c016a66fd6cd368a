#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vrctool {

// H.264 as MP4 and Matroska store it: each NAL unit behind its 4-byte length instead of a
// start code, and the parameter sets in an avcC record. Converting here rather than in the
// muxer means the bytes hashed for a frame are the bytes the clip holds.
class AvcFraming {
public:
    // The frame's NAL units, length-prefixed; empty when it holds none.
    static std::vector<uint8_t> ToLengths(const uint8_t* data, size_t size);
    // The avcC record for a key frame's sequence and picture parameter sets; empty when the
    // frame lacks either.
    static std::vector<uint8_t> DecoderRecord(const uint8_t* data, size_t size);
};

} // namespace vrctool
