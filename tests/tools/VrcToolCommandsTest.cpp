#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <regex>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <gtest/gtest.h>

#include "FfmpegDecode.h"
#include "recording/ChannelTables.h"
#include "recording/ChannelWalk.h"
#include "recording/LittleEndian.h"
#include "recording/RecordingReport.h"
#include "support/FileSizeLimit.h"
#include "support/RecordingBuilder.h"
#include "support/SampleFile.h"
#include "support/TempDir.h"
#include "tools/sample/SampleWriter.h"
#include "tools/sample/StorageWriter.h"
#include "tools/vrc-tool/ClipReader.h"
#include "tools/vrc-tool/Commands.h"
#include "tools/vrc-tool/Sha256.h"
#include "tools/vrc-tool/SourceHash.h"
#include "tools/vrc-tool/Json.h"
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

// Three seconds of two channels, 25 pictures a second, a key frame every 10.
class VrcToolCommands : public testing::Test {
protected:
    void Make(int format, uint32_t audioMask, int stampOffsetMs = 0)
    {
        const sample::SampleOptions o{.channels = 2,
                                      .audioMask = audioMask,
                                      .seconds = 3,
                                      .videoFormat = format,
                                      .gop = 10,
                                      .stampOffsetMs = stampOffsetMs};
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
    const std::string fifo = m_dir.File("fifo.vrc"), loop = m_dir.File("loop.vrc");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_directory(m_dir.File("dir.vrc"));
    fs::create_symlink(loop, loop);
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
        {"one track", vrctool::RunExport, {m_source, "--channel", "0", "--tracks", out}, 2, "two or more"},
        {"tracks in MP4", vrctool::RunExport, {m_source, "--channel", "0", "--channel", "1", "--tracks", m_dir.File("c.mp4")},
         1, "use .mkv for --tracks"},
        {"bad time", vrctool::RunExport, {m_source, "--channel", "0", "--from", "2024-02-30 00:00:00", out}, 2,
         "usage: vrc-tool export"},
        {"channel 16", vrctool::RunExtract, {m_source, "--channel", "16", out}, 2, "0..15, not '16'"},
        {"missing file", vrctool::RunExtract, {missing, "--channel", "0", out}, 1,
         "cannot read '" + missing + "': No such file or directory"},
        // Nothing that is not a regular file is opened: a FIFO would wait for a writer forever.
        {"FIFO", vrctool::RunInfo, {fifo}, 1, "cannot read '" + fifo + "': it is a named pipe (FIFO)"},
        {"FIFO to frames", vrctool::RunFrames, {fifo}, 1, "cannot read '" + fifo + "': it is a named pipe"},
        {"FIFO to timeline", vrctool::RunTimeline, {fifo}, 1, "cannot read '" + fifo + "': it is a named pipe"},
        {"FIFO to motion", vrctool::RunMotion, {fifo, "--channel", "0"}, 1, "cannot read the file: it is a named pipe"},
        {"FIFO as manifest to verify", vrctool::RunVerify, {fifo}, 1, fifo + ": cannot be read: it is a named pipe"},
        {"FIFO as manifest to report", vrctool::RunReport, {fifo, "-o", m_dir.File("r.txt")}, 1, "it is a named pipe"},
        {"FIFO as manifest to sign", vrctool::RunSign, {fifo, "--key", fifo}, 1, "it is a named pipe"},
        {"directory", vrctool::RunFrames, {m_dir.File("dir.vrc")}, 1, "dir.vrc': Is a directory"},
        {"link loop", vrctool::RunInfo, {loop}, 1, "loop.vrc': Too many levels of symbolic links"},
        {"reason under the message", vrctool::RunInfo, {changed("v9.vrc", [](auto& b) { b[2] = 9; })}, 1,
         "C1003 : Incorrect data file.\n  reason: " + m_dir.File("v9.vrc") + ": its version (byte 2) is 9"},
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
    // Several channels: one clip each, named by channel, both stating the hash sha256sum gives.
    ASSERT_EQ(Tool(vrctool::RunExport, {m_source, "--channel", "1", "--channel", "0", m_dir.File("both.mkv")}).status, 0);
    std::FILE* sum = ::popen(("sha256sum " + m_source).c_str(), "r");
    char digest[65] = "";
    ASSERT_TRUE(sum && std::fscanf(sum, "%64s", digest) == 1 && ::pclose(sum) == 0);
    for (const char* name : {"both-ch00.mkv.manifest.json", "both-ch01.mkv.manifest.json"}) {
        const std::optional<vrctool::JsonValue> m = vrctool::JsonValue::Parse(Text(m_dir.File(name)));
        ASSERT_TRUE(m) << name;
        EXPECT_EQ(m->Find("source")->Find("sha256")->text, digest) << name;
    }
    // A file of several of the hash's reads, not a whole number of them, hashed while it is
    // being read elsewhere; what the wait hears never exceeds the file.
    std::vector<uint8_t> bytes(6'500'000);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i * 2654435761u >> 13);
    testsupport::WriteBytes(m_dir.File("blocks.bin"), bytes);
    platform::File blocks;
    ASSERT_TRUE(blocks.Open(m_dir.File("blocks.bin")));
    vrctool::SourceHash hash;
    ASSERT_TRUE(hash.Start(blocks));
    uint64_t heard = 0;
    EXPECT_EQ(hash.Finish([&](uint64_t done) { heard = std::max(heard, done); }),
              vrctool::Sha256::Of(bytes.data(), bytes.size()));
    EXPECT_LE(heard, bytes.size());
    EXPECT_EQ(hash.Changed(), "");
    // The copy reads apart from the hash: a byte written back as it was, with the file's
    // modification time then set back, still counts as a change.
    struct stat before {};
    ASSERT_EQ(::stat(m_dir.File("blocks.bin").c_str(), &before), 0);
    // File times follow the kernel's coarse clock: let it tick over first.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    testsupport::WriteBytes(m_dir.File("blocks.bin"), bytes);
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, m_dir.File("blocks.bin").c_str(), times, 0), 0);
    EXPECT_NE(hash.Changed(), "");
}

// --tracks puts the channels into one clip: each track holds what the channel's own clip
// holds, frame for frame at the same times on the shared time line, with its sound, and
// verify derives the whole clip again.
TEST_F(VrcToolCommands, TracksHoldWhatTheChannelsOwnClipsHold)
{
    Make(2, 0x3, 7);
    const auto frames = [](const std::string& clip, const std::string& map) {
        std::string out;
        std::FILE* p = ::popen(("ffmpeg -nostdin -v error -copyts -i " + clip + " -map " + map +
                                " -c copy -f framehash -hash sha256 - 2>&1 | grep -v '^#'").c_str(), "r");
        for (int c; p && (c = std::fgetc(p)) != EOF;)
            out.push_back(static_cast<char>(c));
        EXPECT_TRUE(p && ::pclose(p) == 0);
        return out;
    };
    for (const char* tracks : {"", "--tracks"}) {
        vrctool::Args args{m_source, "--channel", "1", "--channel", "0", "--audio", tracks, m_dir.File("t.mkv")};
        std::erase(args, "");
        ASSERT_EQ(Tool(vrctool::RunExport, args).status, 0) << tracks;
    }
    EXPECT_EQ(toolstest::FfmpegDecode::Run(m_dir.File("t.mkv")).errors, "");
    const Outcome verified = Tool(vrctool::RunVerify, {m_dir.File("t.mkv.manifest.json")});
    EXPECT_EQ(verified.status, 0) << verified.out;
    for (const auto& [own, track] : {std::pair{"t-ch01.mkv", "0"}, std::pair{"t-ch00.mkv", "1"}}) {
        SCOPED_TRACE(own);
        for (const char* kind : {"v", "a"}) {
            const std::string mine = frames(m_dir.File(own), std::string("0:") + kind);
            EXPECT_GT(mine.size(), 1000u);
            EXPECT_EQ(frames(m_dir.File("t.mkv"), std::string("0:") + kind + ":" + track), mine) << kind;
        }
    }
}

// A damaged record in the middle of a run: export skips it with a warning and finds the
// frames after it, and verify counts the same records.
TEST_F(VrcToolCommands, ExportResumesAfterADamagedRecord)
{
    Make(2, 0);
    const auto run = m_sample.Run(m_sample.header.videoCh[0]);
    std::vector<uint8_t> bytes = m_sample.bytes;
    recording::PutU32(&bytes[run[30].offset + 8], 999'999);
    testsupport::WriteBytes(m_dir.File("damaged.vrc"), bytes);
    const Outcome r =
        Tool(vrctool::RunExport, {m_dir.File("damaged.vrc"), "--channel", "0", "--from", kFrom, m_dir.File("c.mkv")});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("skips what is unreadable from offset " + std::to_string(run[30].offset)), std::string::npos);
    EXPECT_EQ(Tool(vrctool::RunVerify, {m_dir.File("c.mkv.manifest.json")}).status, 0);
}

// A file name may be any bytes: JSON output escapes those that are not UTF-8 byte by byte and
// stays valid, and the reader refuses a document that is not UTF-8.
TEST_F(VrcToolCommands, JsonStaysValidWhateverBytesANameHolds)
{
    const std::pair<std::string, std::string> cases[] = {
        {"caf\xE9", "\"caf\\u00e9\""},
        {"caf\xC3\xA9", "\"caf\xC3\xA9\""},                    // UTF-8 passes as it is
        {"\xC3", "\"\\u00c3\""},                                // cut short
        {"\xC0\xAF", "\"\\u00c0\\u00af\""},                     // overlong
        {"\xED\xA0\x80", "\"\\u00ed\\u00a0\\u0080\""},          // a surrogate
        {"\xF4\x90\x80\x80", "\"\\u00f4\\u0090\\u0080\\u0080\""}, // past U+10FFFF
        {"\xF0\x9F\x8E\xA5\"\n", "\"\xF0\x9F\x8E\xA5\\\"\\n\""},
    };
    for (const auto& [text, json] : cases) {
        EXPECT_EQ(vrctool::JsonString(text), json);
        EXPECT_EQ(vrctool::JsonValue::Parse(json)->text, text) << json;
    }
    EXPECT_FALSE(vrctool::JsonValue::Parse("\"caf\xE9\""));

    Make(2, 0);
    const std::string latin1 = m_dir.File("caf\xE9.vrc");
    fs::copy_file(m_source, latin1);
    const Outcome timeline = Tool(vrctool::RunTimeline, {"--json", latin1});
    ASSERT_EQ(timeline.status, 0) << timeline.out;
    const std::optional<vrctool::JsonValue> parsed = vrctool::JsonValue::Parse(timeline.out);
    ASSERT_TRUE(parsed) << timeline.out;
    EXPECT_TRUE(parsed->Find("file")->text.ends_with("caf\xE9.vrc"));
    EXPECT_EQ(Tool(vrctool::RunInfo, {latin1}).status, 0);
    // verify opens the source by the path the manifest gives, byte for byte.
    ASSERT_EQ(Tool(vrctool::RunExport, {latin1, "--channel", "0", m_dir.File("c.mkv")}).status, 0);
    const Outcome verified = Tool(vrctool::RunVerify, {m_dir.File("c.mkv.manifest.json")});
    EXPECT_EQ(verified.status, 0) << verified.out;
    EXPECT_NE(verified.out.find("source " + latin1 + " and"), std::string::npos) << verified.out;
}

// The program as a shell meets it: help on stdout with status 0, usage errors on stderr with 2,
// and a manual page that names every command and option the help names.
TEST(VrcToolProgram, HelpVersionUsageAndTheManualAgree)
{
    const std::string build = std::getenv("KELVORA_BUILD_DIR");
    const auto run = [&](const std::string& arguments) {
        std::string out;
        std::FILE* p = ::popen((build + "/bin/vrc-tool " + arguments + " 2>/dev/null").c_str(), "r");
        for (int c; (c = std::fgetc(p)) != EOF;)
            out.push_back(static_cast<char>(c));
        return std::pair{WEXITSTATUS(::pclose(p)), out};
    };
    const auto [helpStatus, help] = run("--help");
    EXPECT_EQ(helpStatus, 0);
    EXPECT_EQ(run("timeline --help"), (std::pair{0, std::string("usage: vrc-tool timeline [--json] FILE [--gap SECONDS]   per "
                                                                 "channel: span, frames, key frames, gaps and jumps\n")}));
    EXPECT_EQ(run("--version").first, 0);
    for (const char* wrong : {"", "bogus", "info", "frames --speed 3 x.vrc"})
        EXPECT_EQ(run(wrong), (std::pair{2, std::string()})) << wrong;
    const std::vector<uint8_t> bytes = SampleFile::LoadBytes(build + "/dist/vrc-tool.1.md").bytes;
    std::string manual(bytes.begin(), bytes.end());
    std::erase(manual, '\\');
    const std::regex word(R"((--[a-z-]+)|vrc-tool ([a-z-]+))");
    for (auto i = std::sregex_iterator(help.begin(), help.end(), word); i != std::sregex_iterator(); ++i)
        EXPECT_NE(manual.find(i->str(1) + i->str(2)), std::string::npos) << i->str();
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
    // Both containers carry the recorded time as text that ffmpeg reads without a complaint.
    const std::string mp4 = m_dir.File("clip.mp4");
    ASSERT_EQ(Tool(vrctool::RunExport, {m_source, "--channel", "1", mp4}).status, 0);
    for (const std::string& clipFile : {out, mp4}) {
        EXPECT_EQ(toolstest::FfmpegDecode::Run(clipFile).errors, "") << clipFile;
        std::string captions;
        std::FILE* srt = ::popen(("ffmpeg -nostdin -v error -i " + clipFile + " -map 0:s -f srt - 2>&1").c_str(), "r");
        for (char line[256]; srt && std::fgets(line, sizeof line, srt);)
            captions += line;
        ASSERT_TRUE(srt && ::pclose(srt) == 0);
        for (const char* cue : {"2024-06-03 09:00:01\n", "CLOCK STEPPED BACK 1.920 s", "TIME STAMP REPEATED"})
            EXPECT_NE(captions.find(cue), std::string::npos) << cue << "\n" << captions;
    }
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
        {"key twice", Replaced(m, "\"tool\"", "\"version\": \"0\", \"tool\""), Text(out), "key appears twice"},
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

// Two video runs of 5 s and a sound run, as the tests' own writer lays them out.
testsupport::BuiltRecording TwoChannels(uint8_t version)
{
    constexpr int32_t kT0 = 1717405200; // 2024-06-03 09:00:00
    testsupport::RecordingBuilder b;
    b.Version(version).VideoRun(0, kT0, 0, 125, 40, 25, 1000).VideoRun(1, kT0, 0, 125, 40, 25, 1000);
    return b.AudioRun(0, kT0, 0, 200, 25, 160).Build();
}

using Records = std::map<std::pair<bool, int>, std::vector<std::tuple<int32_t, uint32_t, uint32_t, uint32_t>>>;

// Every record of every run the header names, walked as the tools walk them.
Records RecordsOf(const std::string& path)
{
    platform::File in;
    in.Open(path);
    const recording::HeaderCheck check = recording::HeaderCheck::Run(in);
    const recording::RecordingHeader& h = check.header;
    Records out;
    for (int k = 0; k < 16; ++k) {
        for (const bool audio : {false, true}) {
            const recording::ChannelEntry& e = (audio ? h.audioCh : h.videoCh)[k];
            const uint32_t data = recording::ChannelTables::DataOffset(h.version);
            recording::ChannelWalk walk(in, data + e.startPos, data + e.endPos, !audio);
            while (const auto r = walk.Next())
                out[{audio, k}].emplace_back(r->header.f_time, r->header.f_msec, r->header.f_size, r->header.f_key);
        }
    }
    return out;
}

// A run that ends at or before its start, or starts past the end of the file, is absent: reverse
// play from the first second ends, and timeline names the channel as one without a run.
TEST(VrcToolDamage, ARunThatCannotBeReadIsAbsentForEveryReader)
{
    const struct {
        const char* why;
        uint32_t start;
        int64_t length;
    } cases[] = {{"ends where it starts", 127'500, 0}, {"ends before it starts", 127'500, -1000},
                 {"starts past the file", 10'000'000, 1000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        testsupport::BuiltRecording built = TwoChannels(2);
        built.header.videoCh[1].startPos = c.start;
        built.header.videoCh[1].endPos = static_cast<uint32_t>(c.start + c.length);
        testsupport::TempDir dir;
        built.Write(dir.File("r.vrc"));
        const Outcome frames = Tool(vrctool::RunFrames, {dir.File("r.vrc"), "--from", "1", "--speed", "-4"});
        EXPECT_EQ(frames.status, 0) << frames.out;
        EXPECT_EQ(frames.out.find("\n 1 0 "), std::string::npos) << frames.out;
        const Outcome timeline = Tool(vrctool::RunTimeline, {dir.File("r.vrc")});
        EXPECT_NE(timeline.out.find("no valid run"), std::string::npos) << timeline.out;
    }
}

// salvage keeps exactly the records the writer wrote that the damage left whole, in a file
// the player opens, and never writes to the damaged recording, by any name.
TEST(VrcToolSalvage, KeepsExactlyTheIntactRecordsAndLeavesTheSourceAlone)
{
    const struct {
        const char* why;
        uint8_t version;
        std::function<void(testsupport::BuiltRecording&, std::vector<uint8_t>&)> damage;
        std::function<bool(uint32_t offset, uint32_t end)> lost;
    } cases[] = {
        {"cut in half, header gone with the tail", 2,
         [](auto& b, auto& bytes) { bytes.resize(b.videoRecords[1][0] + 90'000); },
         [](uint32_t, uint32_t end) { return end > 4096 + 127'500 + 90'000; }},
        {"table zeroed", 0,
         [](auto&, auto& bytes) { std::fill(bytes.begin() + 21, bytes.begin() + 21 + 2 * 63, 0); },
         [](uint32_t, uint32_t) { return false; }},
        {"one record's size damaged", 1,
         [](auto& b, auto& bytes) { recording::PutU32(&bytes[b.videoRecords[0][40] + 8], 999'999); },
         [](uint32_t offset, uint32_t) { return offset == 4096 + 40 * 1020; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        testsupport::BuiltRecording built = TwoChannels(c.version);
        testsupport::TempDir dir;
        built.Write(dir.File("whole.vrc"));
        const Records whole = RecordsOf(dir.File("whole.vrc"));
        std::vector<uint8_t> bytes = built.Bytes();
        c.damage(built, bytes);
        testsupport::WriteBytes(dir.File("broken.vrc"), bytes);
        fs::create_symlink(dir.File("broken.vrc"), dir / "link.vrc");

        EXPECT_EQ(Tool(vrctool::RunSalvage, {dir.File("broken.vrc"), dir.File("link.vrc")}).status, 1);
        const Outcome r = Tool(vrctool::RunSalvage, {dir.File("broken.vrc"), dir.File("out.vrc")});
        ASSERT_EQ(r.status, 0) << r.out;
        EXPECT_TRUE(recording::RecordingReport::Run(dir.File("out.vrc")).ok);
        EXPECT_EQ(SampleFile::Load(dir.File("broken.vrc")).bytes, bytes);

        Records expected;
        for (const bool audio : {false, true}) {
            for (int k = 0; k < 2; ++k) {
                const auto& at = (audio ? built.audioRecords : built.videoRecords)[k];
                for (size_t i = 0; i < at.size(); ++i) {
                    const auto& record = whole.at({audio, k})[i];
                    if (!c.lost(at[i], at[i] + 20 + std::get<2>(record)))
                        expected[{audio, k}].push_back(record);
                }
            }
        }
        EXPECT_EQ(RecordsOf(dir.File("out.vrc")), expected) << r.out;
    }
}

} // namespace
