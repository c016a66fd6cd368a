#include <cstdio>
#include <string>

#include "recording/RecordingReport.h"
#include "recording/TimeConversion.h"
#include "recording/TimeText.h"
#include "tools/vrc-tool/CommandErrors.h"
#include "tools/vrc-tool/Commands.h"
#include "tools/vrc-tool/Json.h"

namespace vrctool {
namespace {

using recording::RecordingReport;

constexpr CommandErrors kErrors{"info", "usage: vrc-tool info [--json] FILE\n"};

std::string ReasonLine(const std::string& path, const RecordingReport& r)
{
    return r.reason.empty() ? "" : recording::ReasonLine(path, r.reason);
}

std::string KeyJson(const std::optional<recording::FrameInfo>& info, const std::optional<uint32_t>& offset)
{
    if (!info || !offset)
        return "null";
    return "{\"offset\": " + std::to_string(*offset) + ", \"f_time\": " + std::to_string(info->f_time) +
           ", \"f_msec\": " + std::to_string(info->f_msec) + ", \"f_size\": " + std::to_string(info->f_size) + "}";
}

std::optional<uint32_t> LastKeyOffset(const RecordingReport& r, int k)
{
    if (!r.scan.lastKey[k] || r.scan.videoEnd[k] == 0)
        return std::nullopt;
    return r.scan.videoEnd[k];
}

void PrintJson(const std::string& path, const RecordingReport& r)
{
    std::string out = "{\"ok\": ";
    out += r.ok ? "true" : "false";
    out += ", \"messages\": [";
    for (size_t i = 0; i < r.messages.size(); ++i)
        out += (i ? ", " : "") + JsonString(recording::MessageText(r.messages[i]));
    out += "]";
    if (!r.reason.empty())
        out += ", \"reason\": " + JsonString(ReasonLine(path, r));
    if (r.ok) {
        const recording::RecordingHeader& h = r.header.header;
        out += ", \"version\": " + std::to_string(h.version) + ", \"dataOffset\": " + std::to_string(r.tables.dataOffset) +
               ", \"chCount\": " + std::to_string(h.chCount) + ", \"videoFormat\": " + std::to_string(h.videoFormat) +
               ", \"videoMask\": " + std::to_string(h.videoMask) + ", \"audioMask\": " + std::to_string(h.audioMask) +
               ", \"channels\": [";
        for (int k = 0; k < recording::RecordingHeader::kChannels; ++k) {
            out += k ? ", " : "";
            out += "{\"index\": " + std::to_string(k) + ", \"name\": " +
                   JsonString(recording::ToUtf8(h.videoCh[k].NameText())) +
                   ", \"video\": " + (r.tables.bVideoCh[k] ? "true" : "false") +
                   ", \"audio\": " + (r.tables.bAudioCh[k] ? "true" : "false") +
                   ", \"firstKey\": " + KeyJson(r.scan.firstKey[k], r.scan.firstKeyOffset[k]) +
                   ", \"lastKey\": " + KeyJson(r.scan.lastKey[k], LastKeyOffset(r, k)) + "}";
        }
        out += "], \"startTime\": " + JsonString(recording::FormatDateTime(r.scan.startTime, 1)) +
               ", \"endTime\": " + JsonString(recording::FormatDateTime(r.scan.endTime, 1)) +
               ", \"totalTime\": " + JsonString(r.scan.totalText) + ", \"seekMax\": " + std::to_string(r.scan.seekMax);
    }
    std::printf("%s}\n", out.c_str());
}

void PrintKey(const char* label, const std::optional<recording::FrameInfo>& info, const std::optional<uint32_t>& offset)
{
    if (!info || !offset) {
        std::printf("  %s none", label);
        return;
    }
    std::printf("  %s @%u %s +%03u ms (%u bytes)", label, *offset,
                recording::FormatDateTime(recording::FTimeToSystemTime(info->f_time), 1).c_str(), info->f_msec % 1000,
                info->f_size);
}

void PrintText(const std::string& path, const RecordingReport& r)
{
    std::printf("%s: %s\n", path.c_str(), r.ok ? "accepted" : "rejected");
    for (recording::RecordingError e : r.messages)
        std::printf("  message: %s\n", recording::MessageText(e));
    if (!r.ok) {
        std::printf("  reason: %s\n", ReasonLine(path, r).c_str());
        return;
    }
    const recording::RecordingHeader& h = r.header.header;
    std::printf("version %d, data offset %u, %d channels, video format %d, video mask 0x%04X, audio mask 0x%04X\n",
                h.version, r.tables.dataOffset, h.chCount, h.videoFormat, h.videoMask, h.audioMask);
    std::printf("start %s, end %s, length %s, seek max %d\n", recording::FormatDateTime(r.scan.startTime, 1).c_str(),
                recording::FormatDateTime(r.scan.endTime, 1).c_str(), r.scan.totalText.c_str(), r.scan.seekMax);
    for (int k = 0; k < recording::RecordingHeader::kChannels; ++k) {
        if (!r.tables.bVideoCh[k] && !r.tables.bAudioCh[k] && !r.scan.firstKey[k])
            continue;
        std::printf("ch %2d %-20s video %s audio %s", k, recording::ToUtf8(h.videoCh[k].NameText()).c_str(),
                    r.tables.bVideoCh[k] ? "yes" : "no ", r.tables.bAudioCh[k] ? "yes" : "no ");
        PrintKey("first", r.scan.firstKey[k], r.scan.firstKeyOffset[k]);
        PrintKey("last", r.scan.lastKey[k], LastKeyOffset(r, k));
        std::printf("\n");
    }
}

} // namespace

int RunInfo(const Args& args)
{
    bool json = false;
    std::string path;
    for (const std::string& a : args) {
        if (a == "--json")
            json = true;
        else if (path.empty() && !a.starts_with("--"))
            path = a;
        else
            return kErrors.Usage("unexpected argument '" + a + "'");
    }
    if (path.empty())
        return kErrors.Usage("no recording given");
    const RecordingReport r = RecordingReport::Run(path);
    if (!r.readable)
        return kErrors.CannotRead(path, r.openError);
    if (json)
        PrintJson(path, r);
    else
        PrintText(path, r);
    return r.ok ? 0 : 1;
}

} // namespace vrctool
