// Plays a 16-channel recording with the real clock and the recording fake of the display:
// at 1x for 20 s, printing how far each hand-over lies from where the stamps put it and the
// CPU the play thread used; at 32x, printing the frames handed over per second. Beside them,
// the reference: how long a 1 ms sleep really takes on this machine.
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <numeric>
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
constexpr int kSeconds = 30;

double ThreadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// Notes the time of every frame handed over and the play thread's CPU time, then passes the
// call on to the recording fake.
class TimingDisplay : public display::DispatchTarget {
public:
    struct Frame {
        double atMs;   // wall time of the hand-over
        int64_t stamp; // the frame's stamp in ms
    };
    explicit TimingDisplay(testsupport::RecordingDisplay& inner) : m_inner(inner) {}

    int32_t Invoke(int32_t dispid, std::span<const display::DispArg> args) override
    {
        if (dispid == display::kPushFrame && std::get<int32_t>(args[6]) != -1) {
            const double at = std::chrono::duration<double, std::milli>(Clock::now().time_since_epoch()).count();
            const int64_t stamp = int64_t{std::get<int32_t>(args[1]) - kT0} * 1000 + std::get<int32_t>(args[2]);
            std::lock_guard lock(m_mutex);
            if (m_frames.empty())
                m_cpuStart = ThreadCpuMs();
            m_cpuEnd = ThreadCpuMs();
            m_frames.push_back({at, stamp});
        }
        return m_inner.Invoke(dispid, args);
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
    }
    void PlayFor(int ffPresses, std::chrono::milliseconds time)
    {
        core.Transport().OnPlay();
        for (int i = 0; i < ffPresses; ++i)
            core.Transport().OnFf();
        std::this_thread::sleep_for(time);
        core.Shutdown();
    }
    platform::SteadyClock clock;
    testsupport::RecordingDisplay fake;
    TimingDisplay timing{fake};
    display::CVorquil_Ctrl_Player ctrl{&timing};
    testsupport::RecordingView view;
    playback::PlayerCore core{ctrl, view, clock};
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
        std::printf("1x: no frames handed over\n");
        return;
    }
    // Each hand-over against the one before it plus the stamp difference: the pacing error.
    std::vector<double> errors;
    for (size_t i = 1; i < f.size(); ++i)
        errors.push_back(std::abs(f[i].atMs - (f[i - 1].atMs + static_cast<double>(f[i].stamp - f[i - 1].stamp))));
    std::vector<double> sorted = errors;
    std::sort(sorted.begin(), sorted.end());
    const double mean = std::accumulate(errors.begin(), errors.end(), 0.0) / errors.size();
    const double p99 = sorted[sorted.size() * 99 / 100];
    const double wall = f.back().atMs - f.front().atMs;
    const double recorded = static_cast<double>(f.back().stamp - f.front().stamp);
    std::printf("1x: %zu frames over %.0f ms (recorded %.0f ms)\n", f.size(), wall, recorded);
    std::printf("1x: pacing error per hand-over: mean %.3f ms, p99 %.3f ms (targets < 2, < 5)\n", mean, p99);
    std::printf("1x: drift from the stamps over the run: %+.0f ms (no catch-up by design)\n", wall - recorded);
    std::printf("1x: play thread CPU %.0f ms = %.2f%% of one core (target < 5%%)\n", s.timing.CpuMs(),
                100.0 * s.timing.CpuMs() / wall);
}

} // namespace

int main()
{
    testsupport::TempDir dir;
    const std::string path = dir.File("bench16.vrc");
    testsupport::RecordingBuilder b;
    for (int k = 0; k < kChannels; ++k)
        b.VideoRun(k, kT0, 0, kSeconds * 25, 40, 25, 6000);
    b.Build().Write(path);
    std::printf("reference: a 1 ms sleep takes %.3f ms here\n", SleepReferenceMs());

    Session normal(path);
    normal.PlayFor(0, std::chrono::seconds(20));
    PrintPacing(normal);

    Session fast(path);
    fast.PlayFor(5, std::chrono::seconds(3));
    const std::vector<TimingDisplay::Frame> f = fast.timing.Frames();
    const double wall = f.size() > 1 ? f.back().atMs - f.front().atMs : 0;
    std::printf("32x: %zu frames in %.0f ms = %.0f frames/s handed over\n", f.size(), wall,
                wall > 0 ? 1000.0 * f.size() / wall : 0.0);
    return 0;
}
