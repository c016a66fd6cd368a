#include "recording/ChannelTimeline.h"

#include <algorithm>

#include "recording/ChannelTables.h"

namespace recording {

const char* TimelineAnomaly::KindName(Kind kind)
{
    switch (kind) {
    case Kind::Gap: return "gap";
    case Kind::Backward: return "backward";
    case Kind::Repeated: return "repeated";
    case Kind::FieldsDisagree: return "fields-disagree";
    case Kind::Damaged: return "damaged";
    }
    return "";
}

ChannelTimeline ChannelTimeline::Walk(platform::File& file, uint64_t begin, uint64_t end, int channel, bool audio,
                                      int64_t gapMs)
{
    ChannelTimeline t;
    t.channel = channel;
    t.audio = audio;
    ChannelWalk walk(file, begin, end, !audio);
    while (const std::optional<WalkedRecord> record = walk.Next())
        t.Add(*record, gapMs);
    if (!walk.Damage().empty()) {
        const WalkedRecord at{walk.DamageOffset(), t.last ? t.last->header : FrameRecord{}};
        t.Note(TimelineAnomaly::Kind::Damaged, at, 0, walk.Damage());
    }
    return t;
}

std::vector<ChannelTimeline> ChannelTimeline::OfRecording(platform::File& file, const RecordingHeader& header,
                                                          int64_t gapMs)
{
    const uint64_t dataOffset = ChannelTables::DataOffset(header.version);
    std::vector<ChannelTimeline> channels;
    for (const bool audio : {false, true}) {
        const auto& entries = audio ? header.audioCh : header.videoCh;
        const uint32_t mask = audio ? header.audioMask : header.videoMask;
        for (int k = 0; k < RecordingHeader::kChannels; ++k) {
            if ((mask & (1u << k)) && entries[k].HasRun())
                channels.push_back(
                    Walk(file, dataOffset + entries[k].startPos, dataOffset + entries[k].endPos, k, audio, gapMs));
        }
    }
    return channels;
}

int64_t ChannelTimeline::Stamp(const FrameRecord& r) const
{
    return audio ? int64_t{r.f_time} * 1000 + r.f_msec : int64_t{r.f_msec};
}

void ChannelTimeline::Add(const WalkedRecord& record, int64_t gapMs)
{
    const FrameRecord& r = record.header;
    if (last) {
        const FrameRecord& p = last->header;
        // The video clock wraps at 32 bits like the recorder's counter.
        const int64_t step = audio ? Stamp(r) - Stamp(p) : int64_t{static_cast<int32_t>(r.f_msec - p.f_msec)};
        if (step > gapMs)
            Note(TimelineAnomaly::Kind::Gap, record, step);
        else if (step < 0)
            Note(TimelineAnomaly::Kind::Backward, record, step);
        else if (step == 0)
            Note(TimelineAnomaly::Kind::Repeated, record, step);
        // Whole seconds and milliseconds must move together, to within the second that
        // the seconds field rounds away.
        const int64_t secondsStep = (int64_t{r.f_time} - p.f_time) * 1000;
        if (!audio && (secondsStep - step >= 1000 || step - secondsStep >= 1000))
            Note(TimelineAnomaly::Kind::FieldsDisagree, record, step);
    }
    if (audio && r.f_msec >= 1000)
        Note(TimelineAnomaly::Kind::FieldsDisagree, record, last ? Stamp(r) - Stamp(last->header) : 0);
    if (r.f_key == 1) {
        if (m_lastKey) {
            const int64_t interval = static_cast<int32_t>(r.f_msec - m_lastKey->header.f_msec);
            keyIntervalSumMs += interval;
            ++keyIntervals;
            largestKeyIntervalMs = std::max(largestKeyIntervalMs, interval);
        }
        m_lastKey = record;
        ++keyFrames;
    }
    if (!first)
        first = record;
    last = record;
    ++frames;
}

void ChannelTimeline::Note(TimelineAnomaly::Kind kind, const WalkedRecord& record, int64_t stepMs,
                           const std::string& damage)
{
    ++anomalyCount;
    if (anomalies.size() < kMaxListed)
        anomalies.push_back({kind, record.offset, record.header.f_time, record.header.f_msec, stepMs, damage});
}

int64_t ChannelTimeline::DurationMs() const
{
    if (!first || !last)
        return 0;
    return audio ? Stamp(last->header) - Stamp(first->header)
                 : int64_t{static_cast<int32_t>(last->header.f_msec - first->header.f_msec)};
}

double ChannelTimeline::FramesPerSecond() const
{
    const int64_t duration = DurationMs();
    return duration > 0 ? static_cast<double>(frames - 1) * 1000.0 / static_cast<double>(duration) : 0.0;
}

double ChannelTimeline::MeanKeyIntervalMs() const
{
    return keyIntervals ? static_cast<double>(keyIntervalSumMs) / static_cast<double>(keyIntervals) : 0.0;
}

} // namespace recording
