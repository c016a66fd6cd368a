#pragma once
#include <memory>

#include "app/startup/ControlLibrary.h"
#include "bench/display_decode/RecordingFrames.h"
#include "display/CVorquil_Ctrl_Player.h"

class QWidget;

namespace bench {

struct RunResult {
    int frames = 0;
    double seconds = 0;    // wall time from the first push until nothing is left to decode
    double cpuSeconds = 0; // user + system time of the whole process meanwhile
    long peakRssKb = 0;    // highest resident size during the run
    double lateSeconds = 0; // paced runs: how far the last push fell behind its stamp
};

// The display control as the player gets it, shown on the current (offscreen) platform.
class ControlBench {
public:
    ControlBench();
    ~ControlBench();

    // Pushes every frame from a play thread as fast as the control accepts them.
    RunResult PushAsFastAsAccepted(const RecordingFrames& recording, int tiles);
    // Pushes the frames at their recorded pace for at most the given seconds.
    RunResult PushInRealTime(const RecordingFrames& recording, int tiles, double seconds);

private:
    template <typename PushAll> RunResult Run(const RecordingFrames& recording, int tiles, PushAll pushAll);
    void Push(const RecordingFrames& recording, const Frame& frame);

    app::ControlLibrary m_library;
    std::unique_ptr<QWidget> m_widget;
    display::CVorquil_Ctrl_Player m_player;
};

} // namespace bench
