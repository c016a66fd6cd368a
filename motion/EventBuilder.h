#pragma once
#include <vector>

#include "motion/MotionEvent.h"

namespace motion {

// Collects the spans of change in time order into events: spans closer than the least gap
// become one event, but never across a hole in the recording.
class EventBuilder {
public:
    explicit EventBuilder(int minGapMs) : m_minGapMs(minGapMs) {}

    void Add(const MotionEvent& span);
    // The recording stopped here: the next span starts an event of its own.
    void Hole() { m_hole = true; }
    const std::vector<MotionEvent>& Events() const { return m_events; }

private:
    int m_minGapMs;
    bool m_hole = false;
    std::vector<MotionEvent> m_events;
};

} // namespace motion
