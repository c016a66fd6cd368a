#include <gtest/gtest.h>

#include <vector>

#include "recording/KeyFrame.h"

using recording::FrameRecord;
using recording::IsKeyFrameStart;
using recording::IsPlausible;

namespace {

std::vector<uint8_t> Prefixed(uint8_t byte4, uint8_t nal, size_t cut = 0)
{
    std::vector<uint8_t> p(52, 0);
    p[4] = byte4;
    p.insert(p.end(), {0, 0, 0, 1, nal});
    p.resize(p.size() - cut);
    return p;
}

struct SignatureCase {
    const char* name;
    std::vector<uint8_t> bytes;
    int format;
    bool key;
};

TEST(KeyFrame, SignaturesByVideoFormat)
{
    const SignatureCase cases[] = {
        {"mpeg4 vo", {0, 0, 1, 0x00}, 0, true},
        {"mpeg4 vos", {0, 0, 1, 0xB0}, 1, true},
        {"mpeg4 vop is not a start", {0, 0, 1, 0xB6}, 0, false},
        {"mpeg4 needs four bytes", {0, 0, 1}, 0, false},
        {"h264 sps", {0, 0, 0, 1, 0x67}, 2, true},
        {"h264 sps, other high bits", {0, 0, 0, 1, 0x27}, 2, true},
        {"h264 slice", {0, 0, 0, 1, 0x65}, 2, false},
        {"h264 needs five bytes", {0, 0, 0, 1}, 2, false},
        {"h264 sps is not a prefixed start", {0, 0, 0, 1, 0x67}, 3, false},
        {"h264 signature under mpeg4", {0, 0, 0, 1, 0x67}, 0, false},
        {"prefixed under format 2", Prefixed(0x19, 0x67), 2, true},
        {"prefixed under format 3", Prefixed(0x19, 0x67), 3, true},
        {"prefixed under format 4", Prefixed(0x19, 0x67), 4, true},
        {"prefixed under format 255", Prefixed(0x19, 0x67), 255, true},
        {"prefixed with wrong byte 4", Prefixed(0x18, 0x67), 3, false},
        {"prefixed slice", Prefixed(0x19, 0x65), 3, false},
        {"prefixed cut short", Prefixed(0x19, 0x67, 1), 3, false},
    };
    for (const SignatureCase& c : cases)
        EXPECT_EQ(IsKeyFrameStart(c.bytes.data(), c.bytes.size(), c.format), c.key) << c.name;
}

TEST(KeyFrame, PlausibleWithinOneYearOfTheReference)
{
    // 2010-06-15, 2008-12-31 23:59:59, 2009-01-01, 2011-12-31 23:59:59, 2012-01-01
    const struct {
        int32_t fTime;
        bool plausible;
    } cases[] = {{1276560000, true}, {1230767999, false}, {1230768000, true}, {1325375999, true}, {1325376000, false}};
    for (const auto& c : cases) {
        FrameRecord r;
        r.f_time = c.fTime;
        EXPECT_EQ(IsPlausible(r, 2010), c.plausible) << c.fTime;
    }
}

} // namespace
