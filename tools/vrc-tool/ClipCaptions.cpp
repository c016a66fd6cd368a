#include "tools/vrc-tool/ClipCaptions.h"

#include <algorithm>
#include <cstdio>

#include "recording/TimeConversion.h"
#include "recording/TimeText.h"

namespace vrctool {
namespace {

// "YYYY-MM-DD hh:mm:ss", the recorder's own reading of its clock.
std::string RecordedTime(int32_t fTime) { return recording::FormatDateTime(recording::FTimeToSystemTime(fTime), 1); }

std::string Clock(int32_t fTime) { return RecordedTime(fTime).substr(11); }

} // namespace

void ClipCaptions::Frame(int32_t fTime, int64_t stampStepMs, int64_t clipMs)
{
    if (!m_started) {
        m_started = true;
        m_second = fTime;
        m_secondStartMs = clipMs;
    } else {
        if (fTime != m_second) {
            m_cues.push_back({m_secondStartMs, clipMs, RecordedTime(m_second)});
            m_second = fTime;
            m_secondStartMs = clipMs;
        }
        if (stampStepMs > m_holeMs) {
            m_cues.push_back({m_previousMs, clipMs, "NO RECORDING " + Clock(m_previousTime) + " - " + Clock(fTime)});
        } else if (stampStepMs <= 0) {
            char text[64];
            std::snprintf(text, sizeof text, "CLOCK STEPPED BACK %.3f s", static_cast<double>(-stampStepMs) / 1000);
            m_cues.push_back({clipMs, clipMs + kStepCueMs, stampStepMs < 0 ? text : "TIME STAMP REPEATED"});
        }
    }
    m_previousTime = fTime;
    m_previousMs = clipMs;
}

void ClipCaptions::Finish(int64_t endMs)
{
    if (m_started)
        m_cues.push_back({m_secondStartMs, endMs, RecordedTime(m_second)});
    m_cues = BackToBack(m_cues);
}

// Sweeps the instants where a cue starts or ends; between two neighbouring instants the cues
// that hold are joined, one line each, in the order they were made.
std::vector<ClipCaptions::Cue> ClipCaptions::BackToBack(const std::vector<Cue>& cues)
{
    std::vector<std::pair<int64_t, size_t>> starts, ends;
    std::vector<int64_t> instants;
    for (size_t i = 0; i < cues.size(); ++i) {
        const int64_t end = std::max(cues[i].startMs, cues[i].endMs);
        starts.emplace_back(cues[i].startMs, i);
        ends.emplace_back(end, i);
        instants.insert(instants.end(), {cues[i].startMs, end});
    }
    std::ranges::sort(starts);
    std::ranges::sort(ends);
    std::ranges::sort(instants);
    instants.erase(std::unique(instants.begin(), instants.end()), instants.end());
    std::vector<Cue> out;
    std::vector<size_t> active; // the few cues that hold at the sweep's instant
    size_t s = 0, e = 0;
    for (size_t k = 0; k + 1 < instants.size(); ++k) {
        for (; s < starts.size() && starts[s].first <= instants[k]; ++s)
            active.insert(std::ranges::upper_bound(active, starts[s].second), starts[s].second);
        for (; e < ends.size() && ends[e].first <= instants[k]; ++e)
            std::erase(active, ends[e].second);
        std::string text;
        for (const size_t i : active)
            text += (text.empty() ? "" : "\n") + cues[i].text;
        if (!text.empty())
            out.push_back({instants[k], instants[k + 1], text});
    }
    return out;
}

bool ClipCaptions::WriteUntil(int64_t ms, ClipMuxer& muxer)
{
    for (; m_written < m_cues.size() && m_cues[m_written].startMs <= ms; ++m_written) {
        const Cue& c = m_cues[m_written];
        if (!muxer.WriteCaption(m_track, c.text, c.startMs, c.endMs))
            return false;
    }
    return true;
}

} // namespace vrctool
