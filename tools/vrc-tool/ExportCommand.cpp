#include <chrono>
#include <cstdio>
#include <filesystem>
#include <future>
#include <string>
#include <vector>

#include "recording/ChannelTimeline.h"
#include "recording/ClipSpan.h"
#include "recording/RecordingReport.h"
#include "recording/TimeText.h"
#include "tools/vrc-tool/CommandArguments.h"
#include "tools/vrc-tool/ClipExport.h"
#include "tools/vrc-tool/CommandErrors.h"
#include "tools/vrc-tool/Commands.h"
#include "tools/vrc-tool/Json.h"
#include "tools/vrc-tool/Progress.h"
#include "tools/vrc-tool/Sha256.h"
#include "tools/vrc-tool/TimelineJson.h"

namespace vrctool {
namespace {

namespace fs = std::filesystem;
using recording::ChannelTimeline;

constexpr CommandErrors kErrors{
    "export",
    "usage: vrc-tool export FILE --channel K [--channel K ...] [--from TIME] [--to TIME] [--audio] [--force] OUT\n"
    "       TIME is a recorded time \"YYYY-MM-DD hh:mm:ss\"; OUT ends in .mkv (default) or .mp4\n"};

struct ExportArgs {
    std::string file;
    std::string out;
    std::vector<int> channels;
    std::optional<int32_t> from, to;
    std::string fromText, toText;
    bool audio = false;
    bool force = false;
};

std::string ParseTime(const Args& args, size_t& i, std::optional<int32_t>& time, std::string& text)
{
    if (i + 1 == args.size())
        return args[i] + " needs a time \"YYYY-MM-DD hh:mm:ss\"";
    text = args[++i];
    time = recording::ParseDateTime(text);
    return time ? "" : args[i - 1] + " takes a time \"YYYY-MM-DD hh:mm:ss\", not '" + text + "'";
}

std::string Parse(const Args& args, ExportArgs& e)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::string error;
        if (a == "--audio") {
            e.audio = true;
        } else if (a == "--force") {
            e.force = true;
        } else if (a == "--from") {
            error = ParseTime(args, i, e.from, e.fromText);
        } else if (a == "--to") {
            error = ParseTime(args, i, e.to, e.toText);
        } else if (a == "--channel") {
            int channel = -1;
            error = CommandArguments::TakeChannel(args, i, channel);
            e.channels.push_back(channel);
        } else {
            error = CommandArguments::TakeFileOrOut(a, e.file, e.out);
        }
        if (!error.empty())
            return error;
    }
    if (e.file.empty() || e.out.empty() || e.channels.empty())
        return "FILE, --channel K and OUT are all needed";
    return {};
}

// With several channels each clip gets its channel number: clip.mkv -> clip-ch03.mkv.
std::string OutputFor(const ExportArgs& e, int channel)
{
    if (e.channels.size() == 1)
        return e.out;
    const fs::path out(e.out);
    char suffix[8];
    std::snprintf(suffix, sizeof suffix, "-ch%02d", channel);
    return (out.parent_path() / (out.stem().string() + suffix + out.extension().string())).string();
}

std::string FileJson(const std::string& path, uint64_t size, const std::string& sha)
{
    return "{\"path\": " + JsonString(fs::absolute(path).lexically_normal().string()) +
           ", \"size\": " + std::to_string(size) + ", \"sha256\": " + JsonString(sha) + "}";
}

// Everything one channel's export needs from the recording, worked out once.
struct Job {
    const ExportArgs& args;
    const Args& command;
    const recording::RecordingReport& report;
    platform::File& in;
    std::shared_future<std::optional<std::string>> sourceSha;
    std::atomic<uint64_t>& hashed;
};

class ChannelClip {
public:
    ChannelClip(const Job& job, int channel)
        : m_job(job), m_channel(channel), m_out(OutputFor(job.args, channel)), m_manifest(m_out + ".manifest.json")
    {
    }

    // Every refusal comes before any channel is written or the source is hashed.
    int Check()
    {
        const recording::RecordingHeader& h = m_job.report.header.header;
        if (!m_job.report.tables.bVideoCh[m_channel])
            return kErrors.Fail(m_job.args.file, "channel " + std::to_string(m_channel) + " has no video");
        for (const std::string& path : {m_out, m_manifest}) {
            if (!m_job.args.force && fs::exists(path))
                return kErrors.Fail(path, "exists already; --force replaces it");
        }
        const uint64_t dataOffset = m_job.report.tables.dataOffset;
        const recording::ChannelEntry& run = h.videoCh[m_channel];
        m_span = recording::ClipSpan::Find(m_job.in, dataOffset + run.startPos, dataOffset + run.endPos, m_job.args.from,
                                           m_job.args.to);
        if (m_span.frames == 0)
            return kErrors.Fail(m_job.args.file, "channel " + std::to_string(m_channel) + " has no frames" + SpanText());
        for (const recording::WalkGap& gap : m_span.gaps)
            std::fprintf(stderr, "vrc-tool export: %s: warning: channel %d skips what is %s\n", m_job.args.file.c_str(),
                         m_channel, gap.Describe().c_str());
        if (!m_span.damage.empty())
            std::fprintf(stderr, "vrc-tool export: %s: warning: channel %d ends early, the record at offset %llu: %s\n",
                         m_job.args.file.c_str(), m_channel, static_cast<unsigned long long>(m_span.damageOffset),
                         m_span.damage.c_str());
        m_timeline = ChannelTimeline::Walk(m_job.in, m_span.begin, m_span.end, m_channel, false, kGapMs);
        return 0;
    }

    int Export()
    {
        const int status = Write();
        if (status != 0) {
            fs::remove(Part(m_out));
            fs::remove(Part(m_manifest));
        }
        return status;
    }

private:
    static constexpr int64_t kGapMs = 2000;

    static std::string Part(const std::string& path) { return path + ".part"; }

    std::string SpanText() const
    {
        const ExportArgs& a = m_job.args;
        return (a.from ? " from " + a.fromText : "") + (a.to ? " to " + a.toText : "");
    }

    ClipMuxer::Metadata Metadata() const
    {
        const std::string first = RecordedTime(m_timeline.first->header.f_time);
        std::string iso = first;
        iso[10] = 'T';
        return {{"creation_time", iso + ".000000Z"},
                {"title", Name() + " " + first},
                {"channel", std::to_string(m_channel) + " " + Name()},
                {"source", fs::path(m_job.args.file).filename().string()},
                {"recorded_start", first},
                {"recorded_end", RecordedTime(m_timeline.last->header.f_time)}};
    }

    std::string Name() const { return recording::ToUtf8(m_job.report.header.header.videoCh[m_channel].NameText()); }

    int Write()
    {
        Progress progress("channel " + std::to_string(m_channel), m_span.end - m_span.begin + m_job.in.Size());
        const ClipExport::Source source{m_job.in,
                                        m_job.report.header.header,
                                        m_channel,
                                        m_span,
                                        m_job.args.audio && m_job.report.tables.bAudioCh[m_channel],
                                        m_job.report.scan.startInfo[0].f_time};
        const ClipExport::Result r =
            ClipExport::Run(source, Part(m_out), ClipMuxer::ContainerOf(m_out), Metadata(), [&](uint64_t done) {
                progress.Update(done + m_job.hashed.load(std::memory_order_relaxed));
            });
        if (!r.error.empty())
            return kErrors.Fail(r.error.starts_with("cannot create") ? m_out : m_job.args.file, r.error);
        if (!r.audioDamage.empty())
            std::fprintf(stderr, "vrc-tool export: %s: warning: channel %d's sound ends early: %s\n",
                         m_job.args.file.c_str(), m_channel, r.audioDamage.c_str());
        while (m_job.sourceSha.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready)
            progress.Update(m_span.end - m_span.begin + m_job.hashed.load(std::memory_order_relaxed));
        if (const int status = Seal(r); status != 0)
            return status;
        progress.Finish();
        std::printf("%s: %llu frames (%llu key) of channel %d, %s .. %s%s\n", m_out.c_str(),
                    static_cast<unsigned long long>(r.frames), static_cast<unsigned long long>(r.keyFrames), m_channel,
                    RecordedTime(m_timeline.first->header.f_time).c_str(),
                    RecordedTime(m_timeline.last->header.f_time).c_str(),
                    m_timeline.anomalyCount ? (", " + std::to_string(m_timeline.anomalyCount) + " anomalies").c_str() : "");
        return 0;
    }

    // Hashes the written clip, writes the manifest and puts both in place together.
    int Seal(const ClipExport::Result& r)
    {
        const std::optional<std::string> sourceSha = m_job.sourceSha.get();
        const std::optional<std::string> clipSha = Sha256::OfFile(Part(m_out));
        if (!sourceSha)
            return kErrors.Fail(m_job.args.file, "cannot be read to its end for its SHA-256");
        if (!clipSha)
            return kErrors.Fail(m_out, "cannot be read back for its SHA-256");
        std::error_code ec;
        const std::string manifest = ManifestJson(r, *sourceSha, fs::file_size(Part(m_out), ec), *clipSha);
        std::FILE* f = std::fopen(Part(m_manifest).c_str(), "wb");
        const bool written = f && std::fwrite(manifest.data(), 1, manifest.size(), f) == manifest.size();
        if (!f || std::fclose(f) != 0 || !written)
            return kErrors.Fail(m_manifest, "cannot be written");
        fs::rename(Part(m_out), m_out, ec);
        if (ec)
            return kErrors.Fail(m_out, "cannot be put in place: " + ec.message());
        fs::rename(Part(m_manifest), m_manifest, ec);
        if (ec) {
            // A clip without its manifest proves nothing: neither stays.
            fs::remove(m_out);
            return kErrors.Fail(m_manifest, "cannot be put in place: " + ec.message());
        }
        return 0;
    }

    std::string ManifestJson(const ClipExport::Result& r, const std::string& sourceSha, uint64_t clipSize,
                             const std::string& clipSha) const
    {
        std::string command = "[\"vrc-tool\", \"export\"";
        for (const std::string& a : m_job.command)
            command += ", " + JsonString(a);
        const auto sourceSize = static_cast<uint64_t>(m_job.in.Size());
        return "{\n  \"tool\": \"vrc-tool\",\n  \"version\": " + JsonString(KELVORA_VERSION) +
               ",\n  \"command\": " + command + "],\n  \"source\": " + FileJson(m_job.args.file, sourceSize, sourceSha) +
               ",\n  \"channel\": " + std::to_string(m_channel) + ",\n  \"channelName\": " + JsonString(Name()) +
               ",\n  \"first\": " + JsonString(RecordedTime(m_timeline.first->header.f_time)) +
               ",\n  \"last\": " + JsonString(RecordedTime(m_timeline.last->header.f_time)) +
               ",\n  \"span\": {\"begin\": " + std::to_string(m_span.begin) + ", \"end\": " + std::to_string(m_span.end) +
               "},\n  \"frames\": " + std::to_string(r.frames) + ",\n  \"keyFrames\": " + std::to_string(r.keyFrames) +
               ",\n  \"audioFrames\": " + std::to_string(r.audioFrames) +
               ",\n  \"adjustedStamps\": " + std::to_string(r.adjustedStamps) +
               ",\n  \"gapSeconds\": " + std::to_string(kGapMs / 1000) +
               ",\n  \"anomalyCount\": " + std::to_string(m_timeline.anomalyCount) +
               ",\n  \"anomalies\": " + AnomaliesJson(m_timeline) + DamageJson() +
               ",\n  \"clip\": " + FileJson(m_out, clipSize, clipSha) + "\n}\n";
    }

    // Where the channel's run broke off before --to, if it did: the clip ends there.
    std::string DamageJson() const
    {
        if (m_span.damage.empty())
            return {};
        return ",\n  \"runEndsEarly\": {\"offset\": " + std::to_string(m_span.damageOffset) +
               ", \"damage\": " + JsonString(m_span.damage) + "}";
    }

    const Job& m_job;
    int m_channel;
    std::string m_out;
    std::string m_manifest;
    recording::ClipSpan m_span;
    ChannelTimeline m_timeline;
};

} // namespace

int RunExport(const Args& args)
{
    ExportArgs e;
    if (const std::string error = Parse(args, e); !error.empty())
        return kErrors.Usage(error);
    if (e.from && e.to && *e.to < *e.from)
        return kErrors.Fail(e.file, "--to " + e.toText + " lies before --from " + e.fromText);
    const std::string container = ClipMuxer::ContainerOf(e.out);
    if (container.empty())
        return kErrors.Fail(e.out, "names no container: use .mkv or .mp4");
    if (e.audio && container != "mkv")
        return kErrors.Fail(e.out, "MP4 clips carry video only; use .mkv for --audio");
    const recording::RecordingReport report = recording::RecordingReport::Run(e.file);
    if (!report.readable)
        return kErrors.Fail(e.file, "cannot read the file");
    if (!report.ok) {
        std::string messages;
        for (const recording::RecordingError m : report.messages)
            messages += (messages.empty() ? "" : " ") + std::string(recording::MessageText(m));
        return kErrors.Fail(e.file, messages);
    }
    platform::File in;
    if (!in.Open(e.file))
        return kErrors.Fail(e.file, "cannot read the file");
    std::atomic<uint64_t> hashed{0};
    Job job{e, args, report, in, {}, hashed};
    std::vector<ChannelClip> clips;
    for (const int channel : e.channels) {
        if (const int status = clips.emplace_back(job, channel).Check(); status != 0)
            return status;
    }
    // The source's hash reads the whole file; it runs beside the copy of the channels.
    job.sourceSha = std::async(std::launch::async, [&] { return Sha256::OfFile(e.file, &hashed); }).share();
    int status = 0;
    for (ChannelClip& clip : clips) {
        status = clip.Export();
        if (status != 0)
            break;
    }
    job.sourceSha.wait();
    return status;
}

} // namespace vrctool
