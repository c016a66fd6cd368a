#include <gtest/gtest.h>

#include "display/control/StreamProbe.h"
#include "display/decoder/Ombrel.h"

namespace {

using display::ProbeKeyFrame;
using display::StreamKind;

std::vector<uint8_t> Blocked(std::vector<uint8_t> frame, uint8_t mark = 0x19)
{
    std::vector<uint8_t> block(52, 0);
    block[4] = mark;
    block.insert(block.end(), frame.begin(), frame.end());
    return block;
}

TEST(StreamProbe, RecognisesKeyFramesByTheirStartCodes)
{
    const std::vector<uint8_t> sps{0, 0, 0, 1, 0x67, 0x42, 0x00, 0x1E};
    const std::vector<uint8_t> slice{0, 0, 0, 1, 0x41, 0x9A, 0x00};
    const StreamKind h264{OMBREL_CODEC_H264, 0}, mpeg4{OMBREL_CODEC_MPEG4, 0};
    const std::tuple<const char*, std::vector<uint8_t>, std::optional<StreamKind>> cases[] = {
        {"sps", sps, h264},
        {"sps, short start code", {0, 0, 1, 0x27, 0x42}, h264},
        {"slice", slice, std::nullopt},
        {"sps behind the block", Blocked(sps), StreamKind{OMBREL_CODEC_H264, 52}},
        {"slice behind the block", Blocked(slice), std::nullopt},
        {"block without its mark", Blocked(sps, 0x18), std::nullopt},
        {"visual object sequence", {0, 0, 1, 0xB0, 0x01}, mpeg4},
        {"video object", {0, 0, 1, 0x00, 0x00}, mpeg4},
        {"MPEG-4 picture", {0, 0, 1, 0xB6, 0x10}, std::nullopt},
        {"truncated", {0, 0, 0}, std::nullopt},
        {"empty", {}, std::nullopt},
    };
    for (const auto& [name, bytes, kind] : cases)
        EXPECT_EQ(ProbeKeyFrame(bytes.data(), bytes.size()), kind) << name;
    EXPECT_EQ(ProbeKeyFrame(nullptr, 100), std::nullopt);
}

} // namespace
