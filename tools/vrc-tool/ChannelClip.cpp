#include "tools/vrc-tool/ChannelClip.h"

#include <cstdio>
#include <filesystem>

#include "recording/ChannelWalk.h"
#include "recording/TimeText.h"
#include "tools/vrc-tool/Json.h"
#include "tools/vrc-tool/TimelineJson.h"

namespace vrctool {
namespace {

namespace fs = std::filesystem;

constexpr int64_t kGapMs = 2000;
// The recorder's clock knows no zone; nothing may read its times as UTC.
constexpr const char* kZone = "recorder's local time, zone unknown";

std::string Number(int64_t n) { return std::to_string(n); }

} // namespace

ChannelClip::ChannelClip(const ExportContext& context, int channel) : m_context(context), m_channel(channel) {}

int ChannelClip::Check()
{
    const ExportArgs& args = m_context.args;
    const CommandErrors& errors = m_context.errors;
    const std::string channel = "channel " + std::to_string(m_channel);
    if (!m_context.report.tables.bVideoCh[m_channel])
        return errors.Fail(args.file, channel + " has no video");
    if (args.audio && !m_context.report.tables.bAudioCh[m_channel])
        return errors.Fail(args.file, channel + " has no sound; leave out --audio");
    const uint64_t dataOffset = m_context.report.tables.dataOffset;
    const recording::ChannelEntry& run = m_context.report.header.header.videoCh[m_channel];
    m_span = recording::ClipSpan::Find(m_context.in, dataOffset + run.startPos, dataOffset + run.endPos, args.from, args.to);
    if (m_span.frames == 0)
        return errors.Fail(args.file, channel + " has no frames" + SpanText());
    for (const recording::WalkGap& gap : m_span.gaps)
        std::fprintf(stderr, "vrc-tool export: %s: warning: %s skips what is %s\n", args.file.c_str(), channel.c_str(),
                     gap.Describe().c_str());
    if (!m_span.damage.empty())
        std::fprintf(stderr, "vrc-tool export: %s: warning: %s ends early, the record at offset %llu: %s\n",
                     args.file.c_str(), channel.c_str(), static_cast<unsigned long long>(m_span.damageOffset),
                     m_span.damage.c_str());
    m_timeline = recording::ChannelTimeline::Walk(m_context.in, m_span.begin, m_span.end, m_channel, false, kGapMs);
    const recording::FrameRecord& first = m_timeline.first->header;
    m_firstStamp = first.f_msec;
    // The first frame's millisecond within its second. The second ended between the last
    // frame stamped with it and the first of the next: the first frame lies at least
    // 1000 - (that frame's stamp - its own) ms into its second, and less than one frame step
    // more. Where the stamp's own millisecond (as recorders that stamp wall-clock
    // milliseconds write it) falls in that window, it is the reading.
    recording::ChannelWalk walk(m_context.in, m_span.begin, m_span.end, true);
    uint32_t previous = first.f_msec;
    while (const auto r = walk.Next()) {
        if (r->header.f_time != first.f_time) {
            const int64_t toNext = static_cast<int32_t>(r->header.f_msec - first.f_msec);
            const int64_t step = static_cast<int32_t>(r->header.f_msec - previous);
            const int64_t least = 1000 - toNext, own = first.f_msec % 1000;
            if (toNext > 0 && toNext <= 1000)
                m_firstMillisecond = static_cast<int>(own >= least && own < least + step ? own : least);
            break;
        }
        previous = r->header.f_msec;
    }
    return 0;
}

ClipExport::Source ChannelClip::Source() const
{
    return {m_context.in,         m_context.report.header.header,
            m_channel,            m_span,         m_context.args.audio,
            m_context.report.scan.startInfo[0].f_time, m_baseMs, kGapMs};
}

std::string ChannelClip::Title() const { return "channel " + std::to_string(m_channel) + " " + Name(); }

std::string ChannelClip::Name() const
{
    return recording::ToUtf8(m_context.report.header.header.videoCh[m_channel].NameText());
}

std::string ChannelClip::SpanText() const
{
    const ExportArgs& a = m_context.args;
    return (a.from ? " from " + a.fromText : "") + (a.to ? " to " + a.toText : "");
}

std::string ChannelClip::FirstTime() const
{
    char ms[8];
    std::snprintf(ms, sizeof ms, ".%03d", m_firstMillisecond);
    return RecordedTime(m_timeline.first->header.f_time) + ms;
}

ClipMuxer::Metadata ChannelClip::Metadata() const
{
    return {{"title", Name() + " " + FirstTime()},
            {"channel", std::to_string(m_channel) + " " + Name()},
            {"source", fs::path(m_context.args.file).filename().string()},
            {"recorded_start", FirstTime()},
            {"recorded_end", RecordedTime(m_timeline.last->header.f_time)},
            {"recorded_time_zone", kZone},
            {"time_base_ms", Number(m_baseMs)}};
}

void ChannelClip::AppendRowsJson(std::string& out, const std::vector<recording::FrameRow>& rows)
{
    out += '[';
    for (size_t i = 0; i < rows.size(); ++i) {
        const recording::FrameRow& r = rows[i];
        out += i ? ",\n    [" : "\n    [";
        for (const std::string& n : {std::to_string(i), std::to_string(r.offset), std::to_string(r.f_time),
                                     std::to_string(r.f_msec)})
            (out += n) += ", ";
        out += r.key ? "true, " : "false, ";
        out += std::to_string(r.clipMs);
        for (const std::string* sha : {&r.payloadSha, &r.clipSha})
            ((out += ", \"") += *sha) += '"';
        out += ']';
    }
    out += rows.empty() ? "]" : "\n  ]";
}

std::string ChannelClip::StepsJson(const ClipExport::Track& r) const
{
    std::string out = "[";
    for (const recording::ClipClock::Step& s : r.steps) {
        out += (out.size() > 1 ? ", " : "") + std::string("{\"frame\": ") + std::to_string(s.frame) +
               ", \"offset\": " + std::to_string(r.video[s.frame].offset) + ", \"stampStepMs\": " +
               Number(s.stampStepMs) + ", \"shiftMs\": " + Number(s.shiftMs) + "}";
    }
    return out + "]";
}

std::string ChannelClip::DamageJson() const
{
    std::string out = ",\n  \"unreadable\": [";
    for (const recording::WalkGap& gap : m_span.gaps)
        out += (out.ends_with("[") ? "" : ", ") + std::string("{\"begin\": ") + std::to_string(gap.begin) +
               ", \"end\": " + std::to_string(gap.end) + ", \"text\": " + JsonString(gap.Describe()) + "}";
    out += "]";
    if (m_span.damage.empty())
        return out;
    return out + ",\n  \"runEndsEarly\": {\"offset\": " + std::to_string(m_span.damageOffset) +
           ", \"damage\": " + JsonString(m_span.damage) + "}";
}

void ChannelClip::AppendTrackJson(std::string& out, const ClipExport::Track& r) const
{
    out += "{\"channel\": " + Number(m_channel) + ",\n  \"channelName\": " + JsonString(Name()) +
           ",\n  \"first\": " + JsonString(FirstTime()) + ",\n  \"last\": " +
           JsonString(RecordedTime(m_timeline.last->header.f_time)) + ",\n  \"recordedTimeZone\": " +
           JsonString(kZone) + ",\n  \"timeBaseMs\": " + Number(m_baseMs) + ",\n  \"span\": {\"begin\": " +
           std::to_string(m_span.begin) + ", \"end\": " + std::to_string(m_span.end) +
           "},\n  \"frames\": " + std::to_string(r.video.size()) + ",\n  \"keyFrames\": " + std::to_string(r.keyFrames) +
           ",\n  \"audioFrames\": " + std::to_string(r.audio.size()) + ",\n  \"unplacedAudioFrames\": " +
           std::to_string(r.unplacedAudio) + ",\n  \"clockSteps\": " + StepsJson(r) +
           ",\n  \"gapSeconds\": " + Number(kGapMs / 1000) + ",\n  \"anomalyCount\": " +
           std::to_string(m_timeline.anomalyCount) + ",\n  \"anomalies\": " + AnomaliesJson(m_timeline) +
           DamageJson() + ",\n  \"videoTable\": ";
    AppendRowsJson(out, r.video);
    out += ",\n  \"audioTable\": ";
    AppendRowsJson(out, r.audio);
    out += '}';
}

std::string ChannelClip::Summary(const ClipExport::Track& r) const
{
    return std::to_string(r.video.size()) + " frames (" + std::to_string(r.keyFrames) +
           " key) of channel " + std::to_string(m_channel) + ", " + FirstTime() + " .. " +
           RecordedTime(m_timeline.last->header.f_time) +
           (m_timeline.anomalyCount ? ", " + std::to_string(m_timeline.anomalyCount) + " anomalies" : "") +
           (r.steps.empty() ? "" : ", " + std::to_string(r.steps.size()) + " clock steps bridged");
}

} // namespace vrctool
