#include "tools/vrc-tool/ClipExport.h"

#include <vector>

#include "recording/ChannelTables.h"
#include "recording/ChannelWalk.h"
#include "recording/KeyFrame.h"

namespace vrctool {
namespace {

using recording::FrameRecord;
using recording::WalkedRecord;

// The channel's audio run, handed out in clip time as the pictures ask for it.
class AudioFeed {
public:
    AudioFeed(const ClipExport::Source& s, uint32_t firstVideoMsec, uint64_t begin, uint64_t end)
        : m_file(s.file), m_walk(s.file, begin, end, false), m_epoch(s.audioEpoch), m_firstMsec(firstVideoMsec)
    {
    }

    // Writes every frame up to clip time `until` (inclusive); false when the muxer fails.
    bool WriteUntil(int64_t until, ClipMuxer& muxer, uint64_t& written)
    {
        while (Peek() && m_nextMs <= until) {
            if (m_nextMs > m_lastMs) {
                if (m_file.ReadAt(m_next->offset + FrameRecord::kHeaderSize, m_payload.data(), m_next->header.f_size) !=
                        m_next->header.f_size ||
                    !muxer.WriteAudio(m_payload.data(), m_next->header.f_size, m_nextMs))
                    return false;
                m_lastMs = m_nextMs;
                ++written;
            }
            m_next.reset();
        }
        return true;
    }

    // The first stretch of sound the walk had to skip, if any.
    std::string Damage() const { return m_walk.Gaps().empty() ? "" : m_walk.Gaps().front().Describe(); }

private:
    bool Peek()
    {
        if (!m_next && (m_next = m_walk.Next()))
            m_nextMs = (int64_t{m_next->header.f_time} - m_epoch) * 1000 + m_next->header.f_msec - m_firstMsec;
        return m_next.has_value();
    }

    platform::File& m_file;
    recording::ChannelWalk m_walk;
    int32_t m_epoch;
    int64_t m_firstMsec;
    std::optional<WalkedRecord> m_next;
    int64_t m_nextMs = 0;
    int64_t m_lastMs = -1; // sound before the first picture is left out
    std::vector<uint8_t> m_payload = std::vector<uint8_t>(FrameRecord::kMaxPayload);
};

std::optional<std::vector<uint8_t>> ReadPayload(platform::File& file, const WalkedRecord& r, size_t skip)
{
    if (r.header.f_size < skip)
        return std::nullopt;
    std::vector<uint8_t> payload(r.header.f_size - skip);
    if (file.ReadAt(r.offset + FrameRecord::kHeaderSize + skip, payload.data(), payload.size()) != payload.size())
        return std::nullopt;
    return payload;
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
    recording::ChannelWalk walk(s.file, s.span.begin, s.span.end, true);
    const std::optional<WalkedRecord> first = walk.Next();
    std::optional<std::vector<uint8_t>> payload = first ? ReadPayload(s.file, *first, skip) : std::nullopt;
    if (!payload) {
        result.error = first ? At(*first, "is shorter than the 52-byte block in front of every frame")
                             : "the clip holds no frame";
        return result;
    }
    ClipMuxer muxer;
    if (std::string error = muxer.Open(path, container, {s.header.videoFormat >= 2, *payload}, s.audio, metadata);
        !error.empty()) {
        result.error = error;
        return result;
    }
    const uint64_t dataOffset = recording::ChannelTables::DataOffset(s.header.version);
    const recording::ChannelEntry& audioRun = s.header.audioCh[s.channel];
    // Without sound the feed's run ends before it begins.
    AudioFeed audio(s, first->header.f_msec, dataOffset + audioRun.startPos,
                    s.audio ? dataOffset + audioRun.endPos : 0);
    int64_t ms = 0;
    int64_t lastStep = 0;
    uint32_t previousMsec = first->header.f_msec;
    for (std::optional<WalkedRecord> r = first; r; r = walk.Next()) {
        if (result.frames > 0) {
            const int64_t step = static_cast<int32_t>(r->header.f_msec - previousMsec);
            lastStep = step > 0 ? step : 1;
            result.adjustedStamps += step > 0 ? 0 : 1;
            ms += lastStep;
            payload = ReadPayload(s.file, *r, skip);
            if (!payload) {
                result.error = At(*r, "is shorter than the 52-byte block in front of every frame");
                return result;
            }
        }
        if (!audio.WriteUntil(ms, muxer, result.audioFrames) ||
            !muxer.WriteVideo(payload->data(), payload->size(), ms, r->header.f_key == 1)) {
            result.error = "cannot write the clip";
            return result;
        }
        previousMsec = r->header.f_msec;
        ++result.frames;
        result.keyFrames += r->header.f_key == 1 ? 1 : 0;
        if (progress)
            progress(r->End() - s.span.begin);
    }
    if (!audio.WriteUntil(ms + lastStep - 1, muxer, result.audioFrames) || !muxer.Finish())
        result.error = "cannot write the clip";
    result.audioDamage = audio.Damage();
    return result;
}

} // namespace vrctool
