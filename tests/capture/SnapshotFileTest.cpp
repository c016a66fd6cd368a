// The snapshot's bitmap file, and what keeps a snapshot from writing one.
#include <filesystem>
#include <vector>

#include <gtest/gtest.h>

#include "capture/FakeCaptureControl.h"
#include "display/CVorquil_Ctrl_Player.h"
#include "support/TempDir.h"
#include "ui/capture/BitmapFile.h"
#include "ui/capture/CapturedFrame.h"
#include "ui/capture/Snapshot.h"

namespace {

namespace fs = std::filesystem;

// Writing is refused without leaving a file, and an existing file is never replaced.
TEST(BitmapFile, RefusesWhatItCannotWriteWithoutLeavingAFile)
{
    testsupport::TempDir dir;
    const QImage bitmap = capture::FrameBitmap({8, 4, 32, testsupport::TwoColourFrame(8, 4, 0xFF0000, 0)});
    const auto path = dir / "out.bmp";
    EXPECT_EQ(capture::SaveBitmapFile(bitmap, 24, path), std::make_error_code(std::errc::not_supported));
    EXPECT_FALSE(fs::exists(path));
    testsupport::WriteBytes(path.string(), {7});
    EXPECT_EQ(capture::SaveBitmapFile(bitmap, 32, path), std::make_error_code(std::errc::file_exists));
    EXPECT_EQ(fs::file_size(path), 1u);
}

// What a snapshot of the frame the control delivers does with the folder.
capture::SnapshotOutcome Take(int32_t width, int32_t height, int32_t bitsPerPixel, const fs::path& folder)
{
    testsupport::FakeCaptureControl control;
    control.Deliver(width, height, bitsPerPixel, testsupport::TwoColourFrame(8, 8, 0, 0));
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
