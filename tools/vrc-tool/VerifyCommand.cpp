#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/vrc-tool/SmallFile.h"
#include "tools/vrc-tool/CommandErrors.h"
#include "tools/vrc-tool/Commands.h"
#include "tools/vrc-tool/ExportJob.h"
#include "tools/vrc-tool/ExportRecord.h"
#include "tools/vrc-tool/Json.h"
#include "tools/vrc-tool/ManifestSignature.h"
#include "tools/vrc-tool/Sha256.h"

namespace vrctool {
namespace {

namespace fs = std::filesystem;

constexpr CommandErrors kErrors{"verify", "usage: vrc-tool verify MANIFEST [--pubkey PUB]\n"};

using Differences = std::vector<std::string>;

std::string Shown(const JsonValue& v)
{
    if (v.type == JsonValue::Type::String)
        return JsonString(v.text);
    if (v.type == JsonValue::Type::Number)
        return v.text;
    if (v.type == JsonValue::Type::Bool)
        return v.boolean ? "true" : "false";
    return v.type == JsonValue::Type::Null ? "null" : "a different value";
}

bool Underivable(const std::string& member)
{
    return member == ".source.path" || std::ranges::find(ExportRecord::kUnderivable, member) != std::end(ExportRecord::kUnderivable);
}

// Lists where the manifest's value differs from the one derived again, member by member.
void Compare(const JsonValue& found, const JsonValue& derived, const std::string& where, Differences& out)
{
    if (found.type != derived.type || found.items.size() != derived.items.size() || found.text != derived.text ||
        found.boolean != derived.boolean) {
        out.push_back(where + " is " + Shown(found) + ", derived from the source: " + Shown(derived));
        return;
    }
    for (size_t i = 0; i < found.items.size(); ++i)
        Compare(found.items[i], derived.items[i], where + "[" + std::to_string(i) + "]", out);
    for (const auto& [key, value] : found.members) {
        const JsonValue* d = derived.Find(key);
        if (!d)
            out.push_back(where + "." + key + " is not a field of a manifest");
        else if (!Underivable(where + "." + key))
            Compare(value, *d, where + "." + key, out);
    }
    for (const auto& [key, value] : derived.members) {
        if (!found.Find(key))
            out.push_back(where + "." + key + " is missing");
    }
}

// The source where the manifest says it was or, when the files travelled together, beside it.
std::string SourcePath(const JsonValue& m, const fs::path& dir)
{
    const JsonValue* source = m.Find("source");
    const JsonValue* path = source ? source->Find("path") : nullptr;
    if (!path)
        return {};
    std::error_code ec;
    const fs::path beside = dir / fs::path(path->text).filename();
    return fs::exists(path->text, ec) || !fs::exists(beside, ec) ? path->text : beside.string();
}

// The channels of the manifest's tracks, in their order, or nothing.
std::optional<std::vector<int>> Channels(const JsonValue& m)
{
    const JsonValue* tracks = m.Find("tracks");
    std::vector<int> channels;
    for (const JsonValue& t : tracks ? tracks->items : std::vector<JsonValue>{}) {
        const JsonValue* channel = t.Find("channel");
        if (!channel || !channel->Unsigned() || *channel->Unsigned() > 15)
            return std::nullopt;
        channels.push_back(static_cast<int>(*channel->Unsigned()));
    }
    return channels.empty() ? std::nullopt : std::optional(channels);
}

// The export's command line after "vrc-tool export", or nothing.
std::optional<std::vector<std::string>> Command(const JsonValue& m)
{
    const JsonValue* command = m.Find("command");
    if (!command || command->items.size() < 2 || command->items[0].text != "vrc-tool" ||
        command->items[1].text != "export")
        return std::nullopt;
    std::vector<std::string> args;
    for (size_t i = 2; i < command->items.size(); ++i) {
        if (command->items[i].type != JsonValue::Type::String)
            return std::nullopt;
        args.push_back(command->items[i].text);
    }
    return args;
}

// The clip that lies beside the manifest under the name it gives: the copy in hand, wherever
// the original went.
void CheckClip(const JsonValue& m, const fs::path& dir, const ClipExport::Result& derived, Differences& out,
               std::string& read)
{
    const JsonValue* clip = m.Find("clip");
    const JsonValue* name = clip ? clip->Find("name") : nullptr;
    if (!name || name->text.empty() || fs::path(name->text).filename() != name->text) {
        out.push_back("clip.name is not a file name");
        return;
    }
    read = (dir / name->text).string();
    std::error_code ec;
    const uint64_t size = fs::file_size(read, ec);
    const std::optional<std::string> sha = ec ? std::nullopt : Sha256::OfFile(read);
    if (!sha)
        out.push_back("clip " + read + " cannot be read");
    else if (size != derived.clipSize || *sha != derived.clipSha)
        out.push_back("clip " + read + " is " + std::to_string(size) + " bytes with SHA-256 " + *sha +
                      "; the export of the source gives " + std::to_string(derived.clipSize) + " bytes with " +
                      derived.clipSha);
}

int Report(const std::string& path, const Differences& differences, const std::string& summary)
{
    // A clip from another source differs in every row; the first lines say enough.
    constexpr size_t kShown = 20;
    for (size_t i = 0; i < differences.size() && i < kShown; ++i)
        std::printf("DIFFERS: %s\n", differences[i].c_str());
    if (differences.size() > kShown)
        std::printf("DIFFERS: and %zu more\n", differences.size() - kShown);
    if (!differences.empty()) {
        std::printf("%s: verification failed\n", path.c_str());
        return 1;
    }
    std::printf("%s: verified: %s\n", path.c_str(), summary.c_str());
    return 0;
}

} // namespace

int RunVerify(const Args& args)
{
    std::string path, pubkey;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--pubkey" && i + 1 < args.size())
            pubkey = args[++i];
        else if (args[i].starts_with("--") || !path.empty())
            return kErrors.Usage("unexpected argument '" + args[i] + "'");
        else
            path = args[i];
    }
    if (path.empty())
        return kErrors.Usage("MANIFEST is needed");
    std::string why;
    const std::optional<std::string> text = ReadSmallFile(path, why);
    if (!text)
        return kErrors.Fail(path, why);
    const std::optional<JsonValue> m = JsonValue::Parse(*text);
    const std::optional<std::vector<std::string>> command = m ? Command(*m) : std::nullopt;
    const std::optional<std::vector<int>> channels = m ? Channels(*m) : std::nullopt;
    if (!command || !channels)
        return kErrors.Fail(path, "not a manifest written by vrc-tool export (or a key appears twice)");
    std::string signer;
    if (!pubkey.empty()) {
        const std::string error =
            ManifestSignature::Check(*text, pubkey, ManifestSignature::PathFor(path), signer);
        if (!error.empty())
            return kErrors.Fail(ManifestSignature::PathFor(path), error);
    }
    const fs::path dir = fs::absolute(path).parent_path();
    ExportJob job(*command, kErrors);
    const std::string source = SourcePath(*m, dir);
    if (const int status = job.Prepare(source); status != 0)
        return status;
    const auto output = std::ranges::find_if(job.Outputs(), [&](const ExportOutput& o) {
        return std::ranges::equal(o.Clips(), *channels, {}, &ChannelClip::Channel);
    });
    if (output == job.Outputs().end())
        return kErrors.Fail(path, "its channels are not a clip its command exported");
    const ExportOutput* clip = &*output;
    // The second export of the span reads the source as the first did, while all of it is hashed.
    const ClipExport::Result derived = clip->Write("");
    const std::optional<std::string> sha = derived.error.empty() ? job.Hash().Finish() : std::nullopt;
    if (!sha)
        return kErrors.Fail(source, derived.error.empty() ? "cannot be read to its end" : derived.error);
    Differences differences;
    const std::string derivedManifest =
        clip->Manifest(clip->TracksJson(derived), derived, static_cast<uint64_t>(job.Hash().Size()), *sha);
    Compare(*m, *JsonValue::Parse(derivedManifest), "", differences);
    std::string clipRead;
    CheckClip(*m, dir, derived, differences, clipRead);
    return Report(path, differences,
                  "source " + source + " and clip " + clipRead + " give every field, frame and hash of the manifest" +
                      (signer.empty() ? "" : "; signed by key " + signer));
}

} // namespace vrctool
