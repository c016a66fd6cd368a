#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/File.h"
#include "recording/ChannelWalk.h"
#include "tools/vrc-tool/ClipReader.h"
#include "tools/vrc-tool/Commands.h"
#include "tools/vrc-tool/Json.h"
#include "tools/vrc-tool/Sha256.h"

namespace vrctool {
namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage = "usage: vrc-tool verify MANIFEST\n";

// A file the manifest names, found where it was written or, when the files travelled
// together, beside the manifest.
struct NamedFile {
    std::string role;
    std::string path;
    uint64_t size = 0;
    std::string sha;
};

std::optional<NamedFile> Named(const JsonValue& manifest, const std::string& role, const fs::path& manifestDir)
{
    const JsonValue* v = manifest.Find(role);
    const JsonValue* path = v ? v->Find("path") : nullptr;
    const JsonValue* size = v ? v->Find("size") : nullptr;
    const JsonValue* sha = v ? v->Find("sha256") : nullptr;
    if (!path || !size || !sha || !size->Unsigned())
        return std::nullopt;
    NamedFile f{role, path->text, *size->Unsigned(), sha->text};
    const fs::path beside = manifestDir / fs::path(f.path).filename();
    if (!fs::exists(f.path) && fs::exists(beside))
        f.path = beside.string();
    return f;
}

// What differs between a file and what the manifest says of it, one line each.
void CheckFile(const NamedFile& f, std::vector<std::string>& differences)
{
    std::error_code ec;
    const uint64_t size = fs::file_size(f.path, ec);
    if (ec) {
        differences.push_back(f.role + " " + f.path + " cannot be read");
        return;
    }
    if (size != f.size)
        differences.push_back(f.role + " size is " + std::to_string(size) + " bytes, the manifest says " +
                              std::to_string(f.size));
    const std::optional<std::string> sha = Sha256::OfFile(f.path);
    if (!sha || *sha != f.sha)
        differences.push_back(f.role + " SHA-256 is " + sha.value_or("unreadable") + ", the manifest says " + f.sha);
}

std::optional<uint64_t> SourceFrames(const std::string& path, uint64_t begin, uint64_t end)
{
    platform::File in;
    if (!in.Open(path))
        return std::nullopt;
    recording::ChannelWalk walk(in, begin, end, true);
    uint64_t frames = 0;
    while (walk.Next())
        ++frames;
    return frames;
}

void CheckFrames(const JsonValue& m, const NamedFile& source, const NamedFile& clip, uint64_t frames,
                 std::vector<std::string>& differences)
{
    const JsonValue* span = m.Find("span");
    const JsonValue* begin = span ? span->Find("begin") : nullptr;
    const JsonValue* end = span ? span->Find("end") : nullptr;
    const std::optional<uint64_t> inSource =
        begin && end && begin->Unsigned() && end->Unsigned() ? SourceFrames(source.path, *begin->Unsigned(), *end->Unsigned())
                                                             : std::nullopt;
    if (inSource != frames)
        differences.push_back("source span holds " + (inSource ? std::to_string(*inSource) : "no readable run of") +
                              " frames, the manifest says " + std::to_string(frames));
    const std::optional<ClipContents> contents = ClipContents::Read(clip.path, false);
    if (!contents || contents->video.size() != frames)
        differences.push_back("clip holds " + (contents ? std::to_string(contents->video.size()) : "no readable") +
                              " video frames, the manifest says " + std::to_string(frames));
}

} // namespace

int RunVerify(const Args& args)
{
    if (args.size() != 1 || args[0].starts_with("--")) {
        std::fprintf(stderr, "%s", kUsage);
        return 2;
    }
    const std::string& path = args[0];
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const std::optional<JsonValue> m = in ? JsonValue::Parse(text.str()) : std::nullopt;
    const fs::path dir = fs::absolute(path).parent_path();
    const std::optional<NamedFile> source = m ? Named(*m, "source", dir) : std::nullopt;
    const std::optional<NamedFile> clip = m ? Named(*m, "clip", dir) : std::nullopt;
    const JsonValue* frames = m ? m->Find("frames") : nullptr;
    if (!source || !clip || !frames || !frames->Unsigned()) {
        std::fprintf(stderr, "vrc-tool verify: %s: not a manifest written by vrc-tool export\n", path.c_str());
        return 1;
    }
    std::vector<std::string> differences;
    CheckFile(*source, differences);
    CheckFile(*clip, differences);
    CheckFrames(*m, *source, *clip, *frames->Unsigned(), differences);
    for (const std::string& d : differences)
        std::printf("DIFFERS: %s\n", d.c_str());
    if (!differences.empty()) {
        std::printf("%s: verification failed\n", path.c_str());
        return 1;
    }
    std::printf("%s: verified: source %s and clip %s match their SHA-256 and sizes; %llu frames in both\n", path.c_str(),
                source->path.c_str(), clip->path.c_str(), static_cast<unsigned long long>(*frames->Unsigned()));
    return 0;
}

} // namespace vrctool
