#pragma once
#include <cstdint>

namespace display {

// Dispatch identifiers of the display control's operations and events.
enum DispId : int32_t {
    kStop = 2,
    kSetOwnerWindow = 4,
    kSetLayout = 6,
    kSetMode = 10,
    kCurrentChannel = 15,
    kSetCurrentChannel = 16,
    kSetVolume = 24,
    kPushFrame = 36,
    kFlush = 40,
    kSetChannelTitle = 41,
    kInit44 = 44,
    kInit45 = 45,
    kInit46 = 46,
    kInit47 = 47,
    kInit48 = 48,
    kQueryRunning = 56,
    kSetTitleText = 63,
    kSetVersionText = 64,
    kCaptureImage = 100,
    kSetChannelCount = 104,
    kDroppedFrames = 105,
    kShownTime = 106,
    kCapturedTime = 107,
};

// Events the control fires at its owner.
enum DisplayEvent : int32_t {
    kEvent3 = 3,
    kEvent4 = 4,
    kLayoutToggled = 6, // a double-click switched between the single view and the grid
    kPictureChanging = 7, // new pictures are painted next; ShownTime already gives their time
};

// Size of the picture buffers handed to CaptureImage.
constexpr int32_t kCaptureBufferSize = 1'624'832;

} // namespace display
