#include <gtest/gtest.h>

#include <climits>

#include "recording/KeyFrame.h"
#include "recording/TimeConversion.h"

using recording::FTimeToSystemTime;
using recording::SystemTime;
using recording::SystemTimeToFTime;

namespace {

TEST(TimeConversion, ConvertsBothWaysAcrossTheWholeRange)
{
    const struct {
        int32_t fTime;
        SystemTime time; // year, month, day of week, day, hour, minute, second, ms
    } cases[] = {
        {0, {1970, 1, 4, 1, 0, 0, 0, 0}},                // Thursday
        {-1, {1969, 12, 3, 31, 23, 59, 59, 0}},          // Wednesday
        {1268121907, {2010, 3, 2, 9, 8, 5, 7, 0}},       // Tuesday
        {951782400, {2000, 2, 2, 29, 0, 0, 0, 0}},       // a leap day of a century year
        {INT32_MAX, {2038, 1, 2, 19, 3, 14, 7, 0}},
        {INT32_MIN, {1901, 12, 5, 13, 20, 45, 52, 0}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FTimeToSystemTime(c.fTime), c.time) << c.fTime;
        EXPECT_EQ(SystemTimeToFTime(c.time), c.fTime) << c.fTime;
    }
    for (int64_t t = INT32_MIN; t <= INT32_MAX; t += 7919 * 86'400 + 12'345)
        ASSERT_EQ(SystemTimeToFTime(FTimeToSystemTime(static_cast<int32_t>(t))), static_cast<int32_t>(t));
}

// Milliseconds round toward zero, far times keep the low 32 bits of their seconds, and fields
// out of their range give no time at all.
TEST(TimeConversion, ToFTimeRoundsWrapsAndRefuses)
{
    const struct {
        SystemTime time;
        std::optional<int32_t> fTime;
    } cases[] = {
        {{1969, 12, 0, 31, 23, 59, 59, 500}, 0},
        {{1970, 1, 0, 1, 0, 0, 0, 999}, 0},
        {{2106, 2, 0, 7, 6, 28, 16, 0}, 0}, // 2^32 seconds after the epoch
        {{2038, 1, 0, 19, 3, 14, 8, 0}, INT32_MIN},
        {{2012, 2, 0, 29, 0, 0, 0, 0}, 1330473600},
        {{2010, 13, 0, 1, 0, 0, 0, 0}, std::nullopt},
        {{2010, 4, 0, 31, 0, 0, 0, 0}, std::nullopt},
        {{2011, 2, 0, 29, 0, 0, 0, 0}, std::nullopt},
        {{2010, 1, 0, 1, 24, 0, 0, 0}, std::nullopt},
        {{2010, 1, 0, 1, 0, 60, 0, 0}, std::nullopt},
        {{2010, 1, 0, 1, 0, 0, 60, 0}, std::nullopt},
        {{2010, 1, 0, 1, 0, 0, 0, 1000}, std::nullopt},
        {{1600, 12, 0, 31, 0, 0, 0, 0}, std::nullopt},
    };
    for (const auto& c : cases) {
        const SystemTime& t = c.time;
        EXPECT_EQ(SystemTimeToFTime(t), c.fTime) << t.wYear << "-" << t.wMonth << "-" << t.wDay << " " << t.wHour;
    }
}

TEST(KeyFrame, SignaturesByVideoFormat)
{
    auto prefixed = [](uint8_t byte4, uint8_t nal, size_t cut = 0) {
        std::vector<uint8_t> p(52, 0);
        p[4] = byte4;
        p.insert(p.end(), {0, 0, 0, 1, nal});
        p.resize(p.size() - cut);
        return p;
    };
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        int format;
        bool key;
    } cases[] = {
        {"mpeg4 vop is not a start", {0, 0, 1, 0xB6}, 0, false},
        {"mpeg4 needs four bytes", {0, 0, 1}, 0, false},
        {"h264 sps", {0, 0, 0, 1, 0x67}, 2, true},
        {"h264 sps, other high bits", {0, 0, 0, 1, 0x27}, 2, true},
        {"h264 needs five bytes", {0, 0, 0, 1}, 2, false},
        {"h264 sps is not a prefixed start", {0, 0, 0, 1, 0x67}, 3, false},
        {"prefixed under format 2", prefixed(0x19, 0x67), 2, true},
        {"prefixed with wrong byte 4", prefixed(0x18, 0x67), 3, false},
        {"prefixed cut short", prefixed(0x19, 0x67, 1), 3, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(recording::IsKeyFrameStart(c.bytes.data(), c.bytes.size(), c.format), c.key) << c.name;
}

} // namespace
