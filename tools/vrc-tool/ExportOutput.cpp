#include "tools/vrc-tool/ExportOutput.h"

#include <filesystem>

#include "tools/vrc-tool/ExportRecord.h"
#include "tools/vrc-tool/Json.h"

namespace vrctool {

namespace fs = std::filesystem;

namespace {
// What a frame's row and a track's other fields take in the manifest, at most: reserved
// once, the table is never copied while it grows.
constexpr size_t kRowBytes = 200;
constexpr size_t kTrackBytes = 64 * 1024;
} // namespace

ClipExport::Result ExportOutput::Write(const std::string& path, const ClipExport::Progress& progress) const
{
    std::vector<ClipExport::Source> sources;
    std::vector<std::string> titles;
    for (const ChannelClip* clip : m_clips) {
        sources.push_back(clip->Source());
        titles.push_back(clip->Title());
    }
    return ClipExport::Run(sources, titles, path, ClipMuxer::ContainerOf(m_out), m_clips.front()->Metadata(), progress);
}

std::string ExportOutput::TracksJson(const ClipExport::Result& r) const
{
    size_t rows = 0;
    for (const ClipExport::Track& t : r.tracks)
        rows += t.video.size() + t.audio.size();
    std::string out;
    out.reserve(rows * kRowBytes + kTrackBytes * r.tracks.size());
    for (size_t i = 0; i < m_clips.size(); ++i) {
        out += i ? ", " : "";
        m_clips[i]->AppendTrackJson(out, r.tracks[i]);
    }
    return out;
}

std::string ExportOutput::Manifest(const std::string& tracks, const ClipExport::Result& r, uint64_t sourceSize,
                                   const std::string& sourceSha) const
{
    std::string command = "[\"vrc-tool\", \"export\"";
    for (const std::string& a : m_context.command)
        command += ", " + JsonString(a);
    std::error_code ec;
    const fs::path source = fs::absolute(m_context.args.file, ec).lexically_normal();
    std::string out = "{\n  \"tool\": \"vrc-tool\",\n  \"version\": " + JsonString(KELVORA_VERSION) +
                      ",\n  \"command\": " + command + "],\n  \"record\": " + ExportRecord::Json(m_context.args) +
                      ",\n  \"source\": {\"path\": " + JsonString(source.string()) +
                      ", \"size\": " + std::to_string(sourceSize) + ", \"sha256\": " + JsonString(sourceSha) +
                      "},\n  \"frameColumns\": [\"index\", \"offset\", \"f_time\", \"f_msec\", \"key\", \"clipMs\", "
                      "\"payloadSha256\", \"clipPacketSha256\"],\n  \"tracks\": [";
    const std::string end = "],\n  \"clip\": {\"name\": " + JsonString(fs::path(m_out).filename().string()) +
                            ", \"size\": " + std::to_string(r.clipSize) + ", \"sha256\": " + JsonString(r.clipSha) +
                            "}\n}\n";
    out.reserve(out.size() + tracks.size() + end.size());
    out += tracks;
    out += end;
    return out;
}

std::string ExportOutput::Summary(const ClipExport::Result& r) const
{
    std::string line = m_out + ": ";
    for (size_t i = 0; i < m_clips.size(); ++i)
        line += (i ? "; " : "") + m_clips[i]->Summary(r.tracks[i]);
    return line;
}

} // namespace vrctool
