#include <gtest/gtest.h>

#include <thread>

#include "platform/Event.h"

namespace {

// A set event stays set through any number of waits until reset; among several, the lowest
// set index wins, and a set from another thread wakes the waiter.
TEST(Event, StaysSetUntilResetAndWaitAnyTakesTheLowestSetIndex)
{
    platform::Event quit, run;
    run.Set();
    EXPECT_EQ(platform::WaitAny({&quit, &run}), 1u);
    EXPECT_EQ(platform::WaitAny({&quit, &run}), 1u);
    quit.Set();
    EXPECT_EQ(platform::WaitAny({&quit, &run}), 0u);
    quit.Reset();
    run.Reset();
    EXPECT_FALSE(quit.IsSet() || run.IsSet());
    size_t result = 9;
    std::thread waiter([&] { result = platform::WaitAny({&quit, &run}); });
    quit.Set();
    waiter.join();
    EXPECT_EQ(result, 0u);
}

} // namespace
