#include <gtest/gtest.h>

#include <thread>

#include "platform/Event.h"
#include "platform/VirtualClock.h"

namespace {

TEST(Event, StaysSetUntilReset)
{
    platform::Event e;
    EXPECT_FALSE(e.IsSet());
    e.Set();
    EXPECT_EQ(platform::WaitAny({&e}), 0u);
    EXPECT_EQ(platform::WaitAny({&e}), 0u);
    e.Reset();
    EXPECT_FALSE(e.IsSet());
}

TEST(Event, WaitAnyReportsTheLowestSetIndex)
{
    platform::Event quit, run;
    run.Set();
    EXPECT_EQ(platform::WaitAny({&quit, &run}), 1u);
    quit.Set();
    EXPECT_EQ(platform::WaitAny({&quit, &run}), 0u);
}

TEST(Event, WaitAnyWakesWhenAnotherThreadSets)
{
    platform::Event quit, run;
    size_t result = 9;
    std::thread waiter([&] { result = platform::WaitAny({&quit, &run}); });
    quit.Set();
    waiter.join();
    EXPECT_EQ(result, 0u);
}

TEST(VirtualClock, SleepsMoveTimeWithoutWaiting)
{
    platform::VirtualClock clock;
    EXPECT_EQ(clock.Now(), 0);
    for (int i = 0; i < 35; ++i)
        clock.Sleep(1);
    clock.Sleep(5);
    EXPECT_EQ(clock.Now() / (clock.Frequency() / 1000), 40);
}

} // namespace
