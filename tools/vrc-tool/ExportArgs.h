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
    std::string signKey;
    // The case record: given all three (and the note) or not at all.
    std::string caseId, exhibit, operatorName, note;

    // The complaint about args, or empty.
    std::string Parse(const std::vector<std::string>& args);
    // The clip of one channel: OUT itself, or with several channels OUT-chKK.EXT.
    std::string OutputFor(int channel) const;
};

} // namespace vrctool
