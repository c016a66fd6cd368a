#include "PlaybackHarness.h"

#include <chrono>
#include <cstdlib>
#include <thread>

#include "display/DispId.h"

namespace playbacktest {

void GateClock::Sleep(int milliseconds)
{
    {
        std::unique_lock lock(m_mutex);
        if (m_condition && !m_held && m_condition()) {
            m_held = true;
            m_cv.notify_all();
            m_cv.wait(lock, [this] { return m_open; });
        }
    }
    VirtualClock::Sleep(milliseconds);
}

void GateClock::CloseWhen(std::function<bool()> condition)
{
    std::lock_guard lock(m_mutex);
    m_condition = std::move(condition);
}

void GateClock::WaitUntilHeld()
{
    std::unique_lock lock(m_mutex);
    m_cv.wait(lock, [this] { return m_held; });
}

void GateClock::Open()
{
    std::lock_guard lock(m_mutex);
    m_open = true;
    m_cv.notify_all();
}

int32_t StampingDisplay::Invoke(int32_t dispid, std::span<const display::DispArg> args)
{
    if (dispid == display::kPushFrame && std::get<int32_t>(args[6]) != -1) {
        int slow = 0;
        {
            std::lock_guard lock(m_mutex);
            if (m_frames.size() == m_slowIndex)
                slow = m_slowMs;
            m_frames.push_back({std::get<int32_t>(args[6]), std::get<int32_t>(args[3]), std::get<int32_t>(args[1]),
                                std::get<int32_t>(args[2]), std::get<int32_t>(args[5]), std::get<int32_t>(args[4]),
                                m_clock.Now()});
        }
        if (slow > 0)
            m_clock.Sleep(slow);
    }
    return m_inner.Invoke(dispid, args);
}

void StampingDisplay::SlowDown(size_t index, int milliseconds)
{
    std::lock_guard lock(m_mutex);
    m_slowIndex = index;
    m_slowMs = milliseconds;
}

std::vector<Pushed> StampingDisplay::Frames() const
{
    std::lock_guard lock(m_mutex);
    return m_frames;
}

PlaybackHarness::PlaybackHarness(const testsupport::BuiltRecording& built, bool deferStart, bool realClock)
    : recording(built), clock(realClock ? static_cast<platform::Clock&>(steady) : gate)
{
    core.InitWindowDefaults();
    core.m_nDisplayMode = 3;
    if (deferStart)
        core.m_bPlayThreadStarted = 1;
}

PlaybackHarness::~PlaybackHarness()
{
    view.ReleaseSearch();
    core.Shutdown();
}

playback::FileOpenResult PlaybackHarness::Open(const std::string& name)
{
    recording.Write(dir.File(name));
    playback::FileOpenResult r = core.Open().OnFileChosen(dir.File(name));
    core.Open().FinishFileOpen(r);
    return r;
}

void PlaybackHarness::WaitFor(const std::function<bool()>& pred)
{
    while (!pred())
        std::this_thread::sleep_for(std::chrono::microseconds(200));
}

void PlaybackHarness::WaitForSearch()
{
    WaitFor([this] { return !core.SearchRunning(); });
}

void PlaybackHarness::WaitForEnd()
{
    WaitFor([this] { return core.m_bAtEnd == 1 && core.m_nPlayState == playback::kPaused; });
}

std::vector<Pushed> PlaybackHarness::PlayAtSpeed(int speed, int from)
{
    playback::TransportCommands& t = core.Transport();
    t.OnPlay();
    WaitForSearch();
    if (from > 0) {
        t.OnSeekSlider(playback::TransportCommands::kThumbPosition, true, from);
        WaitForSearch();
    }
    for (int s = std::abs(speed); s > 1; s /= 2)
        speed > 0 ? t.OnFf() : t.OnRew();
    if (speed < 0)
        t.OnRew();
    WaitForSearch();
    Start();
    WaitFor([this] {
        return (core.m_bAtEnd == 1 && core.m_nPlayState == playback::kPaused) ||
               (core.m_bSeekDone == 0 && !core.SearchRunning());
    });
    StopPlaying();
    return Frames();
}

void PlaybackHarness::StopPlaying()
{
    core.StopPlayThread();
    core.m_hPlayThread.JoinStopped();
}

Pushed FrameOf(const testsupport::BuiltRecording& built, uint32_t offset, int ch, int audio)
{
    const recording::FrameRecord r = recording::FrameRecord::Parse(built.data.data() + (offset - built.dataOffset));
    const uint32_t key = audio ? static_cast<uint32_t>(r.f_time - kT0) * 1000 + r.f_msec : r.f_msec;
    return {ch, audio, r.f_time, static_cast<int>(key % 1000), static_cast<int>(r.f_key), static_cast<int>(r.f_size), 0};
}

} // namespace playbacktest
