#include "tools/sample/RealisticScene.h"

#include <algorithm>
#include <cmath>

extern "C" {
#include <libavutil/frame.h>
}

#include "tools/sample/ChannelColour.h"
#include "tools/sample/SamplePicture.h"

namespace sample {
namespace {

// Room for the panning view to travel.
constexpr int kPanRoom = 96;
constexpr int kNoiseAmplitude = 12; // luma steps, peak to peak

uint32_t Hash(uint32_t x)
{
    x ^= x >> 16;
    x *= 0x7feb352d;
    x ^= x >> 15;
    x *= 0x846ca68b;
    x ^= x >> 16;
    return x;
}

// Smooth random values on a grid of `cell` pixels, bilinearly joined.
double ValueNoise(uint32_t seed, int x, int y, int cell)
{
    const int gx = x / cell, gy = y / cell;
    const double fx = double(x % cell) / cell, fy = double(y % cell) / cell;
    auto at = [&](int i, int j) { return (Hash(seed ^ Hash(uint32_t(i) * 73856093u ^ uint32_t(j) * 19349663u)) & 0xFFFF) / 65535.0; };
    const double top = at(gx, gy) * (1 - fx) + at(gx + 1, gy) * fx;
    const double bottom = at(gx, gy + 1) * (1 - fx) + at(gx + 1, gy + 1) * fx;
    return top * (1 - fy) + bottom * fy;
}

uint8_t Clamp(int v) { return static_cast<uint8_t>(std::clamp(v, 16, 235)); }

} // namespace

RealisticScene::RealisticScene(int channel)
    : m_channel(channel), m_noise(Hash(0x5EED0000u + static_cast<uint32_t>(channel)) | 1)
{
    m_textureWidth = kPictureWidth + 2 * kPanRoom;
    m_textureHeight = kPictureHeight;
    m_texture.resize(static_cast<size_t>(m_textureWidth) * m_textureHeight);
    const uint32_t seed = Hash(static_cast<uint32_t>(channel) + 1);
    // Large shapes, their surfaces, and fine grain; every channel weighs them its own way.
    const int coarse = 64 + 16 * (channel % 4);
    for (int y = 0; y < m_textureHeight; ++y) {
        for (int x = 0; x < m_textureWidth; ++x) {
            const double v = 0.55 * ValueNoise(seed, x, y, coarse) + 0.3 * ValueNoise(seed * 3, x, y, 12) +
                             0.15 * ValueNoise(seed * 7, x, y, 3);
            // Brighter towards the top, as a sky or a lit ceiling would be.
            const double light = 0.75 + 0.25 * (1.0 - double(y) / m_textureHeight);
            m_texture[static_cast<size_t>(y) * m_textureWidth + x] = Clamp(static_cast<int>(30 + 190 * v * light));
        }
    }
    const Rgb tint = ChannelColour(channel);
    // A muted version of the channel's colour: the camera's white balance, not a flat fill.
    m_u = static_cast<uint8_t>(128 + (-37.797 * tint.r - 74.203 * tint.g + 112.0 * tint.b) / 255 / 3);
    m_v = static_cast<uint8_t>(128 + (112.0 * tint.r - 93.786 * tint.g - 18.214 * tint.b) / 255 / 3);
    for (int i = 0; i < 3 + channel % 3; ++i) {
        const uint32_t h = Hash(seed + 101u * static_cast<uint32_t>(i));
        m_movers.push_back({40 + int(h % 120), 60 + int((h >> 8) % 140), int((h >> 4) % kPictureWidth),
                            int((h >> 12) % kPictureHeight), int((h >> 20) % 9) - 4, int((h >> 24) % 5) - 2,
                            int((h >> 16) % 2 ? 60 : -60)});
        if (m_movers.back().dx == 0)
            m_movers.back().dx = 3;
    }
}

uint32_t RealisticScene::NextNoise()
{
    m_noise ^= m_noise << 13;
    m_noise ^= m_noise >> 17;
    m_noise ^= m_noise << 5;
    return m_noise;
}

uint8_t RealisticScene::Texture(int x, int y) const
{
    return m_texture[static_cast<size_t>(y) * m_textureWidth + x];
}

void RealisticScene::PaintLuma(AVFrame& frame, int frameIndex)
{
    const int pan = m_channel % 2 ? static_cast<int>(kPanRoom * (1 + std::sin(frameIndex * 0.01 + m_channel))) : kPanRoom;
    for (int y = 0; y < kPictureHeight; ++y) {
        uint8_t* row = frame.data[0] + y * frame.linesize[0];
        const uint8_t* source = &m_texture[static_cast<size_t>(y) * m_textureWidth + pan];
        for (int x = 0; x < kPictureWidth; x += 4) {
            const uint32_t noise = NextNoise();
            for (int i = 0; i < 4; ++i) {
                const int n = static_cast<int>((noise >> (8 * i)) & 0xFF) * kNoiseAmplitude / 256 - kNoiseAmplitude / 2;
                row[x + i] = Clamp(source[x + i] + n);
            }
        }
    }
}

void RealisticScene::PaintMover(AVFrame& frame, const Mover& m, int frameIndex)
{
    // It crosses the picture and comes back in on the other side.
    const int spanX = kPictureWidth + m.width, spanY = kPictureHeight + m.height;
    const int left = ((m.x0 + m.dx * frameIndex) % spanX + spanX) % spanX - m.width;
    const int top = ((m.y0 + m.dy * frameIndex) % spanY + spanY) % spanY - m.height;
    for (int y = std::max(top, 0); y < std::min(top + m.height, kPictureHeight); ++y) {
        uint8_t* row = frame.data[0] + y * frame.linesize[0];
        for (int x = std::max(left, 0); x < std::min(left + m.width, kPictureWidth); ++x)
            row[x] = Clamp(Texture((x - left) * 3 % m_textureWidth, (y - top) * 2 % m_textureHeight) + m.brightness);
    }
}

void RealisticScene::PaintChroma(AVFrame& frame)
{
    for (int y = 0; y < kPictureHeight / 2; ++y) {
        uint8_t* u = frame.data[1] + y * frame.linesize[1];
        uint8_t* v = frame.data[2] + y * frame.linesize[2];
        const uint8_t* luma = frame.data[0] + 2 * y * frame.linesize[0];
        for (int x = 0; x < kPictureWidth / 2; ++x) {
            // Colour follows the light a little, and has its own faint noise.
            const int shade = (luma[2 * x] - 128) / 16;
            const int n = static_cast<int>(NextNoise() & 3) - 1;
            u[x] = Clamp(m_u - shade + n);
            v[x] = Clamp(m_v + shade - n);
        }
    }
}

void RealisticScene::Paint(AVFrame& frame, int frameIndex, const recording::SystemTime& time)
{
    PaintLuma(frame, frameIndex);
    for (const Mover& mover : m_movers)
        PaintMover(frame, mover, frameIndex);
    PaintChroma(frame);
    SamplePicture::PaintCaption(frame, m_channel, time);
}

} // namespace sample
