#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include <QImage>

#include "display/CVorquil_Ctrl_Player.h"
#include "recording/SystemTime.h"

namespace capture {

// The picture on screen as the display control delivers it: rows bottom row first,
// 4 bytes per pixel in the order B, G, R, A, no gap between rows, in a picture buffer
// of the control's fixed size; with the channel whose picture gives the time and the recorded
// time of that picture (channel -1 when the control named none).
struct CapturedFrame {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bitsPerPixel = 0;
    std::vector<uint8_t> pixels;
    int32_t channel = -1;
    recording::SystemTime time;

    size_t RowBytes() const { return static_cast<size_t>(width) * 4; }
};

// Asks the control for the picture on screen. Nothing when it has none, and nothing when
// what it reports is not a 32-bit picture of a positive size that fits the buffer: the
// buffer is all the control may write into, and everything downstream takes 4 bytes a pixel.
std::optional<CapturedFrame> GrabFrame(display::CVorquil_Ctrl_Player& player);

// The upright picture (rows reversed, top row first) as a 32-bit bitmap whose bytes are
// exactly the control's, including the fourth byte of each pixel.
QImage FrameBitmap(const CapturedFrame& frame);

} // namespace capture
