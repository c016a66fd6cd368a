#pragma once
#include <string>

#include "bench/display_decode/RecordingFrames.h"

namespace bench {

// How far apart in recorded time the tiles of a fast play are: the control's decode pipeline
// with every channel in a 16-tile wall, fed as the play loop feeds it at the given speed
// (every frame forward; key frames only, newest first, backward), its pictures' stamps read
// every 40 ms.
struct TileSpread {
    int samples = 0;
    double medianSeconds = 0; // the newest tile's time less the oldest's
    double p95Seconds = 0;
    double largestSeconds = 0;
    double behindSeconds = 0; // the oldest tile behind the last frame handed over, at its largest
    double keyIntervalSeconds = 0;
};

TileSpread MeasureTileSpread(const RecordingFrames& recording, const std::string& libraryDirectory, int speed,
                             double seconds);

} // namespace bench
