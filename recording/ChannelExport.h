#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace recording {

// Splits the frames of a recorder's index files (.vdx) into one file of frame records per
// channel, "<entry>/Ch/<date>_<nn>.chv", keeping the order of the index files by number and
// of the records within each.
class ChannelExport {
public:
    static constexpr size_t kMaxIndexFiles = 300;
    static constexpr int kMaxChannels = 16;

    struct ChannelStats {
        std::string path;
        uint64_t records = 0;
        uint64_t bytes = 0;
    };
    struct Result {
        int indexFilesRead = 0;
        std::vector<ChannelStats> channels; // one per channel file created
    };

    // folder is the storage folder joined with the selected entry of the folder list.
    static Result Run(const std::string& folder);

    // The numbers of the folder's index files, in the order they are read.
    static std::vector<long> IndexNumbers(const std::string& folder);
};

} // namespace recording
