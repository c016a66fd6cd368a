#pragma once
#include <filesystem>
#include <string>
#include <vector>

namespace bench {

// The realistic recording the benchmarks share, and its channels' streams, made with vrc-tool.
class BenchRecording {
public:
    // What both benchmarks take: [--recording FILE] [--vrc-tool PATH] [--dir DIR] [--seconds N].
    struct Options {
        std::string vrcTool; // by default the vrc-tool beside the running program
        std::filesystem::path dir = std::filesystem::temp_directory_path() / "kelvora-bench";
        std::filesystem::path recording;
        int seconds = 0;
    };
    // Throws the usage, naming the program, on anything else.
    static Options Parse(int argc, char** argv, const std::string& program, int defaultSeconds);

    // Makes (once) `vrc-tool make-sample --channels 16 --seconds N --realistic --stamp-offset 2
    // --gop 50` in dir and gives its path. Throws when vrc-tool fails.
    static std::filesystem::path Make(const std::string& vrcTool, const std::filesystem::path& dir, int seconds);
    // Extracts channels 0..channels-1 into dir with `vrc-tool extract`; the streams' paths.
    static std::vector<std::string> Extract(const std::string& vrcTool, const std::filesystem::path& dir,
                                            const std::filesystem::path& recording, int channels);
};

} // namespace bench
