#pragma once
#include <cstddef>
#include <cstdint>

namespace recording {

// The 20-byte header in front of every frame's payload.
struct FrameRecord {
    static constexpr size_t kHeaderSize = 20;
    // Payloads above this never fit the player's read buffers and are skipped.
    static constexpr uint32_t kMaxPayload = 131'072;

    int32_t f_time = 0;
    uint32_t f_msec = 0;
    uint32_t f_size = 0;
    uint32_t f_prevSize = 0;
    uint32_t f_key = 0;

    static FrameRecord Parse(const uint8_t* bytes);
    void Serialize(uint8_t* bytes) const;
    friend bool operator==(const FrameRecord&, const FrameRecord&) = default;
};

// The scan's in-memory copy of a record header, with the channel it belongs to.
struct FrameInfo {
    int32_t f_time = 0;
    uint32_t f_msec = 0;
    uint32_t f_size = 0;
    uint32_t f_prevSize = 0;
    uint32_t f_key = 0;
    int channel = 0;
    int kind = 0; // 0 video

    static FrameInfo From(const FrameRecord& r, int channel)
    {
        return FrameInfo{r.f_time, r.f_msec, r.f_size, r.f_prevSize, r.f_key, channel, 0};
    }
    friend bool operator==(const FrameInfo&, const FrameInfo&) = default;
};

} // namespace recording
