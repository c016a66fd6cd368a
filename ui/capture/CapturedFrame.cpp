#include "ui/capture/CapturedFrame.h"

#include <algorithm>
#include <cstring>

#include "display/DispId.h"
#include "recording/TimeConversion.h"

namespace capture {
namespace {
constexpr int32_t kBitsPerPixel = 32;
constexpr int64_t kBytesPerPixel = kBitsPerPixel / 8;
} // namespace

std::optional<CapturedFrame> GrabFrame(display::CVorquil_Ctrl_Player& player)
{
    CapturedFrame frame;
    frame.pixels.assign(display::kCaptureBufferSize, 0);
    if (player.CaptureImage(frame.pixels.data(), &frame.width, &frame.height, &frame.bitsPerPixel) < 0)
        return std::nullopt;
    if (frame.bitsPerPixel != kBitsPerPixel || frame.width <= 0 || frame.height <= 0)
        return std::nullopt;
    if (int64_t{frame.width} * frame.height * kBytesPerPixel > display::kCaptureBufferSize)
        return std::nullopt;
    int32_t fTime = 0;
    int32_t msec = 0;
    frame.channel = player.CapturedTime(&fTime, &msec);
    if (frame.channel >= 0) {
        frame.time = recording::FTimeToSystemTime(fTime);
        frame.time.wMilliseconds = static_cast<uint16_t>(std::clamp(msec, 0, 999));
    }
    return frame;
}

QImage FrameBitmap(const CapturedFrame& frame)
{
    QImage bitmap(frame.width, frame.height, QImage::Format_RGB32);
    const size_t rowBytes = frame.RowBytes();
    for (int32_t row = 0; row < frame.height; ++row)
        std::memcpy(bitmap.scanLine(frame.height - 1 - row), frame.pixels.data() + row * rowBytes, rowBytes);
    return bitmap;
}

} // namespace capture
