#include "tools/sample/SamplePicture.h"

#include <algorithm>
#include <cstdio>

extern "C" {
#include <libavutil/frame.h>
}

#include "tools/sample/BitmapFont.h"

namespace sample {
namespace {

struct Yuv {
    uint8_t y, u, v;
};

// Studio-range BT.601, what decoders assume for standard-definition pictures.
Yuv ToYuv(Rgb c)
{
    const double r = c.r, g = c.g, b = c.b;
    auto clamp = [](double x) { return static_cast<uint8_t>(std::clamp(x + 0.5, 0.0, 255.0)); };
    return {clamp(16 + (65.481 * r + 128.553 * g + 24.966 * b) / 255),
            clamp(128 + (-37.797 * r - 74.203 * g + 112.0 * b) / 255),
            clamp(128 + (112.0 * r - 93.786 * g - 18.214 * b) / 255)};
}

constexpr Yuv kWhite{235, 128, 128};
constexpr Yuv kBlack{16, 128, 128};

// Fills a rectangle clipped to the picture; even edges keep the chroma planes exact.
void FillRect(AVFrame& f, Area a, Yuv c)
{
    const int x0 = std::max(a.x, 0) & ~1, y0 = std::max(a.y, 0) & ~1;
    const int x1 = std::min(a.x + a.width, kPictureWidth), y1 = std::min(a.y + a.height, kPictureHeight);
    if (x1 <= x0 || y1 <= y0)
        return;
    for (int y = y0; y < y1; ++y)
        std::fill_n(f.data[0] + y * f.linesize[0] + x0, x1 - x0, c.y);
    for (int y = y0 / 2; y < (y1 + 1) / 2; ++y) {
        std::fill_n(f.data[1] + y * f.linesize[1] + x0 / 2, (x1 + 1) / 2 - x0 / 2, c.u);
        std::fill_n(f.data[2] + y * f.linesize[2] + x0 / 2, (x1 + 1) / 2 - x0 / 2, c.v);
    }
}

// Draws white dots of scale x scale pixels with a black rim around them.
void DrawText(AVFrame& f, const std::string& text, int x, int y, int scale)
{
    constexpr int kRim = 4;
    const int advance = (BitmapFont::kColumns + 1) * scale;
    for (int pass = 0; pass < 2; ++pass) {
        for (size_t i = 0; i < text.size(); ++i) {
            const auto glyph = BitmapFont::Glyph(text[i]);
            for (int row = 0; row < BitmapFont::kRows; ++row) {
                for (int col = 0; col < BitmapFont::kColumns; ++col) {
                    if (!(glyph[row] & (0x10 >> col)))
                        continue;
                    const Area dot{x + static_cast<int>(i) * advance + col * scale, y + row * scale, scale, scale};
                    if (pass == 0)
                        FillRect(f, {dot.x - kRim, dot.y - kRim, dot.width + 2 * kRim, dot.height + 2 * kRim}, kBlack);
                    else
                        FillRect(f, dot, kWhite);
                }
            }
        }
    }
}

} // namespace

std::string SamplePicture::ChannelText(int channel)
{
    char text[16];
    std::snprintf(text, sizeof text, "CAM %02d", channel + 1);
    return text;
}

std::string SamplePicture::DateText(const recording::SystemTime& t)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u", t.wYear, t.wMonth, t.wDay);
    return text;
}

std::string SamplePicture::TimeText(const recording::SystemTime& t)
{
    char text[32];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u.%03u", t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
    return text;
}

int SamplePicture::BarX(int frameIndex)
{
    // One sweep every 42 frames: fast enough to see, slow enough to follow.
    return (frameIndex % 42) * 16;
}

void SamplePicture::Paint(AVFrame& frame, int channel, int frameIndex, const recording::SystemTime& time)
{
    FillRect(frame, {0, 0, kPictureWidth, kPictureHeight}, ToYuv(ChannelColour(channel)));
    DrawText(frame, ChannelText(channel), 32, 32, 12);
    DrawText(frame, DateText(time), 32, 140, 8);
    DrawText(frame, TimeText(time), 32, 208, 8);
    FillRect(frame, {BarX(frameIndex), kBarBand.y, kBarWidth, kBarBand.height}, kWhite);
}

void SamplePicture::PaintCaption(AVFrame& frame, int channel, const recording::SystemTime& time)
{
    DrawText(frame, ChannelText(channel), 24, kPictureHeight - 64, 3);
    DrawText(frame, DateText(time) + " " + TimeText(time), 24, kPictureHeight - 36, 3);
}

} // namespace sample
