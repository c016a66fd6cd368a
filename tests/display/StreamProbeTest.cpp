#include <gtest/gtest.h>

#include "display/control/StreamProbe.h"
#include "display/decoder/Ombrel.h"

namespace {

using display::ProbeKeyFrame;
using display::StreamKind;

std::vector<uint8_t> Blocked(std::vector<uint8_t> frame, uint8_t mark = 0x19)
{
    std::vector<uint8_t> block(52 + frame.size(), 0);
    block[4] = mark;
    std::copy(frame.begin(), frame.end(), block.begin() + 52);
    return block;
}

struct ProbeCase {
    const char* name;
    std::vector<uint8_t> bytes;
    std::optional<StreamKind> kind;
};

class Probe : public ::testing::TestWithParam<ProbeCase> {};

TEST_P(Probe, RecognisesKeyFramesByTheirStartCodes)
{
    const auto& bytes = GetParam().bytes;
    EXPECT_EQ(ProbeKeyFrame(bytes.data(), bytes.size()), GetParam().kind);
}

const std::vector<uint8_t> kSps{0, 0, 0, 1, 0x67, 0x42, 0x00, 0x1E};
const std::vector<uint8_t> kSlice{0, 0, 0, 1, 0x41, 0x9A, 0x00};
const StreamKind kH264{OMBREL_CODEC_H264, 0};
const StreamKind kH264Block{OMBREL_CODEC_H264, 52};
const StreamKind kMpeg4{OMBREL_CODEC_MPEG4, 0};

INSTANTIATE_TEST_SUITE_P(
    Cases, Probe,
    ::testing::Values(ProbeCase{"sps", kSps, kH264}, ProbeCase{"spsShortStartCode", {0, 0, 1, 0x27, 0x42}, kH264},
                      ProbeCase{"slice", kSlice, std::nullopt}, ProbeCase{"blockedSps", Blocked(kSps), kH264Block},
                      ProbeCase{"blockedSlice", Blocked(kSlice), std::nullopt},
                      ProbeCase{"blockWithoutMark", Blocked(kSps, 0x18), std::nullopt},
                      ProbeCase{"visualObjectSequence", {0, 0, 1, 0xB0, 0x01}, kMpeg4},
                      ProbeCase{"videoObject", {0, 0, 1, 0x00, 0x00}, kMpeg4},
                      ProbeCase{"mpeg4Vop", {0, 0, 1, 0xB6, 0x10}, std::nullopt},
                      ProbeCase{"truncated", {0, 0, 0}, std::nullopt}, ProbeCase{"empty", {}, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Probe, NullDataIsNoKeyFrame) { EXPECT_EQ(ProbeKeyFrame(nullptr, 100), std::nullopt); }

} // namespace
