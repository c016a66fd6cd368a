#pragma once
#include <filesystem>
#include <string>

#include "display/CVorquil_Ctrl_Player.h"
#include "ui/capture/CaptureTimeSource.h"

namespace capture {

// "~/Storage/Capture": where snapshots go.
std::filesystem::path DefaultCaptureFolder();

// What became of one snapshot, so the window can tell the user.
struct SnapshotOutcome {
    enum class Result { Saved, NoPicture, Failed };
    Result result = Result::NoPicture;
    std::filesystem::path path; // the file written, or the one that could not be written
    std::string reason;         // why nothing was written, in words for the user
};

// Saves the picture on screen as "<folder>/<recorded time>.bmp". A folder that cannot be
// made or a file that cannot be written leave nothing behind.
class Snapshot {
public:
    Snapshot(display::CVorquil_Ctrl_Player& player, CaptureTimeSource time,
             std::filesystem::path folder = DefaultCaptureFolder());

    SnapshotOutcome Take();

private:
    display::CVorquil_Ctrl_Player& m_player;
    CaptureTimeSource m_time;
    std::filesystem::path m_folder;
};

} // namespace capture
