#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "recording/ChannelExport.h"
#include "recording/FrameRecord.h"
#include "recording/IndexRecord.h"
#include "support/TempDir.h"

using recording::ChannelExport;
using recording::FrameRecord;
using recording::IndexRecord;
using recording::SystemTime;

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

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
        IndexRecord ir;
        ir.i_key = r.key;
        ir.i_time = r.time;
        ir.i_ch = r.ch;
        ir.i_chCount = r.chCount;
        ir.i_size = r.size;
        uint8_t header[IndexRecord::kHeaderSize];
        ir.Serialize(header);
        out.insert(out.end(), header, header + sizeof header);
        out.insert(out.end(), r.size, static_cast<uint8_t>(r.ch * 16 + r.size % 16));
    }
    return out;
}

class ChannelExportTest : public testing::Test {
protected:
    fs::path Folder() const { return dir.Path() / "VX01" / "DISK0001"; }
    void WriteIndex(const std::string& name, const Bytes& bytes)
    {
        fs::create_directories(Folder());
        testsupport::WriteBytes((Folder() / name).string(), bytes);
    }
    std::vector<FrameRecord> Records(int channel) const
    {
        char name[32];
        std::snprintf(name, sizeof name, "DISK0001_%02d.chv", channel);
        std::ifstream in(Folder() / "Ch" / name, std::ios::binary);
        std::vector<FrameRecord> out;
        uint8_t header[FrameRecord::kHeaderSize];
        while (in.read(reinterpret_cast<char*>(header), sizeof header)) {
            out.push_back(FrameRecord::Parse(header));
            in.seekg(out.back().f_size, std::ios::cur);
        }
        return out;
    }
    testsupport::TempDir dir;
};

TEST_F(ChannelExportTest, ReadsIndexFilesInNumberOrder)
{
    // The recorder's disk keeps no case.
    WriteIndex("DISK0001_10.VDX", IndexBytes({{0, 30}}));
    WriteIndex("disk0001_2.Vdx", IndexBytes({{0, 20}}));
    WriteIndex("DISK0001_1.vdx", IndexBytes({{0, 10}, {1, 11}}));
    std::ofstream(Folder() / "notes.txt") << "ignored";
    EXPECT_EQ(ChannelExport::IndexNumbers(Folder().string()), (std::vector<long>{1, 2, 10}));

    const ChannelExport::Result r = ChannelExport::Run(Folder().string());
    EXPECT_EQ(r.indexFilesRead, 3);
    EXPECT_TRUE(r.Failures().empty());
    const std::vector<FrameRecord> ch0 = Records(0);
    ASSERT_EQ(ch0.size(), 3u);
    EXPECT_EQ(ch0[0], (FrameRecord{1'000'000'000, 250, 10, 0, 0}));
    EXPECT_EQ(ch0[1], (FrameRecord{1'000'000'000, 250, 20, 10, 0}));
    EXPECT_EQ(ch0[2], (FrameRecord{1'000'000'000, 250, 30, 20, 0}));
    EXPECT_EQ(Records(1).size(), 1u);
}

TEST_F(ChannelExportTest, FirstRecordsChannelCountCreatesEveryFile)
{
    WriteIndex("DISK0001_1.vdx", IndexBytes({{0, 10, 1, 4}, {1, 10, 0, 2}}));
    const ChannelExport::Result r = ChannelExport::Run(Folder().string());
    ASSERT_EQ(r.channels.size(), 4u);
    for (int c = 0; c < 4; ++c)
        EXPECT_TRUE(fs::exists(Folder() / "Ch" / ("DISK0001_0" + std::to_string(c) + ".chv")));
    EXPECT_EQ(Records(0).at(0).f_key, 1u);
    EXPECT_TRUE(Records(2).empty());
}

TEST_F(ChannelExportTest, ASecondExportRewritesTheFiles)
{
    WriteIndex("DISK0001_1.vdx", IndexBytes({{0, 10}, {0, 12}}));
    ChannelExport::Run(Folder().string());
    ChannelExport::Run(Folder().string());
    EXPECT_EQ(Records(0).size(), 2u);
}

TEST_F(ChannelExportTest, NothingReadableCreatesNoChFolder)
{
    WriteIndex("OTHER_1.vdx", IndexBytes({{0, 10}})); // opened by the folder's own name: absent
    fs::create_directories(Folder() / "DISK0001_2.vdx"); // a folder is not an index file
    const ChannelExport::Result r = ChannelExport::Run(Folder().string());
    EXPECT_EQ(r.indexFilesRead, 0);
    EXPECT_FALSE(fs::exists(Folder() / "Ch"));
}

TEST_F(ChannelExportTest, RefusesWhatCannotBeWrittenSafely)
{
    SystemTime badTime = kTime;
    badTime.wMonth = 13;
    Bytes bytes = IndexBytes({{0, 10}, {4, 10}, {16, 10}, {1, 10, 0, 4, badTime}, {1, 131'073}, {2, 10}});
    WriteIndex("DISK0001_1.vdx", bytes);
    Bytes cut = IndexBytes({{3, 10}, {3, 50}});
    cut.resize(cut.size() - 20); // the second record ends early
    WriteIndex("DISK0001_2.vdx", cut);

    ChannelExport::Run(Folder().string());
    EXPECT_EQ(Records(0).size(), 1u); // channels 4 and 16 are past the count
    EXPECT_TRUE(Records(1).empty());  // impossible time, then a payload too large ends the file
    EXPECT_TRUE(Records(2).empty());  // after the oversized payload
    EXPECT_EQ(Records(3).size(), 1u); // the record cut short is not written
}

TEST_F(ChannelExportTest, ChannelCountAboveSixteenCreatesNothing)
{
    WriteIndex("DISK0001_1.vdx", IndexBytes({{0, 10, 0, 17}}));
    EXPECT_TRUE(ChannelExport::Run(Folder().string()).channels.empty());
    EXPECT_FALSE(fs::exists(Folder() / "Ch" / "DISK0001_00.chv"));
}

TEST_F(ChannelExportTest, UsesOnlyTheFirstThreeHundredIndexFiles)
{
    for (int n = 1; n <= 302; ++n)
        WriteIndex("DISK0001_" + std::to_string(n) + ".vdx", IndexBytes({{0, 1}}));
    EXPECT_EQ(ChannelExport::Run(Folder().string()).indexFilesRead, 300);
    EXPECT_EQ(Records(0).size(), 300u);
}

} // namespace
