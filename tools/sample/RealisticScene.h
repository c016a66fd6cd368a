#pragma once
#include <cstdint>
#include <vector>

#include "recording/SystemTime.h"

struct AVFrame;

namespace sample {

// What a surveillance camera sees, cheap enough to paint for 16 channels by the hour: a
// textured view (fixed on even channels, slowly panning on odd ones) tinted in the channel's
// colour, objects with texture of their own crossing it at their own speeds, sensor noise on
// every pixel of every frame, and the recorder's caption burned in. Each channel's scene is
// its own, and the same for the same channel every time.
class RealisticScene {
public:
    explicit RealisticScene(int channel);

    void Paint(AVFrame& frame, int frameIndex, const recording::SystemTime& time);

private:
    struct Mover {
        int width, height;
        int x0, y0;      // where it is at frame 0
        int dx, dy;      // pixels a frame
        int brightness;  // added to the texture it shows
    };

    uint8_t Texture(int x, int y) const;
    void PaintLuma(AVFrame& frame, int frameIndex);
    void PaintMover(AVFrame& frame, const Mover& mover, int frameIndex);
    void PaintChroma(AVFrame& frame);
    uint32_t NextNoise();

    int m_channel;
    int m_textureWidth = 0;
    int m_textureHeight = 0;
    std::vector<uint8_t> m_texture;
    std::vector<Mover> m_movers;
    uint8_t m_u = 128, m_v = 128;
    uint32_t m_noise;
};

} // namespace sample
