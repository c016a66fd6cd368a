// Plays a fuzzed recording: open, Play, the slider and ff or rew chosen by the input's last
// byte, then the real play and seek threads on a clock that does not sleep, until the stream
// ends, no search finds a key frame, or a bounded number of frames or virtual minutes.

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

#include "display/CVorquil_Ctrl_Player.h"
#include "display/DispId.h"
#include "fuzz/ScratchFile.h"
#include "platform/VirtualClock.h"
#include "playback/NullPlayerView.h"
#include "playback/PlayerCore.h"

namespace {

// Reads every payload byte handed over, so a frame pointing past its buffer is caught.
class TouchingDisplay : public display::DispatchTarget {
public:
    int32_t Invoke(int32_t dispid, std::span<const display::DispArg> args) override
    {
        if (dispid != display::kPushFrame)
            return 0;
        const auto* p = static_cast<const uint8_t*>(std::get<const void*>(args[0]));
        const int32_t length = std::get<int32_t>(args[4]);
        uint8_t sum = 0;
        for (int32_t i = 0; p && i < length; ++i)
            sum = static_cast<uint8_t>(sum + p[i]);
        m_sum = m_sum + sum;
        ++m_frames;
        return 0;
    }
    std::atomic<long> m_frames{0};
    std::atomic<uint8_t> m_sum{0};
};

constexpr long kMaxFrames = 3000;
constexpr int64_t kMaxVirtualMs = 10 * 60 * 1000;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const fuzz::ScratchFile scratch("fuzz-playback", data, size);
    const std::string& path = scratch.Path();
    if (path.empty())
        return 0;

    platform::VirtualClock clock;
    TouchingDisplay target;
    display::CVorquil_Ctrl_Player ctrl(&target);
    playback::NullPlayerView view;
    playback::PlayerCore core(ctrl, view, clock);
    core.InitWindowDefaults();
    core.m_nDisplayMode = 3;
    core.m_bPlayThreadStarted = 1;
    const uint8_t script = data[size - 1];
    core.m_bIFrameOnly = script & 1;

    const playback::FileOpenResult opened = core.Open().OnFileChosen(path);
    core.Open().FinishFileOpen(opened);
    if (!core.m_bFileOpened)
        return 0;
    playback::TransportCommands& t = core.Transport();
    t.OnPlay();
    core.WaitForSearch();
    if (script & 2) {
        t.OnSeekSlider(playback::TransportCommands::kThumbPosition, true, core.m_nSeekMax / 2);
        core.WaitForSearch();
    }
    const int presses = script >> 4 & 7;
    for (int i = 0; i < presses; ++i)
        (script & 4) ? t.OnRew() : t.OnFf();
    core.WaitForSearch();
    core.StartPlayThread();
    while (core.m_bAtEnd == 0 && target.m_frames < kMaxFrames && clock.Now() < kMaxVirtualMs &&
           !(core.m_bSeekDone == 0 && !core.SearchRunning()))
        std::this_thread::sleep_for(std::chrono::microseconds(50));
    // A jump while playing, then the end.
    t.OnR();
    t.OnF();
    core.WaitForSearch();
    core.Shutdown();
    return 0;
}
