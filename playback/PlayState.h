#pragma once
#include <cstdint>

namespace playback {

// Play state codes shared by the commands and the play loop.
enum PlayState : int32_t {
    kPaused = 20,
    kPlay = 21,
    kReverse1 = 22,
    kFf2 = 23,
    kRew2 = 28,
    kRew4 = 29,
    kRew8 = 30,
    kFf4 = 31,
    kFf8 = 32,
    kFf16 = 33,
    kRew16 = 35,
    kFf32 = 36,
    kRew32 = 38,
};

// The signed speed factor of a state; 0 for paused and for any code that is not a state.
int32_t StateSpeed(int32_t state);
bool IsFastForward(int32_t state);
bool IsReverse(int32_t state);

} // namespace playback
