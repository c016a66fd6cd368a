#pragma once
#include <cstdint>
#include <optional>
#include <vector>

namespace motion {

// A rectangle in the pixels of the channel's picture (704x576 for D1).
struct Region {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const Region&, const Region&) = default;
};

// What one search looks for, and where.
struct MotionOptions {
    std::vector<Region> regions;  // none: the whole picture
    std::optional<int32_t> from;  // f_time bounds of the search, either may be absent
    std::optional<int32_t> to;
    int sensitivity = 5;          // 1 (only large, clear changes) .. 10 (the faintest)
    int minGapMs = 2000;          // events closer than this become one
    // The regions' coordinates are in a view of the picture this size (a window showing it
    // stretched); 0 x 0: in the picture's own pixels.
    int regionSpaceWidth = 0;
    int regionSpaceHeight = 0;
};

} // namespace motion
