#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "recording/ChannelExport.h"
#include "recording/IndexRecord.h"
#include "recording/StorageListing.h"
#include "recording/TimeConversion.h"
#include "support/FileSizeLimit.h"
#include "support/SampleFile.h"
#include "support/TempDir.h"
#include "tests/tools/PayloadDecoder.h"
#include "tools/sample/StorageWriter.h"
#include "tools/vrc-tool/Commands.h"

namespace {

namespace fs = std::filesystem;
using recording::IndexRecord;
using sample::StorageWriter;
using testsupport::SampleFile;

constexpr int kChannels = 3;
constexpr int kSeconds = 3;

// The index records of all files in number order, read independently of the export.
std::vector<std::pair<IndexRecord, std::vector<uint8_t>>> IndexRecords(const fs::path& folder)
{
    std::vector<std::pair<IndexRecord, std::vector<uint8_t>>> out;
    for (int s = 0; s < kSeconds; ++s) {
        const std::string name = "DISK0001_" + std::to_string(StorageWriter::IndexNumber(s)) + ".vdx";
        const std::vector<uint8_t> bytes = SampleFile::LoadBytes(folder / name).bytes;
        for (size_t at = 0; at + IndexRecord::kHeaderSize <= bytes.size();) {
            const IndexRecord r = IndexRecord::Parse(&bytes[at]);
            at += IndexRecord::kHeaderSize;
            out.emplace_back(r, std::vector<uint8_t>(bytes.begin() + at, bytes.begin() + at + r.i_size));
            at += r.i_size;
        }
    }
    return out;
}

fs::path ChannelFile(const fs::path& folder, int channel)
{
    return folder / "Ch" / ("DISK0001_0" + std::to_string(channel) + ".chv");
}

TEST(StorageExport, ChannelFilesMatchTheIndexRecordsOneForOneAndDecode)
{
    testsupport::TempDir dir;
    ASSERT_EQ(StorageWriter::Write(dir.Path().string(), kChannels, kSeconds), "");
    // The last sub-folder's entries come first, each sub-folder's in name order.
    std::vector<std::string> list;
    recording::ApplyStorageInserts(list, recording::FindStorageEntries(dir.Path().string()));
    EXPECT_EQ(list, (std::vector<std::string>{"VX02/DISK0005", "VX01/DISK0001", "VX01/DISK0002"}));

    const fs::path folder = dir / StorageWriter::kEntry;
    const recording::ChannelExport::Result result = recording::ChannelExport::Run(folder.string());
    EXPECT_EQ(result.indexFilesRead, kSeconds);
    ASSERT_EQ(result.channels.size(), size_t{kChannels});

    const auto index = IndexRecords(folder);
    for (int c = 0; c < kChannels; ++c) {
        SCOPED_TRACE(c);
        const SampleFile file = SampleFile::LoadBytes(ChannelFile(folder, c));
        const auto frames = file.Records(0, file.bytes.size());
        size_t n = 0;
        uint32_t prev = 0;
        testsupport::PayloadDecoder decoder("h264");
        for (const auto& [r, payload] : index) {
            if (r.i_ch != static_cast<uint32_t>(c))
                continue;
            ASSERT_LT(n, frames.size());
            const SampleFile::Record& f = frames[n++];
            EXPECT_EQ(f.header.f_time, recording::SystemTimeToFTime(r.i_time));
            EXPECT_EQ(f.header.f_msec, r.i_time.wMilliseconds);
            EXPECT_EQ(f.header.f_key, r.i_key);
            EXPECT_EQ(f.header.f_prevSize, prev);
            EXPECT_TRUE(std::ranges::equal(f.payload, payload));
            EXPECT_TRUE(decoder.Send(f.payload));
            prev = r.i_size;
        }
        EXPECT_EQ(n, frames.size());
        EXPECT_EQ(result.channels[c].records, frames.size());
        EXPECT_TRUE(decoder.Flush());
        EXPECT_EQ(decoder.frames, kSeconds * 25);
    }
}

struct LossCase {
    const char* what;
    std::function<void(const fs::path& ch)> sabotage; // given the Ch folder before the export
    rlim_t sizeLimit;                                 // no file of the export may grow beyond
    std::vector<int> failing;                         // the channels whose files cannot be written
    const char* reason;
    bool removed; // the export created the file and took it away again
};

void PrintTo(const LossCase& c, std::ostream* os) { *os << c.what; }

class StorageExportLoss : public testing::TestWithParam<LossCase> {};

// Whatever stops a channel file, vrc-tool names it, says why and how many records it lost,
// exits 1, and removes nothing that was there before.
TEST_P(StorageExportLoss, NamesEveryFileThatLostRecordsAndExitsOne)
{
    const LossCase& c = GetParam();
    testsupport::TempDir dir;
    ASSERT_EQ(StorageWriter::Write(dir.Path().string(), kChannels, kSeconds), "");
    const fs::path folder = dir / StorageWriter::kEntry;
    c.sabotage(folder / "Ch");

    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    int status = 0;
    {
        testsupport::FileSizeLimit limit(c.sizeLimit);
        status = vrctool::RunStorage({"export", dir.Path().string(), StorageWriter::kEntry});
    }
    testing::internal::GetCapturedStdout();
    const std::string errors = testing::internal::GetCapturedStderr();

    EXPECT_EQ(status, 1);
    const auto index = IndexRecords(folder);
    for (int ch = 0; ch < kChannels; ++ch) {
        const fs::path file = ChannelFile(folder, ch);
        SCOPED_TRACE(file);
        const size_t records =
            std::count_if(index.begin(), index.end(), [ch](const auto& r) { return r.first.i_ch == uint32_t(ch); });
        const bool failing = std::find(c.failing.begin(), c.failing.end(), ch) != c.failing.end();
        // What stays of a file holds whole records only (a device is not read).
        size_t kept = 0;
        if (fs::is_regular_file(fs::symlink_status(file))) {
            const SampleFile left = SampleFile::LoadBytes(file);
            kept = left.Records(0, left.bytes.size()).size();
        }
        EXPECT_EQ(errors.find(file.string() + ":") != std::string::npos, failing) << errors;
        if (!failing) {
            EXPECT_EQ(kept, records);
            continue;
        }
        const std::string line = file.string() + ": " + c.reason + ", " + std::to_string(records - kept) +
                                 " record(s) not written" + (c.removed ? ", file removed" : "");
        EXPECT_NE(errors.find(line), std::string::npos) << errors;
        if (c.removed) {
            EXPECT_FALSE(fs::exists(fs::symlink_status(file)));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Failures, StorageExportLoss,
    testing::Values(
        LossCase{"channel file on a full disk",
                 [](const fs::path& ch) {
                     fs::create_directory(ch);
                     fs::create_symlink("/dev/full", ch / "DISK0001_00.chv");
                 },
                 RLIM_INFINITY, {0}, "No space left on device", false},
        LossCase{"file-size limit", [](const fs::path&) {}, 100 * 1024, {0, 1, 2}, "File too large", true},
        LossCase{"an earlier export's files under a file-size limit",
                 [](const fs::path& ch) {
                     fs::create_directory(ch);
                     for (const char* name : {"DISK0001_00.chv", "DISK0001_01.chv", "DISK0001_02.chv"})
                         std::ofstream(ch / name) << "old";
                 },
                 100 * 1024, {0, 1, 2}, "File too large", false},
        LossCase{"Ch a plain file", [](const fs::path& ch) { std::ofstream(ch) << "not a folder"; }, RLIM_INFINITY, {0, 1, 2},
                 "Not a directory", false}),
    [](const testing::TestParamInfo<LossCase>& info) { return "Case" + std::to_string(info.index); });

} // namespace
