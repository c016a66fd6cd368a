#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vrctool {

// What an export command line asks for. verify reads it back from a manifest to derive the
// clip again, so both read it through the same parser.
struct ExportArgs {
    std::string file;
    std::string out;
    std::vector<int> channels;
    std::optional<int32_t> from, to;
    std::string fromText, toText;
    bool audio = false;
    bool force = false;
    bool tracks = false; // the channels as tracks of one clip
    std::string signKey;
    // The case record: given all three (and the note) or not at all.
    std::string caseId, exhibit, operatorName, note;

    // The complaint about args, or empty.
    std::string Parse(const std::vector<std::string>& args);
    // The clip of one channel: OUT itself, or with several channels (not as tracks) OUT-chKK.EXT.
    std::string OutputFor(int channel) const;
};

} // namespace vrctool
