#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include <gtest/gtest.h>

#include "capture/FakeCaptureControl.h"
#include "display/CVorquil_Ctrl_Player.h"
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

TEST_F(SnapshotTest, CreatesTheLastFolderLevelAndNamesTheFileByTheRecordedTime)
{
    const fs::path folder = m_dir.Path() / "Capture";
    m_control.Deliver(704, 576, 32, testsupport::PatternFrame(704, 576, 3));
    m_format = 5;

    MakeSnapshot(folder).Take();

    EXPECT_EQ(FilesIn(folder), std::vector<fs::path>{"09-03-2009-140509.bmp"});
    EXPECT_EQ(fs::file_size(folder / "09-03-2009-140509.bmp"), 1'622'070u);
}

TEST_F(SnapshotTest, TwoSnapshotsInOneSecondLeaveTheSecond)
{
    const fs::path folder = m_dir.Path() / "Capture";
    capture::Snapshot snapshot = MakeSnapshot(folder);
    m_control.Deliver(16, 8, 32, testsupport::PatternFrame(16, 8, 1));
    snapshot.Take();
    const std::vector<uint8_t> second = testsupport::PatternFrame(16, 8, 2);
    m_control.Deliver(16, 8, 32, second);
    snapshot.Take();

    ASSERT_EQ(FilesIn(folder), std::vector<fs::path>{"2009-09-03-140509.bmp"});
    const std::vector<uint8_t> file = ReadFile(folder / "2009-09-03-140509.bmp");
    ASSERT_EQ(file.size(), 54 + second.size());
    EXPECT_TRUE(std::equal(second.begin(), second.end(), file.begin() + 54));
}

TEST_F(SnapshotTest, NoPictureWritesNothing)
{
    const fs::path folder = m_dir.Path() / "Capture";
    m_control.DeliverNothing();
    MakeSnapshot(folder).Take();
    EXPECT_EQ(m_control.Captures(), 1);
    EXPECT_FALSE(fs::exists(folder));
}

TEST_F(SnapshotTest, MissingParentFolderWritesNothing)
{
    const fs::path folder = m_dir.Path() / "Storage" / "Capture";
    m_control.Deliver(16, 8, 32, testsupport::PatternFrame(16, 8, 1));
    MakeSnapshot(folder).Take();
    EXPECT_FALSE(fs::exists(m_dir.Path() / "Storage"));
    EXPECT_TRUE(FilesIn(m_dir.Path()).empty());
}

struct Refused {
    const char* what;
    int32_t width;
    int32_t height;
    int32_t bitsPerPixel;
};

class SnapshotRefuses : public SnapshotTest, public testing::WithParamInterface<Refused> {};

TEST_P(SnapshotRefuses, FramesItCannotTakeWhole)
{
    const Refused r = GetParam();
    const fs::path folder = m_dir.Path() / "Capture";
    m_control.Deliver(r.width, r.height, r.bitsPerPixel, testsupport::PatternFrame(8, 8, 1));
    MakeSnapshot(folder).Take();
    EXPECT_TRUE(FilesIn(folder).empty()) << r.what;
}

INSTANTIATE_TEST_SUITE_P(Frames, SnapshotRefuses,
                         testing::Values(Refused{"24 bits per pixel", 8, 8, 24}, Refused{"8 bits per pixel", 8, 8, 8},
                                         Refused{"larger than the buffer", 704, 578, 32},
                                         Refused{"wider than the buffer", 406'209, 1, 32},
                                         Refused{"overflowing size", 65'536, 65'536, 32},
                                         Refused{"zero width", 0, 576, 32}, Refused{"negative height", 704, -576, 32}),
                         [](const testing::TestParamInfo<Refused>& info) { return "Case" + std::to_string(info.index); });

} // namespace
