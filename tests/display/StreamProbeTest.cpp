#include <gtest/gtest.h>

#include "display/control/StreamProbe.h"
#include "display/decoder/Ombrel.h"

namespace {

using display::ProbeKeyFrame;
using display::StreamKind;

std::vector<uint8_t> Blocked(const std::vector<uint8_t>& frame, uint8_t mark = 0x19)
{
    std::vector<uint8_t> block(52 + frame.size(), 0);
    block[4] = mark;
    std::copy(frame.begin(), frame.end(), block.begin() + 52);
    return block;
}

// The sample streams bring the usual key frames of each format (PlayerControlTest); here: the
// start codes and blocks they do not, and input too short to tell.
TEST(StreamProbe, RecognisesKeyFramesByTheirStartCodes)
{
    const std::vector<uint8_t> sps{0, 0, 0, 1, 0x67, 0x42, 0x00, 0x1E};
    const std::vector<uint8_t> slice{0, 0, 0, 1, 0x41, 0x9A, 0x00};
    const std::tuple<const char*, std::vector<uint8_t>, std::optional<StreamKind>> cases[] = {
        {"sps, short start code", {0, 0, 1, 0x27, 0x42}, StreamKind{OMBREL_CODEC_H264, 0}},
        {"slice behind the block", Blocked(slice), std::nullopt},
        {"block without its mark", Blocked(sps, 0x18), std::nullopt},
        {"video object", {0, 0, 1, 0x00, 0x00}, StreamKind{OMBREL_CODEC_MPEG4, 0}},
        {"MPEG-4 picture", {0, 0, 1, 0xB6, 0x10}, std::nullopt},
        {"truncated", {0, 0, 0}, std::nullopt},
    };
    for (const auto& [name, bytes, kind] : cases)
        EXPECT_EQ(ProbeKeyFrame(bytes.data(), bytes.size()), kind) << name;
    EXPECT_EQ(ProbeKeyFrame(nullptr, 100), std::nullopt);
}

} // namespace
