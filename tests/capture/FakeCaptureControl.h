#pragma once
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "display/DispId.h"
#include "display/DispatchTarget.h"

namespace testsupport {

// A display control that answers CaptureImage with a picture chosen by the test, writing
// its bytes (cut at the buffer's size) into the caller's buffer as the real control does.
// CapturedTime answers with the stamp chosen by the test (none until one is); other calls do
// nothing.
class FakeCaptureControl : public display::DispatchTarget {
public:
    int32_t Invoke(int32_t dispid, std::span<const display::DispArg> args) override
    {
        if (dispid == display::kCapturedTime) {
            if (m_stamp[0] < 0)
                return -1;
            for (int i : {0, 1})
                *static_cast<int32_t*>(std::get<void*>(args[i])) = m_stamp[i + 1];
            return m_stamp[0];
        }
        if (dispid != display::kCaptureImage || args.size() != 6)
            return 0;
        if (!m_hasPicture)
            return -1;
        const size_t size = std::min(m_bytes.size(), static_cast<size_t>(display::kCaptureBufferSize));
        std::memcpy(std::get<void*>(args[1]), m_bytes.data(), size);
        for (int i : {2, 3, 4})
            *static_cast<int32_t*>(std::get<void*>(args[i])) = m_sizes[i - 2];
        return static_cast<int32_t>(size);
    }
    void Deliver(int32_t width, int32_t height, int32_t bitsPerPixel, std::vector<uint8_t> bytes)
    {
        m_sizes = {width, height, bitsPerPixel};
        m_bytes = std::move(bytes);
        m_hasPicture = true;
    }
    // A 32-bit picture, B, G, R, A per pixel and bottom row first as the control delivers it,
    // whose upper half shows the colour top and lower half the colour bottom (each 0xRRGGBB).
    void DeliverTwoColours(uint32_t top, uint32_t bottom, int32_t width = 704, int32_t height = 576)
    {
        std::vector<uint8_t> bytes;
        for (int32_t pixel = 0; pixel < height * width; ++pixel) {
            const uint32_t rgb = pixel < height / 2 * width ? bottom : top; // rows count from the bottom
            bytes.insert(bytes.end(), {uint8_t(rgb), uint8_t(rgb >> 8), uint8_t(rgb >> 16), 0xFF});
        }
        Deliver(width, height, 32, std::move(bytes));
    }
    // The next captures fail with a negative result and write nothing.
    void DeliverNothing() { m_hasPicture = false; }
    void Stamp(int32_t channel, int32_t fTime, int32_t msec) { m_stamp = {channel, fTime, msec}; }

private:
    std::array<int32_t, 3> m_stamp{-1, 0, 0};
    std::array<int32_t, 3> m_sizes{};
    std::vector<uint8_t> m_bytes;
    bool m_hasPicture = false;
};

} // namespace testsupport
