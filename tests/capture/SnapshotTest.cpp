#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "capture/FakeCaptureControl.h"
#include "display/CVorquil_Ctrl_Player.h"
#include "support/FileSizeLimit.h"
#include "support/TempDir.h"
#include "ui/capture/Snapshot.h"

namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::vector<fs::path> FilesIn(const fs::path& folder)
{
    std::vector<fs::path> files;
    if (fs::exists(folder))
        for (const auto& entry : fs::directory_iterator(folder))
            files.push_back(entry.path().filename());
    return files;
}

class SnapshotTest : public testing::Test {
protected:
    SnapshotTest() : m_player(&m_control) {}

    capture::Snapshot MakeSnapshot(const fs::path& folder)
    {
        return capture::Snapshot(m_player, {[this] { return m_time; }, [this] { return m_format; }}, folder);
    }

    testsupport::TempDir m_dir;
    testsupport::FakeCaptureControl m_control;
    display::CVorquil_Ctrl_Player m_player;
    recording::SystemTime m_time{2009, 9, 0, 3, 14, 5, 9, 0};
    int m_format = 1;
};

// Named by the recorded time in the chosen format, in folders made as needed. Snapshots within
// one recorded second each keep their picture, and a file already there is never replaced.
TEST_F(SnapshotTest, EverySnapshotGetsItsOwnFileNamedByTheRecordedTime)
{
    const fs::path folder = m_dir.Path() / "Storage" / "Capture";
    m_format = 5;
    capture::Snapshot snapshot = MakeSnapshot(folder);
    std::vector<std::vector<uint8_t>> frames;
    for (uint8_t seed = 1; seed <= 3; ++seed) {
        frames.push_back(testsupport::PatternFrame(16, 8, seed));
        m_control.Deliver(16, 8, 32, frames.back());
        EXPECT_EQ(snapshot.Take().result, capture::SnapshotOutcome::Result::Saved);
    }
    const std::vector<fs::path> names{"09-03-2009-140509.bmp", "09-03-2009-140509-2.bmp", "09-03-2009-140509-3.bmp"};
    ASSERT_THAT(FilesIn(folder), testing::UnorderedElementsAreArray(names));
    for (size_t i = 0; i < names.size(); ++i) {
        const std::vector<uint8_t> file = ReadFile(folder / names[i]);
        ASSERT_EQ(file.size(), 54 + frames[i].size());
        EXPECT_TRUE(std::equal(frames[i].begin(), frames[i].end(), file.begin() + 54)) << names[i];
    }
    fs::remove(folder / names[1]);
    EXPECT_EQ(snapshot.Take().path, folder / names[1]); // the first free name
}

// As root no permission bit stops a write, so the folder stands below a regular file (no folder
// can be made there) and a full disk is a file-size limit that cuts the file short.
TEST_F(SnapshotTest, AFileThatCannotBeWrittenIsReportedAndNothingIsLeft)
{
    testsupport::WriteBytes(m_dir.File("Storage"), {1});
    const fs::path underAFile = m_dir.Path() / "Storage" / "Capture";
    m_control.Deliver(64, 64, 32, testsupport::PatternFrame(64, 64, 1));

    const capture::SnapshotOutcome refused = MakeSnapshot(underAFile).Take();
    EXPECT_EQ(refused.result, capture::SnapshotOutcome::Result::Failed);
    EXPECT_EQ(refused.path, underAFile / "2009-09-03-140509.bmp");
    EXPECT_EQ(refused.reason, std::make_error_code(std::errc::not_a_directory).message());

    const fs::path folder = m_dir.Path() / "Full";
    capture::SnapshotOutcome cutShort;
    {
        testsupport::FileSizeLimit limit(4096);
        cutShort = MakeSnapshot(folder).Take();
    }
    EXPECT_EQ(cutShort.result, capture::SnapshotOutcome::Result::Failed);
    EXPECT_EQ(cutShort.path, folder / "2009-09-03-140509.bmp");
    EXPECT_EQ(cutShort.reason, std::make_error_code(std::errc::file_too_large).message());
    EXPECT_TRUE(FilesIn(folder).empty());
}

TEST_F(SnapshotTest, FramesItCannotTakeWholeWriteNothing)
{
    const struct {
        const char* what;
        int32_t width, height, bitsPerPixel;
    } cases[] = {{"24 bits per pixel", 8, 8, 24},         {"8 bits per pixel", 8, 8, 8},
                 {"larger than the buffer", 704, 578, 32}, {"wider than the buffer", 406'209, 1, 32},
                 {"overflowing size", 65'536, 65'536, 32}, {"zero width", 0, 576, 32},
                 {"negative height", 704, -576, 32}};
    const fs::path folder = m_dir.Path() / "Capture";
    for (const auto& c : cases) {
        m_control.Deliver(c.width, c.height, c.bitsPerPixel, testsupport::PatternFrame(8, 8, 1));
        MakeSnapshot(folder).Take();
        EXPECT_TRUE(FilesIn(folder).empty()) << c.what;
    }
    m_control.DeliverNothing();
    EXPECT_EQ(MakeSnapshot(folder).Take().result, capture::SnapshotOutcome::Result::NoPicture);
    EXPECT_EQ(m_control.Captures(), 8);
    EXPECT_FALSE(fs::exists(folder));
}

} // namespace
