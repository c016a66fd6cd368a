#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/File.h"
#include "recording/ChannelWalk.h"
#include "recording/RecordingHeader.h"

namespace recording {

// Something in a run's stamps that a viewer of the recording should know of.
struct TimelineAnomaly {
    enum class Kind { Gap, Backward, Repeated, FieldsDisagree, Damaged, NoRun };
    Kind kind = Kind::Gap;
    uint64_t offset = 0;   // the record's header
    int32_t f_time = 0;    // the record's stamps (for damage: the last good record's)
    uint32_t f_msec = 0;
    int64_t stepMs = 0;    // stamp difference from the previous record
    std::string damage;    // what is wrong with a damaged record or a missing run

    static const char* KindName(Kind kind);
};

// The shape of one channel's run in time: its span, frame and key-frame counts, and every
// place where its stamps jump, repeat, go back or contradict themselves.
//
// Video stamps are the running millisecond clock f_msec (differences taken with 32-bit
// wrap-around, as playback does); audio stamps are f_time seconds plus the millisecond
// within that second.
class ChannelTimeline {
public:
    // A damaged file may repeat a stamp on every record; the list keeps the first ones and
    // the count says how many there were.
    static constexpr size_t kMaxListed = 1000;
    // More threads than this would only contend for the same memory bandwidth.
    static constexpr unsigned kMostWalkers = 4;

    int channel = 0;
    bool audio = false;
    uint64_t frames = 0;
    uint64_t keyFrames = 0;
    std::optional<WalkedRecord> first, last;
    int64_t keyIntervalSumMs = 0;
    uint64_t keyIntervals = 0;
    int64_t largestKeyIntervalMs = 0;
    uint64_t anomalyCount = 0;
    std::vector<TimelineAnomaly> anomalies;

    // Walks the records in [begin, end); gaps are steps longer than gapMs.
    static ChannelTimeline Walk(platform::File& file, uint64_t begin, uint64_t end, int channel, bool audio,
                                int64_t gapMs);
    // Every video channel of the mask in channel order (one without a run that can be read
    // as a single no-run anomaly), then every audio run.
    static std::vector<ChannelTimeline> OfRecording(platform::File& file, const RecordingHeader& header, int64_t gapMs);

    int64_t DurationMs() const;
    double FramesPerSecond() const;
    double MeanKeyIntervalMs() const;

private:
    static ChannelTimeline WithoutRun(int channel, uint64_t begin, uint64_t end, int64_t fileSize);
    int64_t Stamp(const FrameRecord& r) const;
    void Add(const WalkedRecord& record, int64_t gapMs);
    void Note(TimelineAnomaly::Kind kind, const WalkedRecord& record, int64_t stepMs, const std::string& damage = {});

    std::optional<WalkedRecord> m_lastKey;
};

} // namespace recording
