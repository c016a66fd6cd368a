#include "recording/ClipClock.h"

namespace recording {

int64_t ClipClock::PlaceVideo(int64_t stampMs)
{
    if (m_frames > 0) {
        const int64_t step = stampMs - m_previous;
        if (step > 0) {
            m_nominal = step <= kLongestFrameMs ? step : m_nominal;
        } else {
            m_era += step < 0 ? 1 : 0;
            m_shift += m_nominal - step;
            m_steps.push_back({m_frames, step, m_shift, stampMs, m_era});
        }
    }
    m_previous = stampMs;
    ++m_frames;
    return stampMs - m_first + m_shift + m_base;
}

std::optional<int64_t> ClipClock::PlaceSound(int64_t stampMs)
{
    if (m_soundPrevious != INT64_MIN && stampMs < m_soundPrevious)
        ++m_soundEra;
    m_soundPrevious = stampMs;
    if (m_soundEra > m_era)
        return std::nullopt;
    int64_t shift = 0;
    for (const Step& s : m_steps) {
        // The step that opened the sound's era applies to all of it; later ones from their stamp on.
        if (s.era < m_soundEra || (s.era == m_soundEra && (s.stampStepMs < 0 || s.fromStampMs <= stampMs)))
            shift = s.shiftMs;
    }
    return stampMs - m_first + shift + m_base;
}

} // namespace recording
