#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "motion/MotionEvent.h"
#include "motion/MotionOptions.h"

namespace motion {

// What a search found, and what it went through to find it.
struct MotionResult {
    std::vector<MotionEvent> events;
    uint64_t analysedFrames = 0; // pictures decoded and compared
    uint64_t damagedRecords = 0; // unreadable stretches of the run and key frames that would not decode
    double seconds = 0;          // recorded time searched
    bool cancelled = false;
    std::string error;           // why nothing could be searched
};

// Who follows a search: its progress 0..1 (called on the searching thread) and a flag that
// stops it.
struct SearchObserver {
    std::function<void(double)> progress;
    const std::atomic<bool>* cancel = nullptr;
};

// Finds the spans of a channel's recorded time in which the picture changed inside the
// options' regions.
//
// The key frames are decoded first (the decoder discards every other frame, skips the
// deblocking and gives a quarter-size brightness picture), in batches spread over the
// machine's cores and compared in order against the background model. Where the verdict
// changes between two key frames, the frames of that GOP alone are decoded to place the
// event's start or end on the first or last frame that shows the change. A step in the
// stamps longer than kHoleMs, or a damaged stretch the walk skips, is a hole in the
// recording: it ends an event. A change that
// comes and goes between two key frames is not seen. Memory stays a few batches of frames
// whatever the length of the recording.
class MotionSearch {
public:
    static constexpr int64_t kHoleMs = 2000;

    static MotionResult Run(const std::string& path, int channel, const MotionOptions& options,
                            const SearchObserver& observer = {});
};

} // namespace motion
