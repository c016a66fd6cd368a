#pragma once
#include <string>
#include <vector>

#include <QSize>

#include "bench/display_decode/RecordingFrames.h"

namespace bench {

// How far a tile decoded the reduced way lies from the tile made from the fully filtered
// decode of the same frame, for one channel.
struct TileQuality {
    int channel = 0;
    int frames = 0;
    double meanPsnr = 0;  // dB over B, G, R; identical tiles count as kIdenticalPsnr
    double worstPsnr = 0;
    int worstFrame = -1;  // the channel's frame index
    int largestDifference = 0; // of one colour value, over every frame
};

constexpr double kIdenticalPsnr = 99.0;

// Decodes each channel's frames twice with the control's own decoder (from the decoder
// library in libraryDirectory), reduced and full, and compares the tiles of the given size.
// Frames from the seconds-th recorded second on are left out.
std::vector<TileQuality> MeasureReducedQuality(const RecordingFrames& recording, const std::string& libraryDirectory,
                                               QSize tile, double seconds);

} // namespace bench
