#pragma once
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "display/CVorquil_Ctrl_Player.h"
#include "platform/SteadyClock.h"
#include "platform/VirtualClock.h"
#include "playback/PlayerCore.h"
#include "support/RecordingBuilder.h"
#include "support/RecordingDisplay.h"
#include "support/RecordingView.h"
#include "support/TempDir.h"

namespace playbacktest {

// 2010-03-09 08:05:07
constexpr int32_t kT0 = 1268121907;

// One frame handed to the display, with the time of the hand-over.
struct Pushed {
    int ch, audio, f_time, msec, key, len;
    int64_t at;
    bool operator==(const Pushed& o) const
    {
        return std::tie(ch, audio, f_time, msec, key, len) == std::tie(o.ch, o.audio, o.f_time, o.msec, o.key, o.len);
    }
};

// The virtual clock with a gate: the first sleep for which the chosen condition holds
// waits there until the test opens the gate, so that a test can act while a thread is
// inside a pacing wait. It then counts the 1 ms sleeps the held thread goes on with.
class GateClock : public platform::VirtualClock {
public:
    void Sleep(int milliseconds) override;
    void CloseWhen(std::function<bool()> condition)
    {
        std::lock_guard lock(m_mutex);
        m_condition = std::move(condition);
    }
    void WaitUntilHeld()
    {
        std::unique_lock lock(m_mutex);
        m_cv.wait(lock, [this] { return m_held; });
    }
    void Open()
    {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_cv.notify_all();
    }
    int SleepsAfterOpen()
    {
        std::lock_guard lock(m_mutex);
        return m_sleepsAfterOpen;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::function<bool()> m_condition;
    bool m_held = false;
    bool m_open = false;
    std::thread::id m_heldThread;
    int m_sleepsAfterOpen = 0;
};

// A core on a written recording with a virtual clock, the recording display and view.
// With deferStart the play thread runs only after Start(), so commands can be pressed
// before any frame is handed over.
class PlaybackHarness {
public:
    // realClock: the steady clock instead of the gate clock, for checks of the real pace.
    explicit PlaybackHarness(const testsupport::BuiltRecording& built, bool deferStart = false,
                             bool realClock = false);
    ~PlaybackHarness();

    // Writes the recording and opens it as the open command does after its dialog.
    playback::FileOpenResult Open(const std::string& name = "r.vrc");
    // Starts the play thread unless it runs: a second start would stop the running loop
    // with a frame read ahead in its slots, and the new loop would never show that frame.
    void Start()
    {
        if (!core.m_hPlayThread.IsStarted())
            core.StartPlayThread();
    }
    // Presses Play, waits for its search and starts the play thread.
    void Play()
    {
        core.Transport().OnPlay();
        WaitForSearch();
        Start();
    }
    // Waits (without a time limit of its own: ctest's guards a hang) until pred holds.
    void WaitFor(const std::function<bool()>& pred);
    void WaitForSearch() { WaitFor([this] { return !core.SearchRunning(); }); }
    // Stops the play thread and waits until it has returned, so that everything it did at
    // the end of the stream is visible.
    void StopPlaying()
    {
        core.StopPlayThread();
        core.m_hPlayThread.JoinStopped();
    }
    // Presses Play, moves the slider to from, presses ff or rew until the speed is reached,
    // then lets the play thread run until the stream ends (or no search found a key frame)
    // and stops it.
    std::vector<Pushed> PlayAtSpeed(int speed, int from = 0);
    // The frames handed to the display so far, without its resets.
    std::vector<Pushed> Frames() const;

    testsupport::TempDir dir;
    testsupport::BuiltRecording recording;
    GateClock gate;
    // Used only as a gate: the seek thread passes it when it shows "Searching...".
    GateClock searchGate;
    platform::SteadyClock steady;
    platform::Clock& clock;
    testsupport::RecordingDisplay display{&clock};
    display::CVorquil_Ctrl_Player ctrl{&display};
    testsupport::RecordingView view;
    playback::PlayerCore core{ctrl, view, clock};
};

// The frame a record of the built recording becomes when handed over.
Pushed FrameOf(const testsupport::BuiltRecording& built, uint32_t offset, int ch, int audio);

} // namespace playbacktest
