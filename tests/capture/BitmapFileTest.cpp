#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include <gtest/gtest.h>

#include "capture/FakeCaptureControl.h"
#include "display/CVorquil_Ctrl_Player.h"
#include "recording/LittleEndian.h"
#include "support/TempDir.h"
#include "ui/capture/BitmapFile.h"
#include "ui/capture/CapturedFrame.h"

namespace {

using recording::GetU16;
using recording::GetU32;

std::vector<uint8_t> ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Captures a frame through the control wrapper, as the snapshot does.
capture::CapturedFrame Capture(int32_t width, int32_t height, const std::vector<uint8_t>& bytes)
{
    testsupport::FakeCaptureControl control;
    control.Deliver(width, height, 32, bytes);
    display::CVorquil_Ctrl_Player player(&control);
    const auto frame = capture::GrabFrame(player);
    EXPECT_TRUE(frame.has_value());
    return frame.value_or(capture::CapturedFrame{});
}

struct HeaderCase {
    int32_t width;
    int32_t height;
    size_t fileSize;
};

class BitmapFileLayout : public testing::TestWithParam<HeaderCase> {};

// The file holds the headers of the table and then the control's rows exactly as they came
// (bottom row first), with the fourth byte of every pixel kept.
TEST_P(BitmapFileLayout, HeadersThenTheDeliveredRows)
{
    const auto [width, height, fileSize] = GetParam();
    const std::vector<uint8_t> delivered = testsupport::PatternFrame(width, height, 5);
    testsupport::TempDir dir;
    const auto path = dir.Path() / "frame.bmp";

    const capture::CapturedFrame frame = Capture(width, height, delivered);
    ASSERT_EQ(capture::SaveBitmapFile(capture::FrameBitmap(frame), 32, path), std::error_code());

    const std::vector<uint8_t> file = ReadFile(path);
    const uint32_t imageSize = static_cast<uint32_t>(width) * height * 4;
    ASSERT_EQ(file.size(), fileSize);
    const uint8_t* p = file.data();
    EXPECT_EQ(p[0], 'B');
    EXPECT_EQ(p[1], 'M');
    EXPECT_EQ(GetU32(p + 2), 54 + imageSize);
    EXPECT_EQ(GetU32(p + 6), 0u); // both reserved words
    EXPECT_EQ(GetU32(p + 10), 54u);
    EXPECT_EQ(GetU32(p + 14), 40u);
    EXPECT_EQ(GetU32(p + 18), static_cast<uint32_t>(width));
    EXPECT_EQ(GetU32(p + 22), static_cast<uint32_t>(height));
    EXPECT_EQ(GetU16(p + 26), 1);
    EXPECT_EQ(GetU16(p + 28), 32);
    EXPECT_EQ(GetU32(p + 30), 0u);
    EXPECT_EQ(GetU32(p + 34), imageSize);
    for (int offset = 38; offset < 54; offset += 4)
        EXPECT_EQ(GetU32(p + offset), 0u) << "offset " << offset;
    EXPECT_TRUE(std::equal(delivered.begin(), delivered.end(), file.begin() + 54));
}

INSTANTIATE_TEST_SUITE_P(Frames, BitmapFileLayout,
                         testing::Values(HeaderCase{704, 576, 1'622'070}, HeaderCase{5, 3, 114},
                                         HeaderCase{1, 1, 58}));

TEST(BitmapFile, RefusesWhatItCannotWriteWithoutLeavingAFile)
{
    testsupport::TempDir dir;
    const capture::CapturedFrame frame = Capture(8, 4, testsupport::PatternFrame(8, 4, 2));
    const QImage bitmap = capture::FrameBitmap(frame);
    const auto path = dir.Path() / "out.bmp";

    const std::error_code unsupported = std::make_error_code(std::errc::not_supported);
    for (int32_t depth : {1, 8, 16, 24, 0, -32}) {
        EXPECT_EQ(capture::SaveBitmapFile(bitmap, depth, path), unsupported) << depth;
        EXPECT_FALSE(std::filesystem::exists(path)) << depth;
    }
    EXPECT_EQ(capture::SaveBitmapFile(bitmap.convertToFormat(QImage::Format_RGB888), 32, path), unsupported);
    EXPECT_EQ(capture::SaveBitmapFile(QImage(), 32, path), unsupported);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(capture::SaveBitmapFile(bitmap, 32, dir.Path() / "missing" / "out.bmp"),
              std::make_error_code(std::errc::no_such_file_or_directory));
    // An existing file is never replaced.
    testsupport::WriteBytes(path.string(), {7});
    EXPECT_EQ(capture::SaveBitmapFile(bitmap, 32, path), std::make_error_code(std::errc::file_exists));
    EXPECT_EQ(ReadFile(path), std::vector<uint8_t>{7});
}

} // namespace
