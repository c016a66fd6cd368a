#pragma once
#include <cstdint>

namespace display {

// G.711 mu-law byte to a 16-bit linear sample.
int16_t MuLawToLinear(uint8_t code);

} // namespace display
