#include <gtest/gtest.h>

#include "platform/Event.h"

// Among several set events the lowest index wins, so that quit goes before run; a set event
// stays set through a wait until it is reset.
TEST(Event, WaitAnyTakesTheLowestSetIndex)
{
    platform::Event quit, run;
    run.Set();
    quit.Set();
    EXPECT_EQ(platform::WaitAny({&quit, &run}), 0u);
    quit.Reset();
    EXPECT_EQ(platform::WaitAny({&quit, &run}), 1u);
}
