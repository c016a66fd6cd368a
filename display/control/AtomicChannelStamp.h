#pragma once
#include <atomic>
#include <cstdint>

#include "display/control/FrameStamp.h"

namespace display {

// A channel and the stamp of its picture, kept in one word so that a reader on another thread
// never sees the channel of one picture with the time of another.
class AtomicChannelStamp {
public:
    void Store(int channel, FrameStamp stamp)
    {
        if (channel < 0 || !stamp.IsValid()) {
            m_packed.store(0);
            return;
        }
        m_packed.store(kValid | uint64_t(channel & 0xFF) << 48 | uint64_t(stamp.msec & 0xFFFF) << 32 |
                       static_cast<uint32_t>(stamp.fTime));
    }
    // The channel, or -1 when none was stored; its stamp goes to stamp.
    int Load(FrameStamp& stamp) const
    {
        const uint64_t v = m_packed.load();
        if (!(v & kValid))
            return -1;
        stamp = {static_cast<int32_t>(static_cast<uint32_t>(v)), static_cast<int32_t>(v >> 32 & 0xFFFF)};
        return static_cast<int>(v >> 48 & 0xFF);
    }

private:
    static constexpr uint64_t kValid = uint64_t{1} << 63;
    std::atomic<uint64_t> m_packed{0};
};

} // namespace display
