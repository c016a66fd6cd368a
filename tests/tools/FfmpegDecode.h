#pragma once
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

namespace toolstest {

// What the ffmpeg program makes of a media file when it decodes all of it: an outside
// decoder, so that our own reader cannot hide a fault of our own writer.
struct FfmpegDecode {
    int pictures = 0;   // frames of the first stream
    std::string errors; // everything ffmpeg complains about; empty for a clean file

    static FfmpegDecode Run(const std::string& path)
    {
        FfmpegDecode result;
        // framecrc prints one line per decoded frame, "stream, ..."; comments begin with '#'.
        std::FILE* p = ::popen(("ffmpeg -nostdin -v error -i '" + path + "' -f framecrc - 2>&1").c_str(), "r");
        char line[1024];
        while (p && std::fgets(line, sizeof line, p)) {
            if (std::strncmp(line, "0,", 2) == 0)
                ++result.pictures;
            else if (line[0] != '#' && !std::isdigit(static_cast<unsigned char>(line[0])))
                result.errors += line;
        }
        if (!p || ::pclose(p) != 0)
            result.errors += "(ffmpeg failed)";
        return result;
    }
};

} // namespace toolstest
