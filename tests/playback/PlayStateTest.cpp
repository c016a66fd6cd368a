#include <gtest/gtest.h>

#include "playback/PlayState.h"

namespace {

TEST(PlayState, SpeedOfEveryCode)
{
    struct Row {
        int32_t state;
        int32_t speed;
    };
    const Row rows[] = {{20, 0}, {21, 1},   {23, 2},   {31, 4},   {32, 8},   {33, 16},  {36, 32}, {22, -1},
                        {28, -2}, {29, -4}, {30, -8}, {35, -16}, {38, -32}, {24, 0}, {34, 0}, {0, 0}, {-21, 0}};
    for (const Row& r : rows) {
        EXPECT_EQ(playback::StateSpeed(r.state), r.speed) << r.state;
        EXPECT_EQ(playback::IsFastForward(r.state), r.speed > 1) << r.state;
        EXPECT_EQ(playback::IsReverse(r.state), r.speed < 0) << r.state;
    }
}

} // namespace
