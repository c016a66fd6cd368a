#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "recording/ChannelExport.h"
#include "recording/IndexRecord.h"
#include "recording/StorageListing.h"
#include "support/FileSizeLimit.h"
#include "support/SampleFile.h"
#include "support/TempDir.h"

using recording::ChannelExport;
using recording::FrameRecord;
using recording::SystemTime;

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using Texts = std::vector<std::string>;

TEST(StorageListing, FiltersNamesAndKindsAndPutsTheLastSubFolderFirst)
{
    testsupport::TempDir dir;
    EXPECT_TRUE(recording::FindStorageEntries(dir.File("absent")).empty());
    for (const char* d : {"VX01/DISK001", "VX01/DISK00001", "VX01/DISK0003", "VX/ABCDEFGH", "VX123/DISK0009",
                          "XV01/DISK0010", "vx7/DISK0011", "VX02/DISK.001", "VX/ABCDEFGA"})
        fs::create_directories(dir.Path() / d);
    std::ofstream(dir.Path() / "VX01/DISK0001") << "a file, not a folder";
    std::ofstream(dir.Path() / "VX03") << "a file named like a sub-folder";
    // A listing goes in front of what the list holds already.
    Texts list{"old"};
    recording::ApplyStorageInserts(list, recording::FindStorageEntries(dir.Path()));
    EXPECT_EQ(list, (Texts{"vx7/DISK0011", "VX01/DISK0003", "VX/ABCDEFGA", "VX/ABCDEFGH", "old"}));
}

// 2001-09-09 01:46:40 is f_time 1,000,000,000.
constexpr SystemTime kTime{2001, 9, 0, 9, 1, 46, 40, 250};

struct Rec {
    uint32_t ch;
    uint32_t size;
    uint32_t key = 0;
    uint32_t chCount = 4;
    SystemTime time = kTime;
};

Bytes IndexBytes(const std::vector<Rec>& recs)
{
    Bytes out;
    for (const Rec& r : recs) {
        const recording::IndexRecord ir{
            .i_key = r.key, .i_time = r.time, .i_ch = r.ch, .i_chCount = r.chCount, .i_size = r.size};
        uint8_t header[recording::IndexRecord::kHeaderSize];
        ir.Serialize(header);
        out.insert(out.end(), header, header + sizeof header);
        out.insert(out.end(), r.size, static_cast<uint8_t>(r.ch * 16 + r.size % 16));
    }
    return out;
}

class ChannelExportTest : public testing::Test {
protected:
    void WriteIndex(const std::string& name, const Bytes& bytes)
    {
        fs::create_directories(folder);
        testsupport::WriteBytes((folder / name).string(), bytes);
    }
    fs::path ChannelFile(int channel) const
    {
        return folder / "Ch" / ("DISK0001_0" + std::to_string(channel) + ".chv");
    }
    std::vector<FrameRecord> Records(int channel) const
    {
        const testsupport::SampleFile file = testsupport::SampleFile::LoadBytes(ChannelFile(channel));
        std::vector<FrameRecord> out;
        for (const auto& r : file.Records(0, file.bytes.size()))
            out.push_back(r.header);
        return out;
    }
    testsupport::TempDir dir;
    fs::path folder = dir / "VX01" / "DISK0001";
};

TEST_F(ChannelExportTest, ReadsIndexFilesOfAnyCaseInNumberOrderAndRewritesItsFiles)
{
    WriteIndex("DISK0001_10.VDX", IndexBytes({{0, 30}}));
    WriteIndex("disk0001_2.Vdx", IndexBytes({{0, 20}}));
    WriteIndex("DISK0001_1.vdx", IndexBytes({{0, 10}, {1, 11}}));
    WriteIndex("OTHER_3.vdx", IndexBytes({{0, 10}})); // numbered, but opened by the folder's name: absent
    std::ofstream(folder / "notes.txt") << "ignored";
    fs::create_directories(folder / "DISK0001_4.vdx"); // a folder is not an index file
    EXPECT_EQ(ChannelExport::IndexNumbers(folder.string()), (std::vector<long>{1, 2, 3, 10}));

    for (int pass = 0; pass < 2; ++pass) {
        const ChannelExport::Result r = ChannelExport::Run(folder.string());
        EXPECT_EQ(r.indexFilesRead, 3);
        EXPECT_TRUE(r.Failures().empty());
        EXPECT_EQ(Records(0), (std::vector<FrameRecord>{{1'000'000'000, 250, 10, 0, 0},
                                                         {1'000'000'000, 250, 20, 10, 0},
                                                         {1'000'000'000, 250, 30, 20, 0}}));
        EXPECT_EQ(Records(1).size(), 1u);
    }
}

// The first record's channel count says which files the export creates; records it cannot
// write safely are left out, and a record cut short or an impossible payload ends its file.
TEST_F(ChannelExportTest, CreatesTheCountedFilesAndRefusesWhatCannotBeWrittenSafely)
{
    SystemTime badTime = kTime;
    badTime.wMonth = 13;
    WriteIndex("DISK0001_1.vdx", IndexBytes({{0, 10, 1}, {4, 10}, {16, 10}, {1, 10, 0, 4, badTime}, {1, 131'073},
                                             {2, 10}, {1, 10, 0, 2}}));
    Bytes cut = IndexBytes({{3, 10}, {3, 50}});
    cut.resize(cut.size() - 20); // the second record ends early
    WriteIndex("DISK0001_2.vdx", cut);

    ASSERT_EQ(ChannelExport::Run(folder.string()).channels.size(), 4u);
    EXPECT_EQ(Records(0).size(), 1u); // channels 4 and 16 are past the count
    EXPECT_EQ(Records(0).at(0).f_key, 1u);
    EXPECT_TRUE(Records(1).empty()); // impossible time, then a payload too large ends the file
    EXPECT_TRUE(fs::exists(ChannelFile(2)) && Records(2).empty()); // after the oversized payload
    EXPECT_EQ(Records(3).size(), 1u); // the record cut short is not written

    // A first record counting 17 channels creates nothing, and without index files there is no Ch.
    WriteIndex("DISK0001_1.vdx", IndexBytes({{0, 10, 0, 17}}));
    fs::remove(folder / "DISK0001_2.vdx");
    fs::remove_all(folder / "Ch");
    EXPECT_TRUE(ChannelExport::Run(folder.string()).channels.empty());
    EXPECT_FALSE(fs::exists(ChannelFile(0)));
    fs::remove(folder / "DISK0001_1.vdx");
    fs::remove_all(folder / "Ch");
    EXPECT_EQ(ChannelExport::Run(folder.string()).indexFilesRead, 0);
    EXPECT_FALSE(fs::exists(folder / "Ch"));
}

// Whatever stops a channel file, the export names it, says why and how many records it lost,
// and removes only a file it created itself; what stays of a file holds whole records.
TEST_F(ChannelExportTest, NamesEveryFileThatLostRecordsAndRemovesOnlyItsOwn)
{
    const auto full = [](const fs::path& ch) { fs::create_symlink("/dev/full", ch / "DISK0001_00.chv"); };
    const auto earlier = [](const fs::path& ch) {
        for (const char* name : {"DISK0001_00.chv", "DISK0001_01.chv"})
            std::ofstream(ch / name) << "old";
    };
    const auto plainFile = [](const fs::path& ch) {
        fs::remove(ch);
        std::ofstream(ch) << "not a folder";
    };
    const struct {
        const char* what;
        std::function<void(const fs::path& ch)> sabotage;
        rlim_t sizeLimit;
        Texts failures; // per failing channel, from 0 up
        bool stays;     // channel 0's file is there after the export
        size_t kept[2]; // records left in the plain files of channels 0 and 1
    } cases[] = {
        {"full disk", full, RLIM_INFINITY, {"No space left on device, 3 record(s) not written"}, true, {0, 3}},
        {"file-size limit", [](const fs::path&) {}, 1000,
         Texts(2, "File too large, 3 record(s) not written, file removed"), false, {0, 0}},
        {"earlier files under a file-size limit", earlier, 1000, Texts(2, "File too large, 1 record(s) not written"),
         true, {2, 2}},
        {"Ch a plain file", plainFile, RLIM_INFINITY, Texts(2, "Not a directory, 3 record(s) not written"), false,
         {0, 0}},
    };
    // Three records of 420 bytes a channel: two fit under the limit, the third does not.
    WriteIndex("DISK0001_1.vdx", IndexBytes({{0, 400, 1, 2}, {1, 400}, {0, 400}, {1, 400}, {0, 400}, {1, 400}}));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(folder / "Ch");
        fs::create_directory(folder / "Ch");
        c.sabotage(folder / "Ch");
        ChannelExport::Result r;
        {
            testsupport::FileSizeLimit limit(c.sizeLimit);
            r = ChannelExport::Run(folder.string());
        }
        Texts expected;
        for (size_t ch = 0; ch < c.failures.size(); ++ch)
            expected.push_back(ChannelFile(static_cast<int>(ch)).string() + ": " + c.failures[ch]);
        EXPECT_EQ(r.Failures(), expected);
        EXPECT_EQ(fs::exists(fs::symlink_status(ChannelFile(0))), c.stays);
        for (int ch = 0; ch < 2; ++ch)
            EXPECT_EQ(fs::is_regular_file(fs::symlink_status(ChannelFile(ch))) ? Records(ch).size() : 0u, c.kept[ch]);
    }
}

TEST_F(ChannelExportTest, UsesOnlyTheFirstThreeHundredIndexFiles)
{
    for (int n = 1; n <= 302; ++n)
        WriteIndex("DISK0001_" + std::to_string(n) + ".vdx", IndexBytes({{0, 1}}));
    EXPECT_EQ(ChannelExport::Run(folder.string()).indexFilesRead, 300);
    EXPECT_EQ(Records(0).size(), 300u);
}

} // namespace
