#pragma once
#include <string>

namespace toolstest {

// What the ffmpeg program makes of a media file when it decodes all of it: an outside
// decoder, so that our own reader cannot hide a fault of our own writer.
struct FfmpegDecode {
    int pictures = 0;   // frames of the first stream
    std::string errors; // everything ffmpeg complains about; empty for a clean file

    static FfmpegDecode Run(const std::string& path);
};

} // namespace toolstest
