#include <array>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>

#include "support/SampleFile.h"
#include "support/TempDir.h"
#include "tools/sample/SampleWriter.h"
#include "tools/vrc-tool/ClipReader.h"
#include "tools/vrc-tool/Commands.h"

namespace {

namespace fs = std::filesystem;
using testsupport::SampleFile;
using vrctool::ClipContents;

constexpr int kGop = 10;
constexpr const char* kFrom = "2024-06-03 09:00:01";

struct Outcome {
    int status = 0;
    std::string out;
};

Outcome Tool(int (*command)(const vrctool::Args&), const vrctool::Args& args)
{
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    Outcome r{command(args), ""};
    r.out = testing::internal::GetCapturedStdout();
    r.out += testing::internal::GetCapturedStderr();
    return r;
}

// What a standard decoder says of a file; empty when it has nothing to complain about.
std::string FfmpegErrors(const std::string& path)
{
    std::string out;
    std::FILE* p = ::popen(("ffmpeg -nostdin -v error -i '" + path + "' -f null - 2>&1").c_str(), "r");
    char buf[256];
    while (p && std::fgets(buf, sizeof buf, p))
        out += buf;
    if (!p || ::pclose(p) != 0)
        out += "(ffmpeg failed)";
    return out;
}

// The NAL units of an Annex B stream (start-code framed) or of a length-prefixed packet, as
// MP4 and Matroska store H.264: the containers change only the framing.
std::vector<std::vector<uint8_t>> AnnexBUnits(std::span<const uint8_t> p)
{
    std::vector<std::vector<uint8_t>> units;
    size_t start = std::string::npos;
    for (size_t i = 0; i + 3 <= p.size(); ++i) {
        if (p[i] == 0 && p[i + 1] == 0 && p[i + 2] == 1) {
            if (start != std::string::npos) {
                size_t end = i;
                while (end > start && p[end - 1] == 0)
                    --end;
                units.emplace_back(p.begin() + start, p.begin() + end);
            }
            start = i + 3;
            i += 2;
        }
    }
    if (start != std::string::npos)
        units.emplace_back(p.begin() + start, p.end());
    return units;
}

std::vector<std::vector<uint8_t>> LengthPrefixedUnits(const std::vector<uint8_t>& p)
{
    std::vector<std::vector<uint8_t>> units;
    for (size_t i = 0; i + 4 <= p.size();) {
        const size_t n = (size_t{p[i]} << 24) | (size_t{p[i + 1]} << 16) | (size_t{p[i + 2]} << 8) | p[i + 3];
        if (i + 4 + n > p.size())
            return {};
        units.emplace_back(p.begin() + i + 4, p.begin() + i + 4 + n);
        i += 4 + n;
    }
    return units;
}

class ExportCommand : public testing::Test {
protected:
    void Make(int format, uint32_t audioMask)
    {
        sample::SampleOptions o;
        o.channels = 2;
        o.audioMask = audioMask;
        o.seconds = 3;
        o.videoFormat = format;
        o.gop = kGop;
        ASSERT_EQ(sample::SampleWriter::Write(m_source, o), "");
        m_sample = SampleFile::Load(m_source);
    }

    Outcome Export(vrctool::Args options)
    {
        vrctool::Args args{m_source};
        args.insert(args.end(), options.begin(), options.end());
        return Tool(vrctool::RunExport, args);
    }

    testsupport::TempDir m_dir;
    std::string m_source = m_dir.File("in.vrc");
    SampleFile m_sample;
};

TEST_F(ExportCommand, CopiesTheRecordsFromTheKeyFrameBeforeFromUnchangedInBothContainers)
{
    struct Case {
        int format;
        const char* out;
    };
    for (const Case c : {Case{0, "clip.mkv"}, Case{0, "clip.mp4"}, Case{2, "clip.mkv"}, Case{2, "clip.mp4"},
                         Case{4, "clip.mkv"}, Case{4, "clip.mp4"}}) {
        SCOPED_TRACE(std::to_string(c.format) + " " + c.out);
        const bool mkv = std::string(c.out).ends_with(".mkv");
        Make(c.format, 0x2);
        const std::string out = m_dir.File(c.out);
        const Outcome r = mkv ? Export({"--channel", "1", "--from", kFrom, "--audio", "--force", out})
                          : Export({"--channel", "1", "--from", kFrom, "--force", out});
        ASSERT_EQ(r.status, 0) << r.out;

        // 25 frames a second, a key frame every 10: 09:00:01 begins at frame 25, inside the
        // GOP of frame 20.
        const auto run = m_sample.Run(m_sample.header.videoCh[1]);
        const size_t first = 20;
        const std::optional<ClipContents> clip = ClipContents::Read(out, true);
        ASSERT_TRUE(clip);
        ASSERT_EQ(clip->video.size(), run.size() - first);
        EXPECT_EQ(clip->videoCodec, c.format == 0 ? "mpeg4" : "h264");
        EXPECT_EQ(clip->audioPackets > 0, mkv);
        const size_t skip = c.format >= 3 ? 52 : 0;
        for (size_t i = 0; i < clip->video.size(); ++i) {
            SCOPED_TRACE(i);
            const auto& record = run[first + i];
            const auto payload = record.payload.subspan(skip);
            if (c.format == 0)
                ASSERT_TRUE(std::ranges::equal(clip->video[i].data, payload));
            else
                ASSERT_EQ(LengthPrefixedUnits(clip->video[i].data), AnnexBUnits(payload));
            EXPECT_EQ(clip->video[i].key, record.header.f_key == 1);
            EXPECT_EQ(clip->video[i].ms - clip->video[0].ms, int64_t{record.header.f_msec} - run[first].header.f_msec);
        }
        EXPECT_TRUE(clip->video.front().key);
        EXPECT_EQ(FfmpegErrors(out), "");

        // A clean recording has nothing to report on any of its runs.
        const Outcome timeline = Tool(vrctool::RunTimeline, {"--json", m_source});
        ASSERT_EQ(timeline.status, 0);
        EXPECT_EQ(timeline.out.find("\"anomalies\": [{"), std::string::npos) << timeline.out;
        EXPECT_NE(timeline.out.find("\"kind\": \"audio\""), std::string::npos) << timeline.out;
    }
}

TEST_F(ExportCommand, VerifyPassesOnAFreshExportAndNamesWhatChanged)
{
    Make(2, 0);
    const std::string out = m_dir.File("clip.mkv");
    ASSERT_EQ(Export({"--channel", "0", out}).status, 0);
    const std::string manifest = out + ".manifest.json";
    const Outcome fresh = Tool(vrctool::RunVerify, {manifest});
    EXPECT_EQ(fresh.status, 0) << fresh.out;

    struct Change {
        std::string file;
        uint64_t at;
        const char* says;
    };
    for (const Change& c : {Change{out, fs::file_size(out) / 2, "clip SHA-256"},
                            Change{m_source, m_sample.Run(m_sample.header.videoCh[1])[3].offset + 30, "source SHA-256"}}) {
        SCOPED_TRACE(c.says);
        std::fstream f(c.file, std::ios::in | std::ios::out | std::ios::binary);
        f.seekg(static_cast<std::streamoff>(c.at));
        const char was = static_cast<char>(f.get());
        f.seekp(static_cast<std::streamoff>(c.at));
        f.put(static_cast<char>(was ^ 1));
        f.flush();
        const Outcome changed = Tool(vrctool::RunVerify, {manifest});
        EXPECT_EQ(changed.status, 1);
        EXPECT_NE(changed.out.find(c.says), std::string::npos) << changed.out;
        f.seekp(static_cast<std::streamoff>(c.at));
        f.put(was);
    }
    // The files may travel together to another folder.
    testsupport::TempDir elsewhere;
    fs::rename(m_source, elsewhere / "in.vrc");
    fs::copy(out, elsewhere / "clip.mkv");
    fs::copy(manifest, elsewhere / "clip.mkv.manifest.json");
    const Outcome moved = Tool(vrctool::RunVerify, {elsewhere.File("clip.mkv.manifest.json")});
    EXPECT_EQ(moved.status, 0) << moved.out;
}

TEST_F(ExportCommand, RefusesBadInputNamingTheFileAndLeavesNoOutput)
{
    Make(2, 0);
    const std::string out = m_dir.File("clip.mkv");
    std::vector<uint8_t> rejected = m_sample.bytes;
    rejected[2] = 3;
    testsupport::WriteBytes(m_dir.File("rejected.vrc"), rejected);
    struct Case {
        const char* why;
        vrctool::Args args;
        std::string names;
        const char* says;
    };
    const Case cases[] = {
        {"rejected recording", {m_dir.File("rejected.vrc"), "--channel", "0", out}, "rejected.vrc", "C1003"},
        {"no video", {m_source, "--channel", "5", out}, m_source, "has no video"},
        {"empty span", {m_source, "--channel", "0", "--from", "2024-06-04 00:00:00", out}, m_source, "no frames"},
        {"to before from", {m_source, "--channel", "0", "--from", kFrom, "--to", "2024-06-03 09:00:00", out}, m_source,
         "before --from"},
        {"unwritable", {m_source, "--channel", "0", m_dir.File("no/such/dir/clip.mkv")}, "no/such/dir/clip.mkv",
         "cannot create"},
        {"sound in MP4", {m_source, "--channel", "0", "--audio", m_dir.File("clip.mp4")}, "clip.mp4", "video only"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const Outcome r = Tool(vrctool::RunExport, c.args);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.out.find(c.names), std::string::npos) << r.out;
        EXPECT_NE(r.out.find(c.says), std::string::npos) << r.out;
        for (const auto& entry : fs::directory_iterator(m_dir.Path()))
            EXPECT_TRUE(entry.path().extension() == ".vrc") << entry.path();
    }
    // An existing clip stays as it was unless --force.
    ASSERT_EQ(Export({"--channel", "0", out}).status, 0);
    const auto size = fs::file_size(out);
    const Outcome again = Export({"--channel", "0", "--to", kFrom, out});
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.out.find("exists already"), std::string::npos) << again.out;
    EXPECT_EQ(fs::file_size(out), size);
    EXPECT_EQ(Export({"--channel", "0", "--to", kFrom, "--force", out}).status, 0);
    EXPECT_LT(fs::file_size(out), size);
    // Several channels: one clip each, named by channel.
    ASSERT_EQ(Export({"--channel", "0", "--channel", "1", m_dir.File("both.mkv")}).status, 0);
    EXPECT_TRUE(fs::exists(m_dir / "both-ch00.mkv") && fs::exists(m_dir / "both-ch01.mkv.manifest.json"));
}

} // namespace
