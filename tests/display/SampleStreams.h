#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include <QColor>
#include <QPoint>
#include <QRect>

namespace testsupport {

struct SampleFrame {
    std::vector<uint8_t> data;
    bool key = false;
};

// The video frames of a sample recording of channels 0..channels-1, channel by channel, as the
// play loop would hand them over: the payload whole, except that format 4 loses its 52-byte
// block first.
struct SampleStreams {
    std::array<std::vector<SampleFrame>, 16> channels;
    // realistic: pictures like a camera's, without the sweeping bar.
    static SampleStreams Make(int channels, int videoFormat = 2, int gop = 25, int seconds = 1, bool realistic = false);
};

// The background colour of a channel's sample pictures.
QColor SampleColour(int channel);
// A point of a tile that shows the picture's plain background band.
QPoint BackgroundProbe(const QRect& tile);
// Where, in a 704x576 single view, frame i's sweeping bar is.
QPoint BarProbe(int frameIndex);

} // namespace testsupport
