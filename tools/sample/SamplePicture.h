#pragma once
#include <cstdint>
#include <string>

#include "recording/SystemTime.h"
#include "tools/sample/ChannelColour.h"

struct AVFrame;

namespace sample {

// Paints one channel's picture for one frame into a YUV 4:2:0 frame of kPictureWidth x
// kPictureHeight: the channel's background colour, "CAM nn", the recorded date and the time
// with milliseconds in large dots, and a white bar that sweeps across the lower part so
// that motion, order and pace can be judged by eye.
class SamplePicture {
public:
    static void Paint(AVFrame& frame, int channel, int frameIndex, const recording::SystemTime& time);
    // The small caption a recorder burns into its pictures, "CAM nn" and the date and time,
    // in the bottom left corner (the player titles its tiles in the top left).
    static void PaintCaption(AVFrame& frame, int channel, const recording::SystemTime& time);

    // The texts burned in, as they appear.
    static std::string ChannelText(int channel);
    static std::string DateText(const recording::SystemTime& time);
    static std::string TimeText(const recording::SystemTime& time);

    // The band the bar sweeps through, and the bar's left edge in a given frame.
    static constexpr Area kBarBand{0, 432, kPictureWidth, 112};
    static constexpr int kBarWidth = 48;
    static int BarX(int frameIndex);
};

} // namespace sample
