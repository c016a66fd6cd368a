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

// Saves the picture on screen as "<folder>/<recorded time>-<channel>.bmp", named after the
// grabbed picture's own recorded time and the channel it was taken for, making the folder and
// its parent when they are missing. An existing file is never replaced: a later snapshot of the
// same second carries the milliseconds, "<recorded time>.mmm-<channel>.bmp" (then -2, -3, ...
// for the same frame again). A file that cannot be written leaves nothing behind; the outcome
// says why.
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
