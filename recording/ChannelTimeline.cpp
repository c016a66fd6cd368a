#include "recording/ChannelTimeline.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>

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
    case Kind::NoRun: return "no-run";
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
    size_t gapsNoted = 0;
    const auto noteGaps = [&] {
        for (; gapsNoted < walk.Gaps().size(); ++gapsNoted) {
            const WalkGap& gap = walk.Gaps()[gapsNoted];
            const WalkedRecord at{gap.begin, t.last ? t.last->header : FrameRecord{}};
            t.Note(TimelineAnomaly::Kind::Damaged, at, 0, gap.Describe());
        }
    };
    while (const std::optional<WalkedRecord> record = walk.Next()) {
        noteGaps();
        t.Add(*record, gapMs);
    }
    noteGaps();
    return t;
}

std::vector<ChannelTimeline> ChannelTimeline::OfRecording(platform::File& file, const RecordingHeader& header,
                                                          int64_t gapMs)
{
    struct Run {
        int channel = 0;
        bool audio = false;
        bool readable = false;
        uint64_t begin = 0, end = 0;
    };
    const ChannelTables tables = ChannelTables::Build(header, file.Size());
    std::vector<Run> runs;
    for (const bool audio : {false, true}) {
        const auto& entries = audio ? header.audioCh : header.videoCh;
        const uint32_t mask = audio ? header.audioMask : header.videoMask;
        for (int k = 0; k < RecordingHeader::kChannels; ++k) {
            const bool readable = (audio ? tables.audioRun : tables.videoRun)[k];
            if ((mask & (1u << k)) && (readable || !audio))
                runs.push_back({k, audio, readable, tables.dataOffset + uint64_t{entries[k].startPos},
                                tables.dataOffset + uint64_t{entries[k].endPos}});
        }
    }
    std::vector<ChannelTimeline> channels(runs.size());
    std::atomic<size_t> next{0};
    const auto walkRuns = [&](platform::File& in) {
        for (size_t i = next++; i < runs.size(); i = next++) {
            const Run& r = runs[i];
            channels[i] = r.readable ? Walk(in, r.begin, r.end, r.channel, r.audio, gapMs)
                                     : WithoutRun(r.channel, r.begin, r.end, in.Size());
        }
    };
    // The runs lie apart in the file, so each core can walk its own: the copying of one
    // core's reads out of the page cache overlaps another's, and the whole walk then costs
    // less than one plain read of the file.
    std::vector<platform::File> copies;
    const unsigned cores = std::clamp(std::thread::hardware_concurrency(), 1u, kMostWalkers);
    for (unsigned i = 1; i < std::min<size_t>(cores, runs.size()); ++i) {
        if (platform::File copy = file.Duplicate(); copy.IsSet())
            copies.push_back(std::move(copy));
    }
    {
        std::vector<std::jthread> helpers;
        for (platform::File& copy : copies)
            helpers.emplace_back(walkRuns, std::ref(copy));
        walkRuns(file);
    }
    return channels;
}

// A video channel the mask promises but whose run holds nothing: players show it as absent.
ChannelTimeline ChannelTimeline::WithoutRun(int channel, uint64_t begin, uint64_t end, int64_t fileSize)
{
    ChannelTimeline t;
    t.channel = channel;
    const std::string why =
        end <= begin
            ? "its run ends at byte " + std::to_string(end) + ", not after its start at byte " + std::to_string(begin)
            : "its run starts at byte " + std::to_string(begin) + " but the file has " + std::to_string(fileSize) + " bytes";
    t.Note(TimelineAnomaly::Kind::NoRun, WalkedRecord{begin, {}}, 0, why);
    return t;
}

int64_t ChannelTimeline::Stamp(const FrameRecord& r) const
{
    return audio ? int64_t{r.f_time} * 1000 + r.f_msec : int64_t{r.f_msec};
}

void ChannelTimeline::Add(const WalkedRecord& record, int64_t gapMs)
{
    const FrameRecord& r = record.header;
    // Steps across a gap measure the damage, not the recording.
    if (record.afterGap)
        m_lastKey.reset();
    if (last && !record.afterGap) {
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
