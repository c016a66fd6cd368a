#include <gtest/gtest.h>

#include "platform/Event.h"

// Among several set events the lowest index wins, so that quit goes before run.
TEST(Event, WaitAnyTakesTheLowestSetIndex)
{
    platform::Event quit, run;
    run.Set();
    quit.Set();
    EXPECT_EQ(platform::WaitAny({&quit, &run}), 0u);
}
