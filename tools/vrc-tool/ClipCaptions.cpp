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
    std::ranges::stable_sort(m_cues, {}, &Cue::startMs);
}

bool ClipCaptions::WriteUntil(int64_t ms, ClipMuxer& muxer)
{
    for (; m_written < m_cues.size() && m_cues[m_written].startMs <= ms; ++m_written) {
        const Cue& c = m_cues[m_written];
        if (!muxer.WriteCaption(c.text, c.startMs, c.endMs))
            return false;
    }
    return true;
}

} // namespace vrctool
