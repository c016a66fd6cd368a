#include "bench/display_decode/BenchRecording.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace bench {
namespace {

namespace fs = std::filesystem;

bool Run(const std::string& command) { return std::system((command + " >/dev/null").c_str()) == 0; }

std::string Quote(const fs::path& path) { return "'" + path.string() + "'"; }

} // namespace

BenchRecording::Options BenchRecording::Parse(int argc, char** argv, const std::string& program, int defaultSeconds)
{
    Options options;
    options.seconds = defaultSeconds;
    options.vrcTool = (fs::canonical("/proc/self/exe").parent_path() / "vrc-tool").string();
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string flag = argv[i];
        if (flag == "--vrc-tool")
            options.vrcTool = argv[i + 1];
        else if (flag == "--dir")
            options.dir = argv[i + 1];
        else if (flag == "--recording")
            options.recording = argv[i + 1];
        else if (flag == "--seconds")
            options.seconds = std::max(1, std::atoi(argv[i + 1]));
        else
            throw std::runtime_error("usage: " + program + " [--recording FILE] [--vrc-tool PATH] [--dir DIR] [--seconds N]");
    }
    return options;
}

fs::path BenchRecording::Make(const std::string& vrcTool, const fs::path& dir, int seconds)
{
    const fs::path path = dir / ("realistic-16ch-" + std::to_string(seconds) + "s.vrc");
    if (!fs::exists(path) && !Run(vrcTool + " make-sample " + Quote(path) + " --channels 16 --seconds " +
                                  std::to_string(seconds) + " --realistic --stamp-offset 2 --gop 50"))
        throw std::runtime_error("vrc-tool make-sample failed");
    return path;
}

std::vector<std::string> BenchRecording::Extract(const std::string& vrcTool, const fs::path& dir,
                                                 const fs::path& recording, int channels)
{
    std::vector<std::string> streams;
    for (int k = 0; k < channels; ++k) {
        const fs::path out = dir / (recording.stem().string() + "-ch" + std::to_string(k) + ".h264");
        if (!Run(vrcTool + " extract " + Quote(recording) + " --channel " + std::to_string(k) + " " + Quote(out)))
            throw std::runtime_error("vrc-tool extract failed");
        streams.push_back(out.string());
    }
    return streams;
}

} // namespace bench
