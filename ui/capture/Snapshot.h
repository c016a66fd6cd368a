#pragma once
#include <filesystem>

#include "display/CVorquil_Ctrl_Player.h"
#include "ui/capture/CaptureTimeSource.h"

namespace capture {

// "~/Storage/Capture": where snapshots go.
std::filesystem::path DefaultCaptureFolder();

// Saves the picture on screen as "<folder>/<recorded time>.bmp". Gives no feedback of any
// kind: no picture, a folder that cannot be made or a file that cannot be written simply
// leave nothing behind.
class Snapshot {
public:
    Snapshot(display::CVorquil_Ctrl_Player& player, CaptureTimeSource time,
             std::filesystem::path folder = DefaultCaptureFolder());

    void Take();

private:
    display::CVorquil_Ctrl_Player& m_player;
    CaptureTimeSource m_time;
    std::filesystem::path m_folder;
};

} // namespace capture
