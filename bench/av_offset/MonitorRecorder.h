#pragma once
#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace avoffset {

// Records a PulseAudio source with parec (16-bit mono, raw) on a thread of its own, noting on
// the steady clock when each block of samples arrives. A sample cannot arrive before it was
// played, so the earliest arrival less the samples received so far bounds when the first
// sample played; with parec asked for 10 ms blocks the bound is close.
class MonitorRecorder {
public:
    using Clock = std::chrono::steady_clock;

    MonitorRecorder(std::string source, int rate);
    ~MonitorRecorder();
    MonitorRecorder(const MonitorRecorder&) = delete;
    MonitorRecorder& operator=(const MonitorRecorder&) = delete;

    // Empty on success, else why parec could not be started.
    std::string Start();
    void Stop();
    // Whether parec has delivered sound yet.
    bool Receiving() const { return m_receiving.load(); }

    // After Stop: the samples, and when the first of them played.
    const std::vector<int16_t>& Samples() const { return m_samples; }
    Clock::time_point FirstSample() const { return m_first; }
    // After Stop: the median of how much later than that bound the blocks arrived.
    double MedianBlockDelayMs() const;
    Clock::time_point At(size_t sample) const;

private:
    void Read(int fd);

    const std::string m_source;
    const int m_rate;
    pid_t m_pid = -1;
    std::thread m_reader;
    std::atomic<bool> m_receiving{false};
    std::vector<int16_t> m_samples;
    // Per block: arrival time less the duration of every sample received up to it.
    std::vector<Clock::time_point> m_blockStarts;
    Clock::time_point m_first;
};

} // namespace avoffset
