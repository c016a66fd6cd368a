#include "FfmpegDecode.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace toolstest {

FfmpegDecode FfmpegDecode::Run(const std::string& path)
{
    FfmpegDecode result;
    // framecrc prints one line per decoded frame, "stream, ..."; comments begin with '#'.
    const std::string command = "ffmpeg -nostdin -v error -i '" + path + "' -f framecrc - 2>&1";
    std::FILE* p = ::popen(command.c_str(), "r");
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

} // namespace toolstest
