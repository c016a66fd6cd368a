#pragma once
#include <string>

namespace sample {

// Writes a small recorder storage folder: VX01/DISK0001 holding index files (.vdx) whose
// records interleave really encoded H.264 frames of several channels, a second per index
// file, numbered 1, 2, 10, 11, ... so that reading them in number order matters; plus an
// empty VX01/DISK0002 and VX02/DISK0005 as further entries of the folder list.
class StorageWriter {
public:
    static constexpr const char* kEntry = "VX01/DISK0001";

    // Empty on success, else what went wrong.
    static std::string Write(const std::string& dir, int channels, int seconds);

    // The number of the index file that holds second s.
    static long IndexNumber(int second) { return second == 0 ? 1 : second == 1 ? 2 : 8 + second; }
};

} // namespace sample
