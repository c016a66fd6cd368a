#pragma once
#include <cstdint>
#include <string>

namespace recording {

// One frame of a clip as the recording holds it and as the clip holds it: what lets anyone
// check a clip frame by frame against its source.
struct FrameRow {
    uint64_t offset = 0;     // the record's header in the recording
    int32_t f_time = 0;
    uint32_t f_msec = 0;
    bool key = false;
    int64_t clipMs = 0;      // presentation time in the clip
    std::string payloadSha;  // SHA-256 of the payload as the record stores it
    std::string clipSha;     // SHA-256 of the packet as the clip stores it
};

} // namespace recording
