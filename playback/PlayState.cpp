#include "playback/PlayState.h"

namespace playback {

int32_t StateSpeed(int32_t state)
{
    switch (state) {
    case kPlay: return 1;
    case kFf2: return 2;
    case kFf4: return 4;
    case kFf8: return 8;
    case kFf16: return 16;
    case kFf32: return 32;
    case kReverse1: return -1;
    case kRew2: return -2;
    case kRew4: return -4;
    case kRew8: return -8;
    case kRew16: return -16;
    case kRew32: return -32;
    default: return 0;
    }
}

bool IsFastForward(int32_t state) { return StateSpeed(state) > 1; }

bool IsReverse(int32_t state) { return StateSpeed(state) < 0; }

} // namespace playback
