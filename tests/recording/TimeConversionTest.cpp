#include <gtest/gtest.h>

#include <climits>

#include "recording/TimeConversion.h"

using recording::FTimeToSystemTime;
using recording::SystemTime;
using recording::SystemTimeToFTime;

namespace {

struct Case {
    int32_t fTime;
    SystemTime time; // year, month, day of week, day, hour, minute, second, ms
};

class FTimeCase : public testing::TestWithParam<Case> {};

TEST_P(FTimeCase, ConvertsBothWays)
{
    const Case& c = GetParam();
    EXPECT_EQ(FTimeToSystemTime(c.fTime), c.time);
    EXPECT_EQ(SystemTimeToFTime(c.time), c.fTime);
}

INSTANTIATE_TEST_SUITE_P(
    Calendar, FTimeCase,
    testing::Values(Case{0, {1970, 1, 4, 1, 0, 0, 0, 0}},              // Thursday
                    Case{-1, {1969, 12, 3, 31, 23, 59, 59, 0}},        // Wednesday
                    Case{1268121907, {2010, 3, 2, 9, 8, 5, 7, 0}},     // Tuesday
                    Case{951782400, {2000, 2, 2, 29, 0, 0, 0, 0}},     // a leap day of a century year
                    Case{INT32_MAX, {2038, 1, 2, 19, 3, 14, 7, 0}},
                    Case{INT32_MIN, {1901, 12, 5, 13, 20, 45, 52, 0}},
                    Case{-86400, {1969, 12, 3, 31, 0, 0, 0, 0}}));

TEST(TimeConversion, RoundTripsAcrossTheWholeRange)
{
    for (int64_t t = INT32_MIN; t <= INT32_MAX; t += 7919 * 86'400 + 12'345) {
        const auto back = SystemTimeToFTime(FTimeToSystemTime(static_cast<int32_t>(t)));
        ASSERT_EQ(back, static_cast<int32_t>(t));
    }
}

TEST(TimeConversion, MillisecondsRoundTowardZero)
{
    // Half a second before the epoch is still second 0; half a second after, too.
    EXPECT_EQ(SystemTimeToFTime({1969, 12, 0, 31, 23, 59, 59, 500}), 0);
    EXPECT_EQ(SystemTimeToFTime({1970, 1, 0, 1, 0, 0, 0, 999}), 0);
    EXPECT_EQ(SystemTimeToFTime({1969, 12, 0, 31, 23, 59, 58, 1}), -1);
}

TEST(TimeConversion, KeepsTheLowThirtyTwoBitsOfFarTimes)
{
    // 2106-02-07 06:28:16 is 2^32 seconds after the epoch.
    EXPECT_EQ(SystemTimeToFTime({2106, 2, 0, 7, 6, 28, 16, 0}), 0);
    EXPECT_EQ(SystemTimeToFTime({2038, 1, 0, 19, 3, 14, 8, 0}), INT32_MIN);
}

TEST(TimeConversion, RefusesFieldsOutOfTheirRange)
{
    const SystemTime bad[] = {
        {2010, 13, 0, 1, 0, 0, 0, 0}, {2010, 0, 0, 1, 0, 0, 0, 0},    {2010, 4, 0, 31, 0, 0, 0, 0},
        {2011, 2, 0, 29, 0, 0, 0, 0}, {2010, 1, 0, 0, 0, 0, 0, 0},     {2010, 1, 0, 1, 24, 0, 0, 0},
        {2010, 1, 0, 1, 0, 60, 0, 0}, {2010, 1, 0, 1, 0, 0, 60, 0},    {2010, 1, 0, 1, 0, 0, 0, 1000},
        {1600, 12, 0, 31, 0, 0, 0, 0},
    };
    for (const SystemTime& t : bad)
        EXPECT_FALSE(SystemTimeToFTime(t).has_value()) << t.wYear << "-" << t.wMonth << "-" << t.wDay;
    EXPECT_TRUE(SystemTimeToFTime({2012, 2, 0, 29, 0, 0, 0, 0}).has_value());
}

} // namespace
