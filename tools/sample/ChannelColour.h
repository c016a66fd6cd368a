#pragma once
#include <cstdint>

namespace sample {

// Every sample picture is this size, 25 frames a second.
constexpr int kPictureWidth = 704;
constexpr int kPictureHeight = 576;
constexpr int kFramesPerSecond = 25;

struct Rgb {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
};

struct Area {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// The background colour of channel k (0..15): saturated and far apart from its neighbours,
// so a glance (or a pixel probe) tells which channel a tile shows.
Rgb ChannelColour(int channel);

// A band of the picture that shows nothing but the channel's background colour: below the
// burned-in texts and above the sweeping bar. Probe it to recognise a channel.
constexpr Area kBackgroundArea{0, 284, kPictureWidth, 128};

} // namespace sample
