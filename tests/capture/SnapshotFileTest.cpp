// The snapshot's bitmap file, and what keeps a snapshot from writing one.
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
#include "ui/capture/Snapshot.h"

namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

QImage Bitmap(int32_t width, int32_t height, std::vector<uint8_t> bytes)
{
    return capture::FrameBitmap({width, height, 32, std::move(bytes)});
}

// The file holds the headers and then the control's rows exactly as they came (bottom row
// first), with the fourth byte of every pixel kept.
TEST(BitmapFile, HeadersThenTheDeliveredRows)
{
    testsupport::TempDir dir;
    for (const auto& [width, height, fileSize] : {std::tuple{704, 576, 1'622'070u}, {5, 3, 114u}}) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        const std::vector<uint8_t> delivered = testsupport::PatternFrame(width, height, 5);
        const auto path = dir / (std::to_string(width) + ".bmp");
        ASSERT_EQ(capture::SaveBitmapFile(Bitmap(width, height, delivered), 32, path), std::error_code());

        const std::vector<uint8_t> file = ReadFile(path);
        ASSERT_EQ(file.size(), fileSize);
        const uint8_t* p = file.data();
        EXPECT_EQ(std::string(p, p + 2), "BM");
        // Offset and value of every 32-bit field, then the two 16-bit ones.
        const uint32_t image = fileSize - 54;
        const std::pair<int, uint32_t> fields[] = {{2, fileSize}, {6, 0},  {10, 54}, {14, 40}, {18, width},
                                                   {22, height},  {30, 0}, {34, image}, {38, 0}, {42, 0},
                                                   {46, 0},       {50, 0}};
        for (const auto& [offset, value] : fields)
            EXPECT_EQ(recording::GetU32(p + offset), value) << "offset " << offset;
        EXPECT_EQ(recording::GetU16(p + 26), 1);
        EXPECT_EQ(recording::GetU16(p + 28), 32);
        EXPECT_TRUE(std::equal(delivered.begin(), delivered.end(), file.begin() + 54));
    }
}

TEST(BitmapFile, RefusesWhatItCannotWriteWithoutLeavingAFile)
{
    testsupport::TempDir dir;
    const QImage bitmap = Bitmap(8, 4, testsupport::PatternFrame(8, 4, 2));
    const auto path = dir / "out.bmp";

    const std::error_code unsupported = std::make_error_code(std::errc::not_supported);
    EXPECT_EQ(capture::SaveBitmapFile(bitmap, 24, path), unsupported);
    EXPECT_EQ(capture::SaveBitmapFile(bitmap.convertToFormat(QImage::Format_RGB888), 32, path), unsupported);
    EXPECT_EQ(capture::SaveBitmapFile(QImage(), 32, path), unsupported);
    EXPECT_FALSE(fs::exists(path));
    // An existing file is never replaced.
    testsupport::WriteBytes(path.string(), {7});
    EXPECT_EQ(capture::SaveBitmapFile(bitmap, 32, path), std::make_error_code(std::errc::file_exists));
    EXPECT_EQ(ReadFile(path), std::vector<uint8_t>{7});
}

// What a snapshot of the frame the control delivers does with the folder.
capture::SnapshotOutcome Take(int32_t width, int32_t height, int32_t bitsPerPixel, const fs::path& folder)
{
    testsupport::FakeCaptureControl control;
    control.Deliver(width, height, bitsPerPixel, testsupport::PatternFrame(8, 8, 1));
    display::CVorquil_Ctrl_Player player(&control);
    const recording::SystemTime time{2009, 9, 0, 3, 14, 5, 9, 0};
    return capture::Snapshot(player, {[time] { return time; }, [] { return 1; }}, folder).Take();
}

TEST(Snapshot, FramesItCannotTakeWholeWriteNothing)
{
    const struct {
        const char* what;
        int32_t width, height, bitsPerPixel;
    } cases[] = {{"24 bits per pixel", 8, 8, 24},         {"larger than the buffer", 704, 578, 32},
                 {"overflowing size", 65'536, 65'536, 32}, {"zero width", 0, 576, 32},
                 {"negative height", 704, -576, 32}};
    testsupport::TempDir dir;
    for (const auto& c : cases)
        EXPECT_EQ(Take(c.width, c.height, c.bitsPerPixel, dir / "Capture").result,
                  capture::SnapshotOutcome::Result::NoPicture)
            << c.what;
    EXPECT_FALSE(fs::exists(dir / "Capture"));
}

// As root no permission bit stops a write, so the folder stands below a regular file: no
// folder can be made there.
TEST(Snapshot, AFolderThatCannotBeMadeIsReported)
{
    testsupport::TempDir dir;
    testsupport::WriteBytes(dir.File("Storage"), {1});
    const fs::path underAFile = dir / "Storage" / "Capture";
    const capture::SnapshotOutcome refused = Take(8, 8, 32, underAFile);
    EXPECT_EQ(refused.result, capture::SnapshotOutcome::Result::Failed);
    EXPECT_EQ(refused.path, underAFile / "2009-09-03-140509.bmp");
    EXPECT_EQ(refused.reason, std::make_error_code(std::errc::not_a_directory).message());
}

} // namespace
