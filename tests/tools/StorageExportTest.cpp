#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "recording/IndexRecord.h"
#include "support/FileSizeLimit.h"
#include "support/SampleFile.h"
#include "support/TempDir.h"
#include "tools/sample/StorageWriter.h"
#include "tools/vrc-tool/Commands.h"

namespace {

namespace fs = std::filesystem;
using recording::IndexRecord;
using sample::StorageWriter;
using testsupport::SampleFile;

constexpr int kChannels = 3;
constexpr int kSeconds = 3;

// Each channel's payloads in the order of the index files' numbers, read without the export.
std::vector<std::vector<std::vector<uint8_t>>> IndexPayloads(const fs::path& folder)
{
    std::vector<std::vector<std::vector<uint8_t>>> out(kChannels);
    for (int s = 0; s < kSeconds; ++s) {
        const std::string name = "DISK0001_" + std::to_string(StorageWriter::IndexNumber(s)) + ".vdx";
        const std::vector<uint8_t> bytes = SampleFile::LoadBytes(folder / name).bytes;
        for (size_t at = 0; at + IndexRecord::kHeaderSize <= bytes.size();) {
            const IndexRecord r = IndexRecord::Parse(&bytes[at]);
            at += IndexRecord::kHeaderSize;
            out.at(r.i_ch).emplace_back(bytes.begin() + at, bytes.begin() + at + r.i_size);
            at += r.i_size;
        }
    }
    return out;
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

// A clean export copies every channel's payloads in the index files' number order. Whatever
// stops a channel file, vrc-tool names it, says why and how many records it lost, exits 1,
// and removes nothing that was there before.
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

    EXPECT_EQ(status, c.failing.empty() ? 0 : 1);
    const auto index = IndexPayloads(folder);
    for (int ch = 0; ch < kChannels; ++ch) {
        const fs::path file = folder / "Ch" / ("DISK0001_0" + std::to_string(ch) + ".chv");
        SCOPED_TRACE(file);
        const bool failing = std::find(c.failing.begin(), c.failing.end(), ch) != c.failing.end();
        // What stays of a file holds whole records only (a device is not read).
        std::vector<std::vector<uint8_t>> kept;
        if (fs::is_regular_file(fs::symlink_status(file))) {
            const SampleFile left = SampleFile::LoadBytes(file);
            for (const auto& r : left.Records(0, left.bytes.size()))
                kept.emplace_back(r.payload.begin(), r.payload.end());
        }
        EXPECT_EQ(errors.find(file.string() + ":") != std::string::npos, failing) << errors;
        if (!failing) {
            EXPECT_EQ(kept, index[ch]);
            continue;
        }
        const size_t lost = index[ch].size() - kept.size();
        const std::string line = file.string() + ": " + c.reason + ", " + std::to_string(lost) +
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
        LossCase{"nothing in the way", [](const fs::path&) {}, RLIM_INFINITY, {}, "", false},
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
