#pragma once
#include <chrono>
#include <cstdint>

namespace display {

// How fast recorded time passes on screen, from the recorded times of the frames handed over
// and when they came. Frames come in recorded order, forward or backward; a gap in the
// handing over (a pause) or a jump in recorded time (a seek) starts the measure afresh.
class PaceMeter {
public:
    using Clock = std::chrono::steady_clock;
    // Recorded time over wall time is measured over windows of at least this long.
    static constexpr std::chrono::milliseconds kWindow{120};
    // Nothing handed over for this long is a pause.
    static constexpr std::chrono::milliseconds kPause{150};
    static constexpr int64_t kJumpMs = 5000;

    // recordedMs: the frame's recorded time in milliseconds.
    void Note(int64_t recordedMs, Clock::time_point now);
    // Whether the last full window played faster than 1x (with room for pacing jitter).
    bool Fast() const { return m_fast; }
    // Whether the last full window went back in recorded time (rewind).
    bool Backward() const { return m_backward; }
    Clock::time_point LastNote() const { return m_last; }

private:
    Clock::time_point m_windowStart{};
    Clock::time_point m_last{};
    int64_t m_windowRecorded = 0;
    int64_t m_lastRecorded = 0;
    bool m_fast = false;
    bool m_backward = false;
};

} // namespace display
