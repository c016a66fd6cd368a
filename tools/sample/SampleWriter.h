#pragma once
#include <cstdint>
#include <string>

#include "tools/sample/SampleOptions.h"

namespace sample {

// Writes a sample recording: every channel's video really encoded, its audio too, laid
// out as a recorder exports it (all video runs in channel order, then the audio runs).
class SampleWriter {
public:
    // Byte 4 of the block in front of every frame of formats 3 and 4; the other bytes of
    // the block are zero.
    static constexpr uint8_t kBlockMark = 0x19;

    // Empty on success, otherwise why nothing usable was written.
    static std::string Write(const std::string& path, const SampleOptions& options);

    // Why the options cannot make a recording, or empty.
    static std::string Check(const SampleOptions& options);
};

} // namespace sample
