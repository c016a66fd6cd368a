#include <gtest/gtest.h>

#include "platform/Event.h"

namespace {

// Among several set events the lowest index wins, so that quit goes before run; a set event
// stays set through any number of waits until reset. Waking a waiter from another thread is
// what every playback test does.
TEST(Event, WaitAnyTakesTheLowestSetIndexAndEventsStaySetUntilReset)
{
    platform::Event quit, run;
    run.Set();
    EXPECT_EQ(platform::WaitAny({&quit, &run}), 1u);
    quit.Set();
    EXPECT_EQ(platform::WaitAny({&quit, &run}), 0u);
    EXPECT_EQ(platform::WaitAny({&quit, &run}), 0u);
    quit.Reset();
    EXPECT_EQ(platform::WaitAny({&quit, &run}), 1u);
}

} // namespace
