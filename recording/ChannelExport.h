#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace recording {

// Splits the frames of a recorder's index files (.vdx, in either case) into one file of frame
// records per channel, "<entry>/Ch/<date>_<nn>.chv", keeping the order of the index files by
// number and of the records within each. Every write is checked; what could not be written
// is reported in the result.
class ChannelExport {
public:
    static constexpr size_t kMaxIndexFiles = 300;
    static constexpr int kMaxChannels = 16;

    struct ChannelStats {
        std::string path;
        uint64_t records = 0; // whole records in the file
        uint64_t bytes = 0;
        // "<file>: <why>, <n> record(s) not written[, file removed]" when the file could not
        // be written whole; empty when it was.
        std::string failure;
    };
    struct Result {
        int indexFilesRead = 0;
        std::vector<ChannelStats> channels; // one per channel file
        // The texts of the channels' failures: the export lost data when there is any.
        std::vector<std::string> Failures() const;
    };

    // folder is the storage folder joined with the selected entry of the folder list.
    static Result Run(const std::string& folder);

    // The numbers of the folder's index files, in the order they are read.
    static std::vector<long> IndexNumbers(const std::string& folder);
};

} // namespace recording
