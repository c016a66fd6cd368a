#pragma once
#include <string>

namespace vrctool {

// The unfinished files of a command (clip.part, manifest.part): an interrupt (SIGINT,
// SIGTERM) removes every one still held and ends the program with 128 + the signal's
// number, so no half-written clip that plays is ever left behind.
class PartFiles {
public:
    // Installs the handlers; the previous ones come back when the object goes.
    PartFiles();
    ~PartFiles();
    PartFiles(const PartFiles&) = delete;
    PartFiles& operator=(const PartFiles&) = delete;

    // Holds path for removal on an interrupt until Release; false when too many are held.
    bool Hold(const std::string& path);
    void Release(const std::string& path);
    // Removes path if it exists; the error when it exists and cannot be removed.
    static std::string Remove(const std::string& path);
};

} // namespace vrctool
