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

std::optional<std::vector<uint8_t>> ReadPayload(platform::ByteSource& file, const WalkedRecord& r)
{
    std::vector<uint8_t> payload(r.header.f_size);
    if (file.ReadAt(r.offset + FrameRecord::kHeaderSize, payload.data(), payload.size()) != payload.size())
        return std::nullopt;
    return payload;
}

FrameRow Row(const WalkedRecord& r, int64_t clipMs, const std::vector<uint8_t>& payload)
{
    return {r.offset, r.header.f_time, r.header.f_msec, r.header.f_key == 1, clipMs,
            Sha256::Of(payload.data(), payload.size()), {}};
}

// The channel's audio run, handed out in clip time as the pictures ask for it.
class AudioFeed {
public:
    AudioFeed(const ClipExport::Source& s, uint64_t begin, uint64_t end, int32_t firstTime)
        : m_file(s.file), m_walk(s.file, begin, end, false), m_epoch(s.audioEpoch), m_firstTime(firstTime),
          m_startMs(s.baseMs), m_lastMs(s.baseMs - 1)
    {
    }

    // Writes every frame up to clip time `until` (inclusive); false when the muxer fails.
    bool WriteUntil(int64_t until, recording::ClipClock& clock, ClipMuxer& muxer, ClipExport::Result& result)
    {
        while (Peek()) {
            const std::optional<int64_t> ms = clock.PlaceSound(m_stampMs);
            if (!ms || *ms > until)
                return true;
            if (*ms > m_lastMs) {
                const std::optional<std::vector<uint8_t>> payload = ReadPayload(m_file, *m_next);
                if (!payload || !muxer.WriteAudio(payload->data(), payload->size(), *ms))
                    return false;
                result.audio.push_back(Row(*m_next, *ms, *payload));
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
    void CountLeftOver(int32_t lastTime, ClipExport::Result& result)
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

    platform::File& m_file;
    recording::ChannelWalk m_walk;
    int32_t m_epoch;
    int32_t m_firstTime;
    std::optional<WalkedRecord> m_next;
    int64_t m_stampMs = 0;
    int64_t m_startMs; // the first picture's time: sound before it is left out
    int64_t m_lastMs;
};

// The clip's length and captions before a byte of it is written, from the span's headers:
// the output never seeks back to put the length in its header afterwards.
int64_t Prepare(const ClipExport::Source& s, ClipCaptions& captions)
{
    recording::ChannelWalk walk(s.file, s.span.begin, s.span.end, true);
    std::optional<recording::ClipClock> clock;
    int64_t last = 0;
    uint32_t previousStamp = 0;
    while (const std::optional<WalkedRecord> r = walk.Next()) {
        if (!clock)
            clock.emplace(r->header.f_msec, s.baseMs);
        last = clock->PlaceVideo(r->header.f_msec);
        captions.Frame(r->header.f_time, static_cast<int32_t>(r->header.f_msec - previousStamp), last);
        previousStamp = r->header.f_msec;
    }
    const int64_t end = clock ? last + clock->LastDuration() : 0;
    captions.Finish(end);
    return end - s.baseMs;
}

std::string At(const WalkedRecord& r, const std::string& what)
{
    return "the record at offset " + std::to_string(r.offset) + " " + what;
}

} // namespace

ClipExport::Result ClipExport::Run(const Source& s, const std::string& path, const std::string& container,
                                   const ClipMuxer::Metadata& metadata, const Progress& progress)
{
    Result result;
    const size_t skip = s.header.videoFormat >= 3 ? recording::kPrefixBlockSize : 0;
    recording::ChannelWalk walk(s.pass, s.span.begin, s.span.end, true);
    const std::optional<WalkedRecord> first = walk.Next();
    std::optional<std::vector<uint8_t>> payload = first ? ReadPayload(s.pass, *first) : std::nullopt;
    if (!payload || payload->size() < skip) {
        result.error = first ? At(*first, "is shorter than the 52-byte block in front of every frame")
                             : "the clip holds no frame";
        return result;
    }
    ClipCaptions captions(s.holeMs);
    const int64_t durationMs = Prepare(s, captions);
    ClipMuxer muxer;
    if (std::string error = muxer.Open(path, container,
                                       {s.header.videoFormat >= 2, std::vector<uint8_t>(payload->begin() + skip, payload->end()),
                                        durationMs},
                                       s.audio, metadata);
        !error.empty()) {
        result.error = error;
        return result;
    }
    const uint64_t dataOffset = recording::ChannelTables::DataOffset(s.header.version);
    const recording::ChannelEntry& audioRun = s.header.audioCh[s.channel];
    // Without sound the feed's run ends before it begins.
    AudioFeed audio(s, dataOffset + audioRun.startPos, s.audio ? dataOffset + audioRun.endPos : 0, first->header.f_time);
    recording::ClipClock clock(first->header.f_msec, s.baseMs);
    int32_t lastTime = first->header.f_time;
    for (std::optional<WalkedRecord> r = first; r; r = walk.Next()) {
        if (!result.video.empty() && (!(payload = ReadPayload(s.pass, *r)) || payload->size() < skip)) {
            result.error = At(*r, "is shorter than the 52-byte block in front of every frame");
            return result;
        }
        const int64_t ms = clock.PlaceVideo(r->header.f_msec);
        result.video.push_back(Row(*r, ms, *payload));
        const std::vector<uint8_t>& stored = muxer.Stored(payload->data() + skip, payload->size() - skip);
        result.video.back().clipSha = Sha256::Of(stored.data(), stored.size());
        if (!audio.WriteUntil(ms, clock, muxer, result) || !captions.WriteUntil(ms, muxer) ||
            !muxer.WriteVideo(ms, r->header.f_key == 1)) {
            result.error = "cannot write the clip: " + muxer.Error();
            return result;
        }
        lastTime = std::max(lastTime, r->header.f_time); // the latest, not the last: the clock may step back
        result.keyFrames += r->header.f_key == 1 ? 1 : 0;
        if (progress)
            progress(r->End() - s.span.begin);
    }
    const int64_t end = result.video.back().clipMs + clock.LastDuration() - 1;
    if (!audio.WriteUntil(end, clock, muxer, result) || !captions.WriteUntil(end, muxer)) {
        result.error = "cannot write the clip: " + muxer.Error();
        return result;
    }
    if (const std::string error = muxer.Finish(); !error.empty()) {
        result.error = "cannot write the clip: " + error;
        return result;
    }
    audio.CountLeftOver(lastTime, result);
    result.steps = clock.Steps();
    result.clipSize = muxer.Size();
    result.clipSha = muxer.HexDigest();
    return result;
}

} // namespace vrctool
