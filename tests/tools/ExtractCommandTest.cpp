#include <fstream>
#include <gtest/gtest.h>

#include "recording/LittleEndian.h"
#include "support/TempDir.h"
#include "support/SampleFile.h"
#include "tools/sample/SampleWriter.h"
#include "tools/vrc-tool/Commands.h"

namespace {

using testsupport::SampleFile;

std::vector<uint8_t> ReadAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const std::filesystem::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

class ExtractCommand : public testing::Test {
protected:
    // Two seconds of two channels, format 3 (so the 52-byte block is in play), audio on 1.
    void SetUp() override
    {
        sample::SampleOptions o;
        o.channels = 2;
        o.audioMask = 0x2;
        o.seconds = 2;
        o.videoFormat = 3;
        ASSERT_EQ(sample::SampleWriter::Write(m_file, o), "");
        m_sample = SampleFile::Load(m_file);
    }

    int Extract(const std::filesystem::path& file, std::vector<std::string> options)
    {
        vrctool::Args args{file.string()};
        args.insert(args.end(), options.begin(), options.end());
        args.push_back(m_out.string());
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const int status = vrctool::RunExtract(args);
        testing::internal::GetCapturedStdout();
        m_stderr = testing::internal::GetCapturedStderr();
        return status;
    }

    testsupport::TempDir m_folder;
    std::filesystem::path m_file = m_folder / "in.vrc";
    std::filesystem::path m_out = m_folder / "out.h264";
    SampleFile m_sample;
    std::string m_stderr;
};

TEST_F(ExtractCommand, WritesTheRunsPayloadsInFileOrderWithoutTheBlock)
{
    ASSERT_EQ(Extract(m_file, {"--channel", "1"}), 0) << m_stderr;
    std::vector<uint8_t> expected;
    for (const auto& r : m_sample.Run(m_sample.header.videoCh[1]))
        expected.insert(expected.end(), r.payload.begin() + 52, r.payload.end());
    EXPECT_EQ(ReadAll(m_out), expected);

    // Audio keeps its payloads whole.
    ASSERT_EQ(Extract(m_file, {"--audio", "--channel", "1"}), 0) << m_stderr;
    expected.clear();
    for (const auto& r : m_sample.Run(m_sample.header.audioCh[1]))
        expected.insert(expected.end(), r.payload.begin(), r.payload.end());
    EXPECT_EQ(ReadAll(m_out).size(), 100u * 160u);
    EXPECT_EQ(ReadAll(m_out), expected);
}

TEST_F(ExtractCommand, RefusesABrokenRunNamingTheFileAndLeavesNoOutput)
{
    const auto run = m_sample.Run(m_sample.header.videoCh[0]);
    const uint64_t second = run[1].offset;
    const uint64_t last = run.back().offset;
    const uint64_t end = m_sample.dataOffset + m_sample.header.videoCh[0].endPos;
    struct Broken {
        const char* why;
        std::function<void(std::vector<uint8_t>&)> change;
        const char* says;
    };
    const Broken broken[] = {
        {"record leaves its run", [&](auto& b) { recording::PutU32(&b[second + 8], static_cast<uint32_t>(end - second - 10)); },
         "past the end of the run"},
        {"huge f_size", [&](auto& b) { recording::PutU32(&b[second + 8], 0xFFFFFFF0u); }, "more than a frame can hold"},
        {"shorter than the block",
         [&](auto& b) {
             // The last record shrinks to 10 bytes and the run's end moves with it.
             recording::PutU32(&b[last + 8], 10);
             recording::PutU32(&b[21 + 55], static_cast<uint32_t>(last + 30 - 2037));
         },
         "52-byte block"},
        {"cut off", [&](auto& b) { b.resize(second + 10); }, "end of the file"},
        {"version 3", [](auto& b) { b[2] = 3; }, "C1003"},
        {"no channels", [](auto& b) { b[3] = 0; }, "C1005"},
    };
    for (const Broken& c : broken) {
        SCOPED_TRACE(c.why);
        std::vector<uint8_t> bytes = m_sample.bytes;
        c.change(bytes);
        const auto path = m_folder / "broken.vrc";
        WriteAll(path, bytes);
        std::filesystem::remove(m_out);
        EXPECT_EQ(Extract(path, {"--channel", "0"}), 1);
        EXPECT_NE(m_stderr.find(path.string()), std::string::npos) << m_stderr;
        EXPECT_NE(m_stderr.find(c.says), std::string::npos) << m_stderr;
        EXPECT_FALSE(std::filesystem::exists(m_out));
    }
}

TEST_F(ExtractCommand, ReportsUsageErrorsAndMissingRuns)
{
    EXPECT_EQ(Extract(m_file, {"--channel", "5"}), 1);
    EXPECT_NE(m_stderr.find("no video run"), std::string::npos) << m_stderr;
    EXPECT_EQ(Extract(m_file, {"--audio", "--channel", "0"}), 1);
    EXPECT_EQ(Extract(m_file, {"--channel", "16"}), 2);
    EXPECT_EQ(Extract(m_file, {"--channel", "x"}), 2);
    EXPECT_EQ(Extract(m_file, {}), 2);
    EXPECT_EQ(Extract(m_folder / "missing.vrc", {"--channel", "0"}), 2);
    EXPECT_EQ(vrctool::RunExtract({m_file.string(), "--channel", "0"}), 2);
}

} // namespace
