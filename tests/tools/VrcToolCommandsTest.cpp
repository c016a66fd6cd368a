#include <fstream>
#include <functional>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>
#include <gtest/gtest.h>

#include "FfmpegDecode.h"
#include "recording/LittleEndian.h"
#include "support/FileSizeLimit.h"
#include "support/SampleFile.h"
#include "support/TempDir.h"
#include "tools/sample/SampleWriter.h"
#include "tools/sample/StorageWriter.h"
#include "tools/vrc-tool/ClipReader.h"
#include "tools/vrc-tool/Commands.h"
#include "tools/vrc-tool/PartFiles.h"

namespace {

namespace fs = std::filesystem;
using testsupport::SampleFile;
using vrctool::ClipContents;
using Command = int (*)(const vrctool::Args&);

constexpr const char* kFrom = "2024-06-03 09:00:01";

struct Outcome {
    int status = 0;
    std::string out; // stdout, then stderr
};

Outcome Tool(Command command, const vrctool::Args& args)
{
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    Outcome r{command(args), ""};
    r.out = testing::internal::GetCapturedStdout();
    r.out += testing::internal::GetCapturedStderr();
    return r;
}

// Three seconds of two channels, 25 pictures a second, a key frame every 10.
class VrcToolCommands : public testing::Test {
protected:
    void Make(int format, uint32_t audioMask)
    {
        const sample::SampleOptions o{
            .channels = 2, .audioMask = audioMask, .seconds = 3, .videoFormat = format, .gop = 10};
        ASSERT_EQ(sample::SampleWriter::Write(m_source, o), "");
        m_sample = SampleFile::Load(m_source);
    }

    testsupport::TempDir m_dir;
    std::string m_source = m_dir.File("in.vrc");
    SampleFile m_sample;
};

// export copies the records from the key frame before --from unchanged into either
// container, with a manifest verify accepts until the source changes; extract copies a whole
// run's payloads, without the block of formats 3 and 4.
TEST_F(VrcToolCommands, ExportAndExtractCopyTheRecordsUnchanged)
{
    for (const int format : {0, 4}) {
        Make(format, 0x2);
        const auto run = m_sample.Run(m_sample.header.videoCh[1]);
        const size_t skip = format >= 3 ? 52 : 0;
        for (const bool mkv : {true, false}) {
            SCOPED_TRACE(std::to_string(format) + (mkv ? " mkv" : " mp4"));
            const std::string out = m_dir.File(mkv ? "clip.mkv" : "clip.mp4");
            vrctool::Args args{m_source, "--channel", "1", "--from", kFrom, "--force", out};
            if (mkv)
                args.insert(args.begin() + 1, "--audio");
            const Outcome r = Tool(vrctool::RunExport, args);
            ASSERT_EQ(r.status, 0) << r.out;
            EXPECT_EQ(Tool(vrctool::RunVerify, {out + ".manifest.json"}).status, 0);

            // 09:00:01 begins at frame 25, inside the GOP of frame 20.
            const size_t first = 20;
            const std::optional<ClipContents> clip = ClipContents::Read(out, true);
            ASSERT_TRUE(clip);
            ASSERT_EQ(clip->video.size(), run.size() - first);
            EXPECT_EQ(clip->videoCodec, format == 0 ? "mpeg4" : "h264");
            EXPECT_EQ(clip->audio.size() > 0, mkv);
            for (size_t i = 0; i < clip->video.size(); ++i) {
                SCOPED_TRACE(i);
                const auto& record = run[first + i];
                const auto payload = record.payload.subspan(skip);
                // H.264 changes only its framing (start codes to lengths): the outside decoder checks it.
                ASSERT_TRUE(format != 0 || std::ranges::equal(clip->video[i].data, payload));
                EXPECT_EQ(clip->video[i].key, record.header.f_key == 1);
                EXPECT_EQ(clip->video[i].ms - clip->video[0].ms, int64_t{record.header.f_msec} - run[first].header.f_msec);
            }
            const toolstest::FfmpegDecode decoded = toolstest::FfmpegDecode::Run(out);
            EXPECT_EQ(decoded.errors, "");
            EXPECT_EQ(decoded.pictures, static_cast<int>(clip->video.size()));
        }
        SCOPED_TRACE(format);
        const std::string raw = m_dir.File("raw");
        ASSERT_EQ(Tool(vrctool::RunExtract, {m_source, "--channel", "1", raw}).status, 0);
        EXPECT_EQ(SampleFile::LoadBytes(raw).bytes, m_sample.Payloads(m_sample.header.videoCh[1], skip));
        ASSERT_EQ(Tool(vrctool::RunExtract, {m_source, "--audio", "--channel", "1", raw}).status, 0);
        EXPECT_EQ(SampleFile::LoadBytes(raw).bytes, m_sample.Payloads(m_sample.header.audioCh[1]));

        // A clean recording has nothing to report on any of its runs.
        const Outcome timeline = Tool(vrctool::RunTimeline, {"--json", m_source});
        ASSERT_EQ(timeline.status, 0);
        EXPECT_EQ(timeline.out.find("\"anomalies\": [{"), std::string::npos) << timeline.out;
        EXPECT_NE(timeline.out.find("\"kind\": \"audio\""), std::string::npos) << timeline.out;
    }
    std::vector<uint8_t> changed = m_sample.bytes;
    changed[changed.size() / 2] ^= 1;
    testsupport::WriteBytes(m_source, changed);
    const Outcome verify = Tool(vrctool::RunVerify, {m_dir.File("clip.mkv.manifest.json")});
    EXPECT_EQ(verify.status, 1);
    EXPECT_NE(verify.out.find(".source.sha256 is"), std::string::npos) << verify.out;
}

// Refusals name the file at fault, say why, exit 1 for the recording, the span or the output
// and 2 for a usage error, and leave no output behind: one case of each kind.
TEST_F(VrcToolCommands, RefuseBadInputNamingTheFileAndLeaveNoOutput)
{
    Make(3, 0);
    const std::string out = m_dir.File("clip.mkv");
    const std::string missing = m_dir.File("missing.vrc");
    // Copies of the sample with one change, for extract: a run that breaks anywhere stops it.
    const auto changed = [&](const char* name, const std::function<void(std::vector<uint8_t>&)>& change) {
        std::vector<uint8_t> bytes = m_sample.bytes;
        change(bytes);
        testsupport::WriteBytes(m_dir.File(name), bytes);
        return m_dir.File(name);
    };
    const auto run = m_sample.Run(m_sample.header.videoCh[0]);
    const uint64_t second = run[1].offset, last = run.back().offset;
    const uint32_t end = m_sample.header.videoCh[0].endPos;
    const auto at = [](uint64_t offset) { return ": channel 0 video: the record at offset " + std::to_string(offset); };
    // The source under other names, none of which an export may write.
    testsupport::TempDir alias;
    testsupport::WriteBytes(alias.File("evid.mkv"), m_sample.bytes);
    testsupport::WriteBytes(alias.File("x.mkv.part"), m_sample.bytes);
    fs::create_symlink(m_source, alias / "link.mkv");
    constexpr const char* kSource = "is the recording being exported";
    const struct {
        const char* why;
        Command command;
        vrctool::Args args;
        int status;
        std::string says;
    } cases[] = {
        {"rejected recording", vrctool::RunExport,
         {changed("rejected.vrc", [](auto& b) { b[2] = 3; }), "--channel", "0", out}, 1, "rejected.vrc: C1003"},
        {"record leaves its run", vrctool::RunExtract,
         {changed("leaves.vrc", [&](auto& b) { recording::PutU32(&b[last + 8], end + 2037 - last - 10); }), "--channel",
          "0", out},
         1, "leaves.vrc" + at(last)},
        // The last record shrinks to 10 bytes and the run's end moves with it.
        {"shorter than the block", vrctool::RunExtract,
         {changed("short.vrc",
                  [&](auto& b) {
                      recording::PutU32(&b[last + 8], 10);
                      recording::PutU32(&b[21 + 55], static_cast<uint32_t>(last + 30 - 2037));
                  }),
          "--channel", "0", out},
         1, "short.vrc" + at(last)},
        {"cut off", vrctool::RunExtract,
         {changed("cut.vrc", [&](auto& b) { b.resize(second + 10); }), "--channel", "0", out}, 1,
         "cut.vrc" + at(second)},
        {"empty span", vrctool::RunExport, {m_source, "--channel", "0", "--from", "2024-06-04 00:00:00", out}, 1,
         "no frames"},
        {"unwritable", vrctool::RunExport, {m_source, "--channel", "0", m_dir.File("no/such/dir/clip.mkv")}, 1,
         "no/such/dir/clip.mkv: cannot create"},
        {"output is the source", vrctool::RunExport,
         {alias.File("evid.mkv"), "--channel", "0", "--force", (alias.Path() / "." / "evid.mkv").string()}, 1, kSource},
        {"output links to the source", vrctool::RunExport, {m_source, "--channel", "0", "--force", alias.File("link.mkv")},
         1, kSource},
        {".part is the source", vrctool::RunExport, {alias.File("x.mkv.part"), "--channel", "0", alias.File("x.mkv")}, 1,
         kSource},
        {"no sound", vrctool::RunExport, {m_source, "--channel", "0", "--audio", out}, 1, "has no sound"},
        {"channel twice", vrctool::RunExport, {m_source, "--channel", "0", "--channel", "0", out}, 2, "given twice"},
        {"bad time", vrctool::RunExport, {m_source, "--channel", "0", "--from", "2024-02-30 00:00:00", out}, 2,
         "usage: vrc-tool export"},
        {"channel 16", vrctool::RunExtract, {m_source, "--channel", "16", out}, 2, "0..15, not '16'"},
        {"missing file", vrctool::RunExtract, {missing, "--channel", "0", out}, 2, missing + ": cannot read"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        const Outcome r = Tool(c.command, c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_NE(r.out.find(c.says), std::string::npos) << r.out;
        for (const auto& entry : fs::directory_iterator(m_dir.Path()))
            EXPECT_TRUE(entry.path().extension() == ".vrc") << entry.path();
    }
    for (const char* name : {"evid.mkv", "x.mkv.part"})
        EXPECT_EQ(SampleFile::LoadBytes(alias.File(name)).bytes, m_sample.bytes) << name;
    // A full disk and a read-only file system (where this test may mount one) leave nothing.
    Outcome full;
    {
        testsupport::FileSizeLimit limit(4096);
        full = Tool(vrctool::RunExport, {m_source, "--channel", "0", out});
    }
    EXPECT_EQ(full.status, 1);
    EXPECT_NE(full.out.find(out + ": cannot write the clip: File too large"), std::string::npos) << full.out;
    fs::create_directory(alias / "ro");
    if (::mount("tmpfs", alias.File("ro").c_str(), "tmpfs", MS_RDONLY, "size=64k") == 0) {
        const Outcome ro = Tool(vrctool::RunExport, {m_source, "--channel", "0", alias.File("ro/clip.mkv")});
        ::umount(alias.File("ro").c_str());
        EXPECT_EQ(ro.out, "vrc-tool export: " + alias.File("ro/clip.mkv") + ": cannot create the file: Read-only file system\n");
    }
    for (const auto& entry : fs::directory_iterator(m_dir.Path()))
        EXPECT_TRUE(entry.path().extension() == ".vrc") << entry.path();
    // An interrupt removes what is unfinished and ends with 128 + the signal.
    for (const int signal : {SIGINT, SIGTERM}) {
        const std::string part = m_dir.File("clip.mkv.part");
        testsupport::WriteBytes(part, {1});
        const pid_t child = ::fork();
        if (child == 0) {
            vrctool::PartFiles parts;
            parts.Hold(part);
            ::raise(signal);
            ::_exit(0);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_EQ(WEXITSTATUS(status), 128 + signal);
        EXPECT_FALSE(fs::exists(part));
    }
    // An existing clip stays as it was unless --force.
    ASSERT_EQ(Tool(vrctool::RunExport, {m_source, "--channel", "0", "--to", kFrom, out}).status, 0);
    const Outcome again = Tool(vrctool::RunExport, {m_source, "--channel", "0", out});
    EXPECT_NE(again.out.find("exists already"), std::string::npos) << again.out;
    // Several channels: one clip each, named by channel.
    ASSERT_EQ(Tool(vrctool::RunExport, {m_source, "--channel", "0", "--channel", "1", m_dir.File("both.mkv")}).status, 0);
    EXPECT_TRUE(fs::exists(m_dir / "both-ch00.mkv") && fs::exists(m_dir / "both-ch01.mkv.manifest.json"));
}

std::string Text(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Put(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::string Replaced(std::string text, const std::string& from, const std::string& to)
{
    const size_t at = text.find(from);
    return at == std::string::npos ? "" : text.replace(at, from.size(), to);
}

// The recorder's clock steps back 1.96 s at 09:00:02 (pictures and sound alike) and then
// stamps one picture twice. The clip keeps every frame 40 ms long and the sound beside its
// pictures; verify derives the same clip again and refuses every kind of tampering; a
// signed manifest checks with openssl alone.
TEST_F(VrcToolCommands, ClockFaultsKeepTimeAndVerifyRederivesTheClip)
{
    Make(2, 0x2);
    const auto stamp = [&](uint64_t offset, int64_t ms, bool running) { // 09:00:00 + ms
        recording::PutU32(&m_sample.bytes[offset], static_cast<uint32_t>(1717405200 + ms / 1000));
        recording::PutU32(&m_sample.bytes[offset + 4], static_cast<uint32_t>(running ? ms : ms % 1000));
    };
    const auto video = m_sample.Run(m_sample.header.videoCh[1]), audio = m_sample.Run(m_sample.header.audioCh[1]);
    for (size_t i = 50; i < video.size(); ++i)
        stamp(video[i].offset, int64_t(i >= 60 ? i - 1 : i) * 40 - 1960, true);
    for (size_t j = 100; j < audio.size(); ++j)
        stamp(audio[j].offset, int64_t(j) * 20 - 1960, false);
    testsupport::WriteBytes(m_source, m_sample.bytes);

    const std::string out = m_dir.File("clip.mkv"), manifest = out + ".manifest.json", key = m_dir.File("key");
    ASSERT_EQ(Tool(vrctool::RunKeygen, {key}).status, 0);
    const Outcome exported = Tool(vrctool::RunExport, {m_source, "--channel", "1", "--audio", "--sign", key, out});
    ASSERT_EQ(exported.status, 0) << exported.out;
    const std::optional<ClipContents> clip = ClipContents::Read(out, false);
    ASSERT_TRUE(clip && clip->video.size() == video.size());
    // The picture stamped twice ran the pictures' clock 40 ms behind: the last sound frames
    // overhang the last picture, are left out and said so.
    ASSERT_EQ(clip->audio.size(), audio.size() - 2) << exported.out;
    EXPECT_NE(exported.out.find("2 sound frames of channel 1 found no place"), std::string::npos) << exported.out;
    for (size_t i = 1; i < clip->video.size(); ++i)
        ASSERT_EQ(clip->video[i].ms - clip->video[i - 1].ms, 40) << i;
    for (size_t i = 0; 2 * i < clip->audio.size(); ++i)
        ASSERT_LT(std::abs(clip->video[i].ms - clip->audio[2 * i].ms), 45) << i;
    EXPECT_EQ(toolstest::FfmpegDecode::Run(out).errors, "");
    std::string captions;
    std::FILE* srt = ::popen(("ffmpeg -nostdin -v error -i " + out + " -map 0:s -f srt - 2>&1").c_str(), "r");
    for (char line[256]; srt && std::fgets(line, sizeof line, srt);)
        captions += line;
    ASSERT_TRUE(srt && ::pclose(srt) == 0);
    for (const char* cue : {"2024-06-03 09:00:01\n", "CLOCK STEPPED BACK 1.920 s", "TIME STAMP REPEATED"})
        EXPECT_NE(captions.find(cue), std::string::npos) << cue << "\n" << captions;
    const Outcome verified = Tool(vrctool::RunVerify, {manifest, "--pubkey", key + ".pub"});
    EXPECT_EQ(verified.status, 0) << verified.out;
    EXPECT_NE(verified.out.find("signed by key SHA256:"), std::string::npos) << verified.out;
    const std::string openssl = "openssl pkeyutl -verify -pubin -inkey " + key + ".pub -rawin -in " + manifest +
                                " -sigfile " + manifest + ".sig >/dev/null 2>&1";
    EXPECT_EQ(std::system(openssl.c_str()), 0);
    ASSERT_EQ(Tool(vrctool::RunReport, {manifest, "-o", m_dir.File("report.txt")}).status, 0);
    const std::string report = Text(m_dir.File("report.txt"));
    for (const char* line : {"later frames moved by 1960 ms", "09:00:01  first frame #25 at clip 1000 ms", "RESULT: VERIFIED"})
        EXPECT_NE(report.find(line), std::string::npos) << line << "\n" << report;

    // Tampering, each case on fresh copies; the copies lie in their own folder, beside
    // which verify must find the clip it reads while the original still exists.
    const std::string m = Text(manifest), other = m_dir.File("other.mp4");
    ASSERT_EQ(Tool(vrctool::RunExport, {m_source, "--channel", "0", other}).status, 0);
    const std::string otherManifest = Text(other + ".manifest.json");
    const auto clipSha = [](const std::string& text) { return text.substr(text.rfind("\"sha256\": \"") + 11, 64); };
    const auto size = [](const std::string& path) { return std::to_string(fs::file_size(path)) + ", \"sha"; };
    std::string damaged = Text(out);
    damaged[damaged.size() / 2] ^= 1;
    const struct {
        const char* why;
        std::string manifest;
        std::string clip; // bytes of the copy beside it
        std::string says;
    } cases[] = {
        {"damaged copy", m, damaged, "the export of the source gives"},
        {"another clip, its hash and size written in",
         Replaced(Replaced(m, clipSha(m), clipSha(otherManifest)), size(out), size(other)), Text(other), ".clip.sha256 is"},
        {"another export's manifest", Replaced(otherManifest, "other.mp4\", \"size", "clip.mkv\", \"size"), Text(out),
         ".clip.name is"},
        {"edited name", Replaced(m, "CAM 02", "CAM 03"), Text(out), ".channelName is"},
        {"edited step", Replaced(m, "\"shiftMs\": 1960", "\"shiftMs\": 1961"), Text(out), ".clockSteps[0].shiftMs"},
        {"unknown key", Replaced(m, "\"tool\"", "\"note\": 1, \"tool\""), Text(out), ".note is not a field"},
        {"key twice", Replaced(m, "\"tool\"", "\"channel\": 0, \"tool\""), Text(out), "key appears twice"},
    };
    fs::create_directory(m_dir / "copy");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        ASSERT_FALSE(c.manifest.empty() || c.clip.empty());
        Put(m_dir.File("copy/clip.mkv.manifest.json"), c.manifest);
        Put(m_dir.File("copy/clip.mkv"), c.clip);
        const Outcome r = Tool(vrctool::RunVerify, {m_dir.File("copy/clip.mkv.manifest.json")});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.out.find(c.says), std::string::npos) << r.out;
    }
    // One byte of the signed manifest changed: neither verify nor openssl accepts it.
    Put(manifest, Replaced(m, "\"tool\": \"vrc-tool\"", "\"tool\": \"vrc-toox\""));
    EXPECT_EQ(Tool(vrctool::RunVerify, {manifest, "--pubkey", key + ".pub"}).status, 1);
    EXPECT_NE(std::system(openssl.c_str()), 0);
}

// make-storage writes a recorder's storage folder that storage list finds and storage export
// copies; the export's failures and its files' records are checked where it is made.
TEST(VrcToolStorage, ListsAndExportsTheFolderMakeStorageWrote)
{
    testsupport::TempDir dir;
    ASSERT_EQ(Tool(vrctool::RunMakeStorage, {dir.Path().string()}).status, 0);
    const Outcome list = Tool(vrctool::RunStorage, {"list", dir.Path().string()});
    EXPECT_EQ(list.out, "VX02/DISK0005\nVX01/DISK0001\nVX01/DISK0002\n");
    const Outcome exported = Tool(vrctool::RunStorage, {"export", dir.Path().string(), sample::StorageWriter::kEntry});
    EXPECT_EQ(exported.status, 0) << exported.out;
    EXPECT_NE(exported.out.find("/Ch/DISK0001_02.chv: 75 records"), std::string::npos) << exported.out;
    EXPECT_EQ(Tool(vrctool::RunStorage, {"export", dir.Path().string(), "VX09/DISK0009"}).status, 1);
}

} // namespace
