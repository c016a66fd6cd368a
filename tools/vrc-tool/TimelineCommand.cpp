#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/File.h"
#include "recording/ChannelTimeline.h"
#include "tools/vrc-tool/CommandErrors.h"
#include "tools/vrc-tool/Commands.h"
#include "tools/vrc-tool/Json.h"
#include "tools/vrc-tool/TimelineJson.h"

namespace vrctool {
namespace {

using recording::ChannelTimeline;

constexpr CommandErrors kErrors{"timeline", "usage: vrc-tool timeline [--json] FILE [--gap SECONDS]\n"};

struct TimelineArgs {
    std::string file;
    bool json = false;
    int64_t gapMs = 2000;
};

std::string Parse(const Args& args, TimelineArgs& t)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--json") {
            t.json = true;
        } else if (a == "--gap") {
            if (i + 1 == args.size())
                return "--gap needs a number of seconds";
            char* end = nullptr;
            const double seconds = std::strtod(args[++i].c_str(), &end);
            if (args[i].empty() || *end != '\0' || !(seconds > 0) || seconds > 86'400)
                return "--gap takes seconds above 0, up to 86400, not '" + args[i] + "'";
            t.gapMs = std::llround(seconds * 1000);
        } else if (a.starts_with("--") || !t.file.empty()) {
            return "unexpected argument '" + a + "'";
        } else {
            t.file = a;
        }
    }
    return t.file.empty() ? "FILE is needed" : "";
}

std::string Seconds(double ms)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.3f", ms / 1000.0);
    return buf;
}

std::string Name(const recording::RecordingHeader& h, const ChannelTimeline& t)
{
    return recording::ToUtf8((t.audio ? h.audioCh : h.videoCh)[t.channel].NameText());
}

std::string ChannelJson(const recording::RecordingHeader& h, const ChannelTimeline& t)
{
    std::string out = "{\"kind\": \"" + std::string(t.audio ? "audio" : "video") +
                      "\", \"channel\": " + std::to_string(t.channel) + ", \"name\": " + JsonString(Name(h, t));
    if (t.first && t.last)
        out += ", \"first\": " + JsonString(RecordedTime(t.first->header.f_time)) +
               ", \"last\": " + JsonString(RecordedTime(t.last->header.f_time));
    char rate[32];
    std::snprintf(rate, sizeof rate, "%.3f", t.FramesPerSecond());
    out += ", \"frames\": " + std::to_string(t.frames) + ", \"keyFrames\": " + std::to_string(t.keyFrames) +
           ", \"durationSeconds\": " + Seconds(static_cast<double>(t.DurationMs())) + ", \"framesPerSecond\": " + rate +
           ", \"meanKeyIntervalSeconds\": " + Seconds(t.MeanKeyIntervalMs()) +
           ", \"largestKeyIntervalSeconds\": " + Seconds(static_cast<double>(t.largestKeyIntervalMs)) +
           ", \"anomalyCount\": " + std::to_string(t.anomalyCount) + ", \"anomalies\": " + AnomaliesJson(t) + "}";
    return out;
}

void PrintText(const std::string& file, const recording::RecordingHeader& h, const std::vector<ChannelTimeline>& all,
               int64_t gapMs)
{
    std::printf("%s: video format %d, gaps longer than %s s\n", file.c_str(), h.videoFormat,
                Seconds(static_cast<double>(gapMs)).c_str());
    for (const ChannelTimeline& t : all) {
        std::printf("%s %2d %-16s", t.audio ? "audio" : "video", t.channel, Name(h, t).c_str());
        if (t.first && t.last)
            std::printf(" %s .. %s", RecordedTime(t.first->header.f_time).c_str(),
                        RecordedTime(t.last->header.f_time).c_str());
        std::printf("  %llu frames", static_cast<unsigned long long>(t.frames));
        if (!t.audio)
            std::printf(", %llu key, %.2f fps, key every %s s (largest %s s)",
                        static_cast<unsigned long long>(t.keyFrames), t.FramesPerSecond(),
                        Seconds(t.MeanKeyIntervalMs()).c_str(), Seconds(static_cast<double>(t.largestKeyIntervalMs)).c_str());
        std::printf(", %llu anomalies\n", static_cast<unsigned long long>(t.anomalyCount));
        for (const recording::TimelineAnomaly& a : t.anomalies)
            std::printf("    %s\n", AnomalyText(a).c_str());
        if (t.anomalyCount > t.anomalies.size())
            std::printf("    ... and %llu more\n", static_cast<unsigned long long>(t.anomalyCount - t.anomalies.size()));
    }
}

} // namespace

int RunTimeline(const Args& args)
{
    TimelineArgs t;
    if (const std::string error = Parse(args, t); !error.empty())
        return kErrors.Usage(error);
    // Only the header must hold: the runs are walked even where the scan would refuse the
    // file, since that is where a timeline is most wanted.
    platform::File in;
    recording::HeaderCheck check;
    if (const int status = kErrors.OpenHeader(t.file, in, check); status != 0)
        return status;
    const std::vector<ChannelTimeline> all = ChannelTimeline::OfRecording(in, check.header, t.gapMs);
    if (!t.json) {
        PrintText(t.file, check.header, all, t.gapMs);
        return 0;
    }
    std::string out = "{\"file\": " + JsonString(t.file) + ", \"videoFormat\": " +
                      std::to_string(check.header.videoFormat) + ", \"gapSeconds\": " +
                      Seconds(static_cast<double>(t.gapMs)) + ", \"channels\": [";
    for (size_t i = 0; i < all.size(); ++i)
        out += (i ? ", " : "") + ChannelJson(check.header, all[i]);
    std::printf("%s]}\n", out.c_str());
    return 0;
}

} // namespace vrctool
