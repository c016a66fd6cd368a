#include "bench/display_decode/FfmpegReference.h"

#include <cstdio>
#include <regex>

namespace bench {

FfmpegResult RunFfmpeg(const std::vector<std::string>& streams, const std::string& options)
{
    FfmpegResult result;
    const std::regex frames(R"(frame=\s*(\d+))");
    const std::regex rtime(R"(rtime=([0-9.]+)s)");
    const std::regex maxrss(R"(maxrss=(\d+)kB)");
    const std::regex cpu(R"(utime=([0-9.]+)s stime=([0-9.]+)s)");
    for (const std::string& stream : streams) {
        const std::string command =
            "ffmpeg -hide_banner -nostdin -benchmark -threads 2 " + options + " -f h264 -i '" + stream + "' -f null - 2>&1";
        std::FILE* pipe = popen(command.c_str(), "r");
        if (!pipe)
            return result;
        std::string output;
        char buffer[4096];
        while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
            output.append(buffer, n);
        if (pclose(pipe) != 0)
            return result;
        std::smatch match;
        int streamFrames = 0;
        for (auto it = std::sregex_iterator(output.begin(), output.end(), frames); it != std::sregex_iterator(); ++it)
            streamFrames = std::stoi((*it)[1]);
        result.frames += streamFrames;
        if (std::regex_search(output, match, rtime))
            result.seconds += std::stod(match[1]);
        if (std::regex_search(output, match, cpu))
            result.cpuSeconds += std::stod(match[1]) + std::stod(match[2]);
        if (std::regex_search(output, match, maxrss))
            result.peakRssKb = std::max(result.peakRssKb, std::stol(match[1]));
    }
    result.ok = result.frames > 0 && result.seconds > 0;
    return result;
}

} // namespace bench
