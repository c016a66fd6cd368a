#pragma once
#include <string>
#include <vector>

namespace bench {

struct FfmpegResult {
    bool ok = false;
    int frames = 0;
    double seconds = 0; // ffmpeg's own measure of its decoding (-benchmark rtime), summed
    double cpuSeconds = 0; // its user and system time (utime + stime), summed
    long peakRssKb = 0; // largest resident size of one ffmpeg run
};

// Decodes each stream with `ffmpeg -threads 2 OPTIONS -f h264 -i STREAM -f null -`, one after
// another; OPTIONS are decoding options such as "-skip_frame nokey".
FfmpegResult RunFfmpeg(const std::vector<std::string>& streams, const std::string& options = "");

} // namespace bench
