#pragma once
#include <cstddef>
#include <cstdint>

#include "recording/SystemTime.h"

namespace recording {

// The 96-byte header of a frame in a recorder's index file (.vdx); the payload follows.
struct IndexRecord {
    static constexpr size_t kHeaderSize = 96;

    uint32_t lead = 0; // leading word: read, not interpreted
    uint32_t i_key = 0;
    SystemTime i_time;
    uint32_t i_ch = 0;
    uint32_t i_chCount = 0;
    uint32_t i_size = 0;

    static IndexRecord Parse(const uint8_t* bytes);
    void Serialize(uint8_t* bytes) const;
};

} // namespace recording
