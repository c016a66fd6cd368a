#pragma once
#include <array>
#include <cstdint>

namespace sample {

// A 5x7 dot font with just the characters the burned-in texts use: digits, "CAM", and
// the separators of a date and a time. Built in so that pictures come out the same on
// every machine.
class BitmapFont {
public:
    static constexpr int kColumns = 5;
    static constexpr int kRows = 7;

    // One bit per dot, row by row, bit 4 being the leftmost column. Characters the font
    // does not have come out blank.
    static std::array<uint8_t, kRows> Glyph(char c);
};

} // namespace sample
