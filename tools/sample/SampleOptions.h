#pragma once
#include <cstdint>

#include "recording/SystemTime.h"

namespace sample {

// What a sample recording holds. The defaults are those of `vrc-tool make-sample`.
struct SampleOptions {
    int channels = 4;       // video channels 0..channels-1, 1..16
    uint32_t audioMask = 0; // bit k: channel k (below `channels`) has audio
    int seconds = 10;       // length; every channel covers the same seconds
    int videoFormat = 2;    // 0, 1: MPEG-4 Part 2; 2: H.264; 3, 4: H.264 behind a 52-byte block
    int version = 0;        // header layout 0, 1 or 2
    int gop = 25;           // pictures from one key frame to the next
    // The recorded time of the first frame (at .000). A weekday morning, far from any
    // edge of the calendar.
    recording::SystemTime start{2024, 6, 0, 3, 9, 0, 0, 0};
    // Encode one GOP per channel and repeat its pictures with fresh stamps: fast enough
    // for files of gigabytes, but the burned-in time repeats every GOP.
    bool reuseGop = false;
    // Pictures like a camera's (RealisticScene) at about kRealisticBitRate, instead of flat
    // colours with large texts.
    bool realistic = false;
    // Channel k's stamps, video and audio, come k times this many milliseconds after
    // channel 0's, as a recorder that stamps its channels independently writes them.
    int stampOffsetMs = 0;
};

// Bits a second of each channel's video in a realistic recording.
constexpr int kRealisticBitRate = 1'500'000;

} // namespace sample
