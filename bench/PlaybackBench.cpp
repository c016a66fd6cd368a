// Plays a recording with the real clock and a fake of the display that only notes the time of
// every frame handed over, so that decoding plays no part: at 1x for a chosen time, printing
// how far the hand-overs drift from the recorded time, how far each lies from where the stamps
// put it and the CPU the play thread used; then at 2x to 32x forward and 1x to 32x in reverse
// (from the end), printing the speed reached in recorded seconds per wall second.
// Beside them, the reference: how long a 1 ms sleep really takes on this machine.
//
//   bench_playback [recording.vrc [seconds at 1x]]
//
// Without a recording it writes two of 16 channels, one with every channel on the same
// milliseconds and key frames 1 s apart, and one with channel k's stamps k x 40/16 ms later
// and key frames 2 s apart, as a real recorder's are.
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "display/CVorquil_Ctrl_Player.h"
#include "display/DispId.h"
#include "platform/SteadyClock.h"
#include "playback/PlayerCore.h"
#include "support/RecordingBuilder.h"
#include "support/RecordingDisplay.h"
#include "support/RecordingView.h"
#include "support/TempDir.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int32_t kT0 = 1268121907;
constexpr int kChannels = 16;
constexpr int kSeconds = 100;
constexpr int kFastSeconds = 3;
constexpr int kSpeeds[] = {2, 4, 8, 16, 32, -1, -2, -4, -8, -16, -32};

double ThreadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// Notes the time and stamp of every frame handed over and the play thread's CPU time; every
// other call goes on to the recording fake. The payloads are not kept, so long runs of real
// footage take no memory.
class TimingDisplay : public display::DispatchTarget {
public:
    struct Frame {
        double atMs;   // wall time of the hand-over
        int64_t stamp; // the frame's stamp in ms from the first frame's second
    };
    explicit TimingDisplay(testsupport::RecordingDisplay& inner) : m_inner(inner) {}

    int32_t Invoke(int32_t dispid, std::span<const display::DispArg> args) override
    {
        if (dispid != display::kPushFrame)
            return m_inner.Invoke(dispid, args);
        if (std::get<int32_t>(args[6]) == -1)
            return 0;
        const double at = std::chrono::duration<double, std::milli>(Clock::now().time_since_epoch()).count();
        std::lock_guard lock(m_mutex);
        if (m_frames.empty()) {
            m_cpuStart = ThreadCpuMs();
            m_first = std::get<int32_t>(args[1]);
        }
        m_cpuEnd = ThreadCpuMs();
        m_frames.push_back({at, int64_t{std::get<int32_t>(args[1]) - m_first} * 1000 + std::get<int32_t>(args[2])});
        return 0;
    }
    std::vector<Frame> Frames() const
    {
        std::lock_guard lock(m_mutex);
        return m_frames;
    }
    double CpuMs() const
    {
        std::lock_guard lock(m_mutex);
        return m_cpuEnd - m_cpuStart;
    }

private:
    testsupport::RecordingDisplay& m_inner;
    mutable std::mutex m_mutex;
    int32_t m_first = 0;
    std::vector<Frame> m_frames;
    double m_cpuStart = 0, m_cpuEnd = 0;
};

struct Session {
    explicit Session(const std::string& path)
    {
        core.InitWindowDefaults();
        core.m_nDisplayMode = 3;
        const playback::FileOpenResult r = core.Open().OnFileChosen(path);
        core.Open().FinishFileOpen(r);
        opened = r.messages.empty();
    }
    // Presses Play, then ff (or, from the end, rew) until the speed is reached, and plays for
    // the time given.
    void PlayFor(int speed, std::chrono::milliseconds time)
    {
        playback::TransportCommands& t = core.Transport();
        t.OnPlay();
        if (speed < 0) {
            core.WaitForSearch();
            t.OnSeekSlider(playback::TransportCommands::kThumbPosition, true, core.m_nSeekMax - 1);
            core.WaitForSearch();
        }
        for (int s = std::abs(speed); s > 1; s /= 2)
            speed > 0 ? t.OnFf() : t.OnRew();
        if (speed < 0)
            t.OnRew();
        std::this_thread::sleep_for(time);
        core.Shutdown();
    }
    platform::SteadyClock clock;
    testsupport::RecordingDisplay fake;
    TimingDisplay timing{fake};
    display::CVorquil_Ctrl_Player ctrl{&timing};
    testsupport::RecordingView view;
    playback::PlayerCore core{ctrl, view, clock};
    bool opened = false;
};

double SleepReferenceMs()
{
    const auto start = Clock::now();
    for (int i = 0; i < 200; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count() / 200;
}

void PrintPacing(const Session& s)
{
    const std::vector<TimingDisplay::Frame> f = s.timing.Frames();
    if (f.size() < 2) {
        std::printf("  1x: no frames handed over\n");
        return;
    }
    // Each hand-over against where the first one and the stamps put it.
    std::vector<double> errors;
    for (const TimingDisplay::Frame& x : f)
        errors.push_back(std::abs(x.atMs - f[0].atMs - static_cast<double>(x.stamp - f[0].stamp)));
    std::vector<double> sorted = errors;
    std::sort(sorted.begin(), sorted.end());
    const double mean = std::accumulate(errors.begin(), errors.end(), 0.0) / errors.size();
    const double p99 = sorted[sorted.size() * 99 / 100];
    const double wall = f.back().atMs - f.front().atMs;
    const double recorded = static_cast<double>(f.back().stamp - f.front().stamp);
    std::printf("  1x: %zu frames over %.0f ms (recorded %.0f ms)\n", f.size(), wall, recorded);
    std::printf("  1x: drift %+.1f ms = %+.3f%% (target within 0.5%%)\n", wall - recorded,
                recorded > 0 ? 100.0 * (wall - recorded) / recorded : 0.0);
    std::printf("  1x: hand-over off its time: mean %.3f ms, p99 %.3f ms (targets < 2, < 5)\n", mean, p99);
    std::printf("  1x: play thread CPU %.0f ms = %.2f%% of one core (target < 5%%)\n", s.timing.CpuMs(),
                100.0 * s.timing.CpuMs() / wall);
}

void PrintSpeed(const Session& s, int speed)
{
    std::vector<TimingDisplay::Frame> f = s.timing.Frames();
    // In reverse, from the latest frame on: the ones before it came from Play at the start.
    if (speed < 0)
        f.erase(f.begin(), std::max_element(f.begin(), f.end(), [](auto& a, auto& b) { return a.stamp < b.stamp; }));
    const double wall = f.size() > 1 ? f.back().atMs - f.front().atMs : 0;
    const double recorded = f.size() > 1 ? std::abs(static_cast<double>(f.back().stamp - f.front().stamp)) : 0;
    const double reached = wall > 0 ? recorded / wall : 0;
    std::printf("  %3dx: %zu frames in %.0f ms = %.0f frames/s, speed reached %.2fx = %.0f%% of nominal\n", speed,
                f.size(), wall, wall > 0 ? 1000.0 * f.size() / wall : 0.0, reached, 100.0 * reached / std::abs(speed));
}

void Measure(const std::string& path, int seconds)
{
    std::printf("%s\n", path.c_str());
    Session normal(path);
    if (!normal.opened) {
        std::printf("  the recording does not open\n");
        return;
    }
    normal.PlayFor(1, std::chrono::seconds(seconds));
    PrintPacing(normal);
    for (int speed : kSpeeds) {
        Session fast(path);
        fast.PlayFor(speed, std::chrono::seconds(kFastSeconds));
        PrintSpeed(fast, speed);
    }
}

void WriteSynthetic(const std::string& path, bool offset)
{
    testsupport::RecordingBuilder b;
    for (int k = 0; k < kChannels; ++k)
        b.VideoRun(k, kT0, offset ? k * 40 / 16 : 0, kSeconds * 25, 40, offset ? 50 : 25, 3000);
    b.Build().Write(path);
}

} // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;
    std::printf("reference: a 1 ms sleep takes %.3f ms here\n", SleepReferenceMs());
    if (argc > 1) {
        Measure(argv[1], seconds);
        return 0;
    }
    testsupport::TempDir dir;
    for (const bool offset : {false, true}) {
        const std::string path = dir.File(offset ? "offset16-gop2s.vrc" : "aligned16-gop1s.vrc");
        WriteSynthetic(path, offset);
        Measure(path, std::min(seconds, kSeconds - 5));
    }
    return 0;
}
