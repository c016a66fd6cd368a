#pragma once
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
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

// One frame handed to the display, with the virtual time of the hand-over.
struct Pushed {
    int ch, audio, f_time, msec, key, len;
    int64_t at;
    bool operator==(const Pushed& o) const
    {
        return ch == o.ch && audio == o.audio && f_time == o.f_time && msec == o.msec && key == o.key && len == o.len;
    }
};

// The virtual clock with a gate: the first sleep for which the chosen condition holds
// waits there until the test opens the gate, so that a test can act while a thread is
// inside a pacing wait.
class GateClock : public platform::VirtualClock {
public:
    void Sleep(int milliseconds) override;
    void CloseWhen(std::function<bool()> condition);
    void WaitUntilHeld();
    void Open();

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::function<bool()> m_condition;
    bool m_held = false;
    bool m_open = false;
};

// Passes every call to the recording display and notes the clock at each frame. One frame's
// hand-over can be made to take time, as a display that falls behind does.
class StampingDisplay : public display::DispatchTarget {
public:
    StampingDisplay(testsupport::RecordingDisplay& inner, platform::Clock& clock) : m_inner(inner), m_clock(clock) {}
    int32_t Invoke(int32_t dispid, std::span<const display::DispArg> args) override;
    std::vector<Pushed> Frames() const;
    // The hand-over of frame index (counted from 0) sleeps milliseconds on the clock.
    void SlowDown(size_t index, int milliseconds);

private:
    testsupport::RecordingDisplay& m_inner;
    platform::Clock& m_clock;
    mutable std::mutex m_mutex;
    std::vector<Pushed> m_frames;
    size_t m_slowIndex = SIZE_MAX;
    int m_slowMs = 0;
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

    // Opens the written recording as the open command does after its dialog.
    playback::FileOpenResult Open(const std::string& name = "r.vrc");
    void Start() { core.StartPlayThread(); }
    // Waits (without a time limit of its own: ctest's guards a hang) until pred holds.
    void WaitFor(const std::function<bool()>& pred);
    void WaitForSearch();
    // Until the play loop has found the end of the stream and paused.
    void WaitForEnd();
    // Stops the play thread and waits until it has returned, so that everything it did at
    // the end of the stream is visible.
    void StopPlaying();
    // Presses Play, moves the slider to from, presses ff or rew until the speed is reached,
    // then lets the play thread run until the stream ends (or no search found a key frame)
    // and stops it.
    std::vector<Pushed> PlayAtSpeed(int speed, int from = 0);
    std::vector<Pushed> Frames() const { return stamper.Frames(); }

    testsupport::TempDir dir;
    testsupport::BuiltRecording recording;
    GateClock gate;
    platform::SteadyClock steady;
    platform::Clock& clock;
    testsupport::RecordingDisplay display;
    StampingDisplay stamper{display, clock};
    display::CVorquil_Ctrl_Player ctrl{&stamper};
    testsupport::RecordingView view;
    playback::PlayerCore core{ctrl, view, clock};
};

// The frame a record of the built recording becomes when handed over.
Pushed FrameOf(const testsupport::BuiltRecording& built, uint32_t offset, int ch, int audio);

} // namespace playbacktest
