#include "tools/vrc-tool/ClipExport.h"

#include <algorithm>
#include <vector>

#include "recording/ChannelTables.h"
#include "recording/ChannelWalk.h"
#include "recording/KeyFrame.h"
#include "tools/vrc-tool/ClipCaptions.h"
#include "tools/vrc-tool/Sha256.h"

namespace vrctool {
namespace {

using recording::FrameRecord;
using recording::FrameRow;
using recording::WalkedRecord;

FrameRow Row(const WalkedRecord& r, int64_t clipMs, const std::vector<uint8_t>& payload)
{
    return {r.offset, r.header.f_time, r.header.f_msec, r.header.f_key == 1, clipMs,
            Sha256::Of(payload.data(), payload.size()), {}};
}

// The channel's audio run, handed out in clip time as the pictures ask for it.
class AudioFeed {
public:
    AudioFeed(const ClipExport::Source& s, uint64_t begin, uint64_t end, int32_t firstTime, size_t track)
        : m_walk(s.file, begin, end, false), m_epoch(s.audioEpoch), m_firstTime(firstTime),
          m_track(track), m_startMs(s.baseMs), m_lastMs(s.baseMs - 1)
    {
    }

    // Writes every frame up to clip time `until` (inclusive); false when the muxer fails.
    bool WriteUntil(int64_t until, recording::ClipClock& clock, ClipMuxer& muxer, ClipExport::Track& result)
    {
        while (Peek()) {
            const std::optional<int64_t> ms = clock.PlaceSound(m_stampMs);
            if (!ms || *ms > until)
                return true;
            if (*ms > m_lastMs) {
                if (!m_walk.ReadPayload(*m_next, m_payload) ||
                    !muxer.WriteAudio(m_track, m_payload.data(), m_payload.size(), *ms))
                    return false;
                result.audio.push_back(Row(*m_next, *ms, m_payload));
                result.audio.back().clipSha = result.audio.back().payloadSha;
                m_lastMs = *ms;
            } else if (*ms >= m_startMs) {
                ++result.unplacedAudio; // on a place sound already holds
            }
            m_next.reset();
        }
        return true;
    }

    // Counts what is left inside the pictures' seconds once the pictures have ended.
    void CountLeftOver(int32_t lastTime, ClipExport::Track& result)
    {
        for (; Peek(); m_next.reset())
            result.unplacedAudio += m_next->header.f_time >= m_firstTime && m_next->header.f_time <= lastTime ? 1 : 0;
        // The first stretch of sound the walk had to skip, if any.
        result.audioDamage = m_walk.Gaps().empty() ? "" : m_walk.Gaps().front().Describe();
    }

private:
    bool Peek()
    {
        if (!m_next && (m_next = m_walk.Next()))
            m_stampMs = (int64_t{m_next->header.f_time} - m_epoch) * 1000 + m_next->header.f_msec;
        return m_next.has_value();
    }

    recording::ChannelWalk m_walk;
    std::vector<uint8_t> m_payload;
    int32_t m_epoch;
    int32_t m_firstTime;
    size_t m_track;
    std::optional<WalkedRecord> m_next;
    int64_t m_stampMs = 0;
    int64_t m_startMs; // the first picture's time: sound before it is left out
    int64_t m_lastMs;
};

std::string At(const WalkedRecord& r, const std::string& what)
{
    return "the record at offset " + std::to_string(r.offset) + " " + what;
}

// One channel's track of a clip: its walk through the span, its clock, sound and captions.
class TrackCopy {
public:
    TrackCopy(const ClipExport::Source& s, size_t index, ClipExport::Track& result)
        : m_s(s), m_index(index), m_result(result), m_walk(s.file, s.span.begin, s.span.end, true),
          m_captions(s.holeMs, index)
    {
    }

    // Reads the first frame and works out the track's times and captions from the span's
    // headers before a byte of the clip is written: the output never seeks back to put the
    // length in its header afterwards. Empty, or why the track cannot be written.
    std::string Start()
    {
        m_next = m_walk.Next();
        if (!m_next || !Read())
            return m_next ? At(*m_next, kShort) : "the clip holds no frame";
        recording::ChannelWalk walk(m_s.file, m_s.span.begin, m_s.span.end, true);
        recording::ClipClock clock(m_next->header.f_msec, m_s.baseMs);
        uint32_t previousStamp = 0;
        while (const std::optional<WalkedRecord> r = walk.Next()) {
            m_times.push_back(clock.PlaceVideo(r->header.f_msec));
            m_captions.Frame(r->header.f_time, static_cast<int32_t>(r->header.f_msec - previousStamp), m_times.back());
            previousStamp = r->header.f_msec;
        }
        m_end = m_times.empty() ? m_s.baseMs : m_times.back() + clock.LastDuration();
        m_captions.Finish(m_end);
        const recording::ChannelEntry& run = m_s.header.audioCh[m_s.channel];
        const uint64_t data = recording::ChannelTables::DataOffset(m_s.header.version);
        // Without sound the feed's run ends before it begins.
        m_audio.emplace(m_s, data + run.startPos, m_s.audio ? data + run.endPos : 0, m_next->header.f_time, m_index);
        m_clock.emplace(m_next->header.f_msec, m_s.baseMs);
        m_lastTime = m_next->header.f_time;
        return {};
    }

    ClipMuxer::Video Video(int64_t startMs, const std::string& title) const
    {
        return {m_s.header.videoFormat >= 2, std::vector<uint8_t>(m_payload.begin() + Skip(), m_payload.end()),
                m_end - startMs, title};
    }

    // The clip time of the frame to be written next, in the order the clip holds them.
    std::optional<int64_t> NextMs() const
    {
        const size_t i = m_result.video.size();
        return m_next && i < m_times.size() ? std::optional(m_times[i]) : std::nullopt;
    }

    // Writes the next frame with the sound and captions up to it, and reads the one after.
    std::string WriteNext(ClipMuxer& muxer)
    {
        const WalkedRecord& r = *m_next;
        const int64_t ms = m_clock->PlaceVideo(r.header.f_msec);
        m_result.video.push_back(Row(r, ms, m_payload));
        const std::vector<uint8_t>& stored = muxer.Stored(m_payload.data() + Skip(), m_payload.size() - Skip());
        m_result.video.back().clipSha = Sha256::Of(stored.data(), stored.size());
        if (!m_audio->WriteUntil(ms, *m_clock, muxer, m_result) || !m_captions.WriteUntil(ms, muxer) ||
            !muxer.WriteVideo(m_index, ms, r.header.f_key == 1))
            return "cannot write the clip: " + muxer.Error();
        m_lastTime = std::max(m_lastTime, r.header.f_time); // the latest, not the last: the clock may step back
        m_result.keyFrames += r.header.f_key == 1 ? 1 : 0;
        if ((m_next = m_walk.Next()) && !Read())
            return At(*m_next, kShort);
        return {};
    }

    // The sound and captions after the last frame; empty, or what went wrong.
    std::string Close(ClipMuxer& muxer)
    {
        // The times were worked out from a walk of their own: the copy must have met the same frames.
        if (m_next || m_result.video.size() != m_times.size())
            return "the recording changed while it was read";
        const int64_t end = m_result.video.back().clipMs + m_clock->LastDuration() - 1;
        if (!m_audio->WriteUntil(end, *m_clock, muxer, m_result) || !m_captions.WriteUntil(end, muxer))
            return "cannot write the clip: " + muxer.Error();
        return {};
    }

    void Count()
    {
        m_audio->CountLeftOver(m_lastTime, m_result);
        m_result.steps = m_clock->Steps();
    }

private:
    static constexpr const char* kShort = "is shorter than the 52-byte block in front of every frame";

    size_t Skip() const { return m_s.header.videoFormat >= 3 ? recording::kPrefixBlockSize : 0; }

    bool Read() { return m_walk.ReadPayload(*m_next, m_payload) && m_payload.size() >= Skip(); }

    const ClipExport::Source& m_s;
    size_t m_index;
    ClipExport::Track& m_result;
    recording::ChannelWalk m_walk;
    ClipCaptions m_captions;
    std::optional<WalkedRecord> m_next;
    std::vector<uint8_t> m_payload;
    std::vector<int64_t> m_times; // every frame's clip time, worked out ahead
    int64_t m_end = 0;
    std::optional<AudioFeed> m_audio;
    std::optional<recording::ClipClock> m_clock;
    int32_t m_lastTime = 0;
};

// The track whose next frame comes first on the shared time line; the first such on a tie.
TrackCopy* Earliest(std::vector<TrackCopy>& tracks)
{
    TrackCopy* earliest = nullptr;
    for (TrackCopy& t : tracks) {
        if (t.NextMs() && (!earliest || *t.NextMs() < *earliest->NextMs()))
            earliest = &t;
    }
    return earliest;
}

} // namespace

ClipExport::Result ClipExport::Run(const std::vector<Source>& sources, const std::vector<std::string>& titles,
                                   const std::string& path, const std::string& container,
                                   const ClipMuxer::Metadata& metadata, const Progress& progress)
{
    Result result;
    result.tracks.resize(sources.size());
    std::vector<TrackCopy> tracks;
    tracks.reserve(sources.size());
    for (size_t i = 0; i < sources.size(); ++i) {
        if ((result.error = tracks.emplace_back(sources[i], i, result.tracks[i]).Start()) != "")
            return result;
    }
    int64_t startMs = INT64_MAX;
    for (const Source& s : sources)
        startMs = std::min(startMs, s.baseMs);
    std::vector<ClipMuxer::Video> videos;
    for (size_t i = 0; i < tracks.size(); ++i)
        videos.push_back(tracks[i].Video(startMs, titles[i]));
    ClipMuxer muxer;
    if ((result.error = muxer.Open(path, container, videos, sources.front().audio, metadata)) != "")
        return result;
    while (TrackCopy* t = Earliest(tracks)) {
        if ((result.error = t->WriteNext(muxer)) != "")
            return result;
        if (progress)
            progress();
    }
    for (TrackCopy& t : tracks) {
        if ((result.error = t.Close(muxer)) != "")
            return result;
    }
    if (const std::string error = muxer.Finish(); !error.empty()) {
        result.error = "cannot write the clip: " + error;
        return result;
    }
    for (TrackCopy& t : tracks)
        t.Count();
    result.clipSize = muxer.Size();
    result.clipSha = muxer.HexDigest();
    return result;
}

} // namespace vrctool
