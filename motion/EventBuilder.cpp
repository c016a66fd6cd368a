#include "motion/EventBuilder.h"

#include <algorithm>

namespace motion {

void EventBuilder::Add(const MotionEvent& span)
{
    if (!m_events.empty() && !m_hole && m_events.back().end.MsUntil(span.start) < m_minGapMs) {
        MotionEvent& last = m_events.back();
        last.end = span.end;
        last.peak = std::max(last.peak, span.peak);
    } else {
        m_events.push_back(span);
    }
    m_hole = false;
}

} // namespace motion
