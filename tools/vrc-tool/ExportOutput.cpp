#include "tools/vrc-tool/ExportOutput.h"

#include <filesystem>

#include "tools/vrc-tool/ExportRecord.h"
#include "tools/vrc-tool/Json.h"

namespace vrctool {

namespace fs = std::filesystem;

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

std::string ExportOutput::Manifest(const ClipExport::Result& r, uint64_t sourceSize, const std::string& sourceSha) const
{
    std::string command = "[\"vrc-tool\", \"export\"";
    for (const std::string& a : m_context.command)
        command += ", " + JsonString(a);
    std::string tracks;
    for (size_t i = 0; i < m_clips.size(); ++i)
        tracks += (i ? ", " : "") + m_clips[i]->TrackJson(r.tracks[i]);
    std::error_code ec;
    const fs::path source = fs::absolute(m_context.args.file, ec).lexically_normal();
    return "{\n  \"tool\": \"vrc-tool\",\n  \"version\": " + JsonString(KELVORA_VERSION) + ",\n  \"command\": " +
           command + "],\n  \"record\": " + ExportRecord::Json(m_context.args) +
           ",\n  \"source\": {\"path\": " + JsonString(source.string()) + ", \"size\": " + std::to_string(sourceSize) +
           ", \"sha256\": " + JsonString(sourceSha) +
           "},\n  \"frameColumns\": [\"index\", \"offset\", \"f_time\", \"f_msec\", \"key\", \"clipMs\", "
           "\"payloadSha256\", \"clipPacketSha256\"]" +
           ",\n  \"tracks\": [" + tracks + "],\n  \"clip\": {\"name\": " + JsonString(fs::path(m_out).filename().string()) +
           ", \"size\": " + std::to_string(r.clipSize) + ", \"sha256\": " + JsonString(r.clipSha) + "}\n}\n";
}

std::string ExportOutput::Summary(const ClipExport::Result& r) const
{
    std::string line = m_out + ": ";
    for (size_t i = 0; i < m_clips.size(); ++i)
        line += (i ? "; " : "") + m_clips[i]->Summary(r.tracks[i]);
    return line;
}

} // namespace vrctool
