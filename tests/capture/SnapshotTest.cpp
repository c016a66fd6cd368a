// The snapshot's file name and printed stamp, and what keeps it from writing a file.
#include <filesystem>
#include <vector>

#include <gtest/gtest.h>

#include "capture/FakeCaptureControl.h"
#include "display/CVorquil_Ctrl_Player.h"
#include "recording/TimeConversion.h"
#include "support/TempDir.h"
#include "ui/capture/CaptureTimeText.h"
#include "ui/capture/Snapshot.h"

namespace {

namespace fs = std::filesystem;

// The file names always use hyphens, the printed stamp the format's own separator; unknown
// formats follow the first, and the year is always four digits wide.
TEST(CaptureTimeText, BothTextsFollowTheFormat)
{
    const recording::SystemTime time{2009, 9, 0, 3, 14, 5, 9, 0}, early{999, 1, 0, 2, 3, 4, 5, 0};
    const struct {
        recording::SystemTime time;
        int format;
        const char* fileName;
        const char* printed;
    } cases[] = {
        {time, 1, "2009-09-03-140509", "2009-09-03 14:05:09"},
        {time, 2, "09-03-2009-140509", "09-03-2009 14:05:09"},
        {time, 3, "03-09-2009-140509", "03-09-2009 14:05:09"},
        {time, 4, "2009-09-03-140509", "2009/09/03 14:05:09"},
        {time, 5, "09-03-2009-140509", "09/03/2009 14:05:09"},
        {time, 6, "03-09-2009-140509", "03/09/2009 14:05:09"},
        {time, 0, "2009-09-03-140509", "2009-09-03 14:05:09"},
        {early, 4, "0999-01-02-030405", "0999/01/02 03:04:05"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(capture::SnapshotFileName(c.time, c.format), c.fileName) << c.format;
        EXPECT_EQ(capture::PrintTimeText(c.time, c.format), c.printed) << c.format;
    }
}

// What a snapshot of the frame the control delivers does with the folder.
capture::SnapshotOutcome Take(int32_t width, int32_t height, int32_t bitsPerPixel, const fs::path& folder)
{
    testsupport::FakeCaptureControl control;
    control.Deliver(width, height, bitsPerPixel, std::vector<uint8_t>(8 * 8 * 4));
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

// Named by the grabbed picture's own time and channel, not by the time the window shows; a
// later one within that second carries the milliseconds, only the same frame again a number.
TEST(Snapshot, NamesThePicturesOwnTimeAndChannel)
{
    testsupport::TempDir dir;
    testsupport::FakeCaptureControl control;
    control.Deliver(8, 8, 32, std::vector<uint8_t>(8 * 8 * 4));
    display::CVorquil_Ctrl_Player player(&control);
    const recording::SystemTime onScreen{2009, 9, 0, 3, 14, 5, 9, 0};
    capture::Snapshot snapshot(player, {[&] { return onScreen; }, [] { return 1; }, [] { return false; },
                                        [](int ch) { return "CAM/" + std::to_string(ch + 1); }},
                               dir / "Capture");
    const int32_t fTime = *recording::SystemTimeToFTime({2009, 9, 0, 3, 14, 5, 10, 0});
    const struct {
        int32_t msec;
        const char* name;
    } shots[] = {{40, "2009-09-03-140510-CAM_3.bmp"},
                 {80, "2009-09-03-140510.080-CAM_3.bmp"},
                 {80, "2009-09-03-140510.080-CAM_3-2.bmp"}};
    for (const auto& shot : shots) {
        control.Stamp(2, fTime, shot.msec);
        EXPECT_EQ(snapshot.Take().path, dir / "Capture" / shot.name);
    }
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
