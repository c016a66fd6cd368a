#pragma once
#include <filesystem>
#include <string>
#include <vector>

namespace bench {

// The realistic recording the benchmarks share, and its channels' streams, made with vrc-tool.
class BenchRecording {
public:
    // Makes (once) `vrc-tool make-sample --channels 16 --seconds N --realistic --stamp-offset 2
    // --gop 50` in dir and gives its path. Throws when vrc-tool fails.
    static std::filesystem::path Make(const std::string& vrcTool, const std::filesystem::path& dir, int seconds);
    // Extracts channels 0..channels-1 into dir with `vrc-tool extract`; the streams' paths.
    static std::vector<std::string> Extract(const std::string& vrcTool, const std::filesystem::path& dir,
                                            const std::filesystem::path& recording, int channels);
};

} // namespace bench
