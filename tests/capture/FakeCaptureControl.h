#pragma once
#include <cstdint>
#include <vector>

#include "display/DispatchTarget.h"

namespace testsupport {

// A display control that answers CaptureImage with a picture chosen by the test, writing
// its bytes into the caller's buffer as the real control does. Other calls do nothing.
class FakeCaptureControl : public display::DispatchTarget {
public:
    int32_t Invoke(int32_t dispid, std::span<const display::DispArg> args) override;

    // What the next captures report and write (bytes are cut at the buffer's size).
    void Deliver(int32_t width, int32_t height, int32_t bitsPerPixel, std::vector<uint8_t> bytes);
    // The next captures fail with a negative result and write nothing.
    void DeliverNothing();
    int Captures() const { return m_captures; }

private:
    int32_t m_width = 0;
    int32_t m_height = 0;
    int32_t m_bitsPerPixel = 0;
    std::vector<uint8_t> m_bytes;
    bool m_hasPicture = false;
    int m_captures = 0;
};

// A 32-bit frame (bottom row first) whose bytes differ from row to row and pixel to pixel,
// so any reordering or shift shows.
std::vector<uint8_t> PatternFrame(int32_t width, int32_t height, uint8_t seed);

// A 32-bit frame, B, G, R, A per pixel and bottom row first as the control delivers it,
// whose upper half shows the colour top and lower half the colour bottom (each 0xRRGGBB).
std::vector<uint8_t> TwoColourFrame(int32_t width, int32_t height, uint32_t top, uint32_t bottom);

} // namespace testsupport
