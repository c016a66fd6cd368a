#include "bench/display_decode/ControlBench.h"

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>

#include <QCoreApplication>
#include <QThread>
#include <QWidget>

#include "display/ControlRegistry.h"

namespace bench {
namespace {

using Clock = std::chrono::steady_clock;

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Starts a new peak of the resident size (Linux keeps one per process).
void ResetPeakRss() { std::ofstream("/proc/self/clear_refs") << "5"; }

long PeakRssKb()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return 0;
}

} // namespace

ControlBench::ControlBench()
{
    if (!m_library.LoadAndRegister())
        throw std::runtime_error("the control library could not be loaded");
    const display::ControlInstance control = display::ControlRegistry::Create(display::kPlayerControlClassId, nullptr, nullptr);
    if (!control.widget)
        throw std::runtime_error("the control is not registered");
    m_widget.reset(control.widget);
    m_player.Attach(control.target);
    m_widget->show();
    m_player.SetMode(3, 0);
    m_player.SetVolume(0);
}

ControlBench::~ControlBench() { m_widget.reset(); }

void ControlBench::Push(const RecordingFrames& recording, const Frame& frame)
{
    const std::span<const uint8_t> payload = recording.Payload(frame);
    m_player.PushFrame(payload.data(), frame.fTime, static_cast<int32_t>(frame.msec % 1000), 0,
                       static_cast<int32_t>(payload.size()), static_cast<int32_t>(frame.key), frame.channel);
}

template <typename PushAll> RunResult ControlBench::Run(const RecordingFrames& recording, int tiles, PushAll pushAll)
{
    m_player.PushReset();
    m_player.SetChannelCount(recording.channels);
    m_player.SetLayout(0, tiles);
    QCoreApplication::processEvents();
    ResetPeakRss();
    RunResult result;
    std::atomic<bool> pushed{false};
    const double cpu0 = CpuSeconds();
    const auto start = Clock::now();
    std::thread play([&] {
        result.frames = pushAll();
        pushed = true;
    });
    // The GUI thread keeps drawing meanwhile, as it would in the player.
    for (int32_t running = 1; !pushed || running;) {
        QCoreApplication::processEvents();
        QThread::msleep(1);
        running = 0;
        m_player.QueryRunning(&running);
    }
    play.join();
    result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    result.cpuSeconds = CpuSeconds() - cpu0;
    result.peakRssKb = PeakRssKb();
    return result;
}

int ControlBench::Dropped()
{
    int dropped = 0;
    for (int k = 0; k < 16; ++k)
        dropped += m_player.DroppedFrames(k);
    return dropped;
}

RunResult ControlBench::PushAtSpeed(const RecordingFrames& recording, int channels, int tiles, int speed, double seconds)
{
    double reached = 0, longest = 0;
    const int droppedBefore = Dropped();
    RunResult result = Run(recording, tiles, [&] {
        const auto start = Clock::now();
        int count = 0;
        uint32_t first = 0, last = 0;
        for (const Frame& frame : recording.frames) {
            if (frame.channel >= channels)
                continue;
            if (count == 0)
                first = frame.msec;
            const auto due = start + std::chrono::microseconds(int64_t{frame.msec - first} * 1000 / speed);
            if (std::chrono::duration<double>(due - start).count() > seconds)
                break;
            // The play loop sleeps a millisecond at a time, so frames due meanwhile go together.
            while (Clock::now() < due)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            const auto before = Clock::now();
            Push(recording, frame);
            longest = std::max(longest, std::chrono::duration<double>(Clock::now() - before).count());
            last = frame.msec;
            ++count;
        }
        const double wall = std::chrono::duration<double>(Clock::now() - start).count();
        reached = wall > 0 ? (last - first) / 1000.0 / wall : 0;
        return count;
    });
    result.reachedSpeed = reached;
    result.longestPushSeconds = longest;
    result.dropped = Dropped() - droppedBefore;
    return result;
}

} // namespace bench
