#include "display/control/MuLaw.h"

namespace display {

int16_t MuLawToLinear(uint8_t code)
{
    // Bits are sent inverted; then sign, a 3-bit segment and a 4-bit step within it.
    const int value = ~code & 0xFF;
    const int exponent = (value >> 4) & 0x07;
    const int mantissa = value & 0x0F;
    const int magnitude = (((mantissa << 3) + 0x84) << exponent) - 0x84;
    return static_cast<int16_t>((value & 0x80) ? -magnitude : magnitude);
}

} // namespace display
