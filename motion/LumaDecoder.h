#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "display/decoder/Ombrel.h"

namespace motion {

// A small brightness-only picture: what the analysis looks at.
struct LumaFrame {
    int width = 0;
    int height = 0;
    int sourceWidth = 0; // the decoded picture's size, for regions given in its pixels
    int sourceHeight = 0;
    std::vector<uint8_t> pixels; // width x height, one byte a pixel, rows back to back
};

// One channel's decoder from the player's decoder library, set up for analysis: it hands out
// each picture's brightness at a quarter of its width and height.
class LumaDecoder {
public:
    static constexpr int kScale = 4;

    // keyFramesOnly: everything but key frames is discarded unseen.
    LumaDecoder(int codec, bool keyFramesOnly);
    ~LumaDecoder();
    LumaDecoder(const LumaDecoder&) = delete;
    LumaDecoder& operator=(const LumaDecoder&) = delete;

    bool IsReady() const { return m_decoder && m_converter; }
    // Decodes one frame's payload; true when it gave a picture, now in `out`.
    bool Decode(const uint8_t* data, size_t size, LumaFrame& out);

private:
    OmbrelVDecoder* m_decoder;
    OmbrelCConverter* m_converter;
};

} // namespace motion
