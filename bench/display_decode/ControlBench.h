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
    // The recorded time pushed over the wall time it took, the frames the
    // control dropped, and the longest a single PushFrame held its caller.
    double reachedSpeed = 0;
    int dropped = 0;
    double longestPushSeconds = 0;
};

// The display control as the player gets it, shown on the current (offscreen) platform.
class ControlBench {
public:
    ControlBench();
    ~ControlBench();

    // Pushes the frames of channels 0..channels-1 at speed times their recorded pace, for at
    // most the given wall seconds, as a play loop that keeps its pace would.
    RunResult PushAtSpeed(const RecordingFrames& recording, int channels, int tiles, int speed, double seconds);

private:
    template <typename PushAll> RunResult Run(const RecordingFrames& recording, int tiles, PushAll pushAll);
    void Push(const RecordingFrames& recording, const Frame& frame);
    int Dropped();

    app::ControlLibrary m_library;
    std::unique_ptr<QWidget> m_widget;
    display::CVorquil_Ctrl_Player m_player;
};

} // namespace bench
