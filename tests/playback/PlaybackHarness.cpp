#include "PlaybackHarness.h"

#include <chrono>
#include <cstdlib>

#include "display/DispId.h"

namespace playbacktest {

void GateClock::Sleep(int milliseconds)
{
    {
        std::unique_lock lock(m_mutex);
        if (m_open && milliseconds == 1 && std::this_thread::get_id() == m_heldThread)
            ++m_sleepsAfterOpen;
        if (m_condition && !m_held && m_condition()) {
            m_held = true;
            m_heldThread = std::this_thread::get_id();
            m_cv.notify_all();
            m_cv.wait(lock, [this] { return m_open; });
        }
    }
    VirtualClock::Sleep(milliseconds);
}

PlaybackHarness::PlaybackHarness(const testsupport::BuiltRecording& built, bool deferStart, bool realClock)
    : recording(built), clock(realClock ? static_cast<platform::Clock&>(steady) : gate)
{
    view.onSearching = [this] { searchGate.Sleep(0); };
    core.InitWindowDefaults();
    core.m_nDisplayMode = 3;
    if (deferStart)
        core.m_bPlayThreadStarted = 1;
}

PlaybackHarness::~PlaybackHarness()
{
    searchGate.Open();
    core.Shutdown();
}

playback::FileOpenResult PlaybackHarness::Open(const std::string& name)
{
    const std::string path = dir.File(name);
    recording.Write(path);
    playback::FileOpenResult r = core.Open().OnFileChosen(path);
    core.Open().FinishFileOpen(r);
    return r;
}

void PlaybackHarness::WaitFor(const std::function<bool()>& pred)
{
    while (!pred())
        std::this_thread::sleep_for(std::chrono::microseconds(200));
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

std::vector<Pushed> PlaybackHarness::Frames() const
{
    std::vector<Pushed> frames;
    for (const testsupport::RecordingDisplay::Call& c : display.CallsOf(::display::kPushFrame)) {
        const std::vector<int32_t>& a = c.ints; // f_time, msec, audio, length, type, channel
        if (a[5] != -1) // not a reset
            frames.push_back({a[5], a[2], a[0], a[1], a[4], a[3], c.at});
    }
    return frames;
}

Pushed FrameOf(const testsupport::BuiltRecording& built, uint32_t offset, int ch, int audio)
{
    const recording::FrameRecord r = recording::FrameRecord::Parse(built.data.data() + (offset - built.dataOffset));
    const uint32_t key = audio ? static_cast<uint32_t>(r.f_time - kT0) * 1000 + r.f_msec : r.f_msec;
    return {ch, audio, r.f_time, static_cast<int>(key % 1000), static_cast<int>(r.f_key), static_cast<int>(r.f_size), 0};
}

} // namespace playbacktest
