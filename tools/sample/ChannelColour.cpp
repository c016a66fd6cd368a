#include "tools/sample/ChannelColour.h"

#include <array>

namespace sample {

Rgb ChannelColour(int channel)
{
    // Hand-picked so that neighbouring channels differ in hue and brightness; white text
    // with a black rim stays readable on each.
    static constexpr std::array<Rgb, 16> kColours{{
        {220, 20, 20}, {20, 160, 20}, {30, 60, 220}, {230, 200, 0},
        {200, 0, 200}, {0, 190, 200}, {240, 120, 0}, {120, 0, 200},
        {140, 200, 0}, {230, 0, 110}, {0, 120, 120}, {150, 70, 0},
        {0, 90, 0}, {0, 0, 130}, {130, 0, 0}, {255, 90, 170},
    }};
    return kColours[static_cast<unsigned>(channel) % kColours.size()];
}

} // namespace sample
