#include "capture/FakeCaptureControl.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "display/DispId.h"

namespace testsupport {

int32_t FakeCaptureControl::Invoke(int32_t dispid, std::span<const display::DispArg> args)
{
    if (dispid != display::kCaptureImage || args.size() != 6)
        return 0;
    ++m_captures;
    if (!m_hasPicture)
        return -1;
    const size_t size = std::min(m_bytes.size(), static_cast<size_t>(display::kCaptureBufferSize));
    std::memcpy(std::get<void*>(args[1]), m_bytes.data(), size);
    *static_cast<int32_t*>(std::get<void*>(args[2])) = m_width;
    *static_cast<int32_t*>(std::get<void*>(args[3])) = m_height;
    *static_cast<int32_t*>(std::get<void*>(args[4])) = m_bitsPerPixel;
    return static_cast<int32_t>(size);
}

void FakeCaptureControl::Deliver(int32_t width, int32_t height, int32_t bitsPerPixel, std::vector<uint8_t> bytes)
{
    m_width = width;
    m_height = height;
    m_bitsPerPixel = bitsPerPixel;
    m_bytes = std::move(bytes);
    m_hasPicture = true;
}

void FakeCaptureControl::DeliverNothing() { m_hasPicture = false; }

std::vector<uint8_t> PatternFrame(int32_t width, int32_t height, uint8_t seed)
{
    std::vector<uint8_t> bytes(static_cast<size_t>(width) * height * 4);
    for (size_t i = 0; i < bytes.size(); ++i) {
        const size_t row = i / (static_cast<size_t>(width) * 4);
        bytes[i] = static_cast<uint8_t>(i * 7 + row * 13 + seed);
    }
    return bytes;
}

std::vector<uint8_t> TwoColourFrame(int32_t width, int32_t height, uint32_t top, uint32_t bottom)
{
    std::vector<uint8_t> bytes(static_cast<size_t>(width) * height * 4);
    for (int32_t row = 0; row < height; ++row) {
        // Delivered rows count from the bottom of the picture.
        const uint32_t rgb = row < height / 2 ? bottom : top;
        for (int32_t x = 0; x < width; ++x) {
            uint8_t* p = bytes.data() + (static_cast<size_t>(row) * width + x) * 4;
            p[0] = static_cast<uint8_t>(rgb);
            p[1] = static_cast<uint8_t>(rgb >> 8);
            p[2] = static_cast<uint8_t>(rgb >> 16);
            p[3] = 0xFF;
        }
    }
    return bytes;
}

} // namespace testsupport
