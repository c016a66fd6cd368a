// Every byte string is a recording the user might open: the checks and the scan must end
// in a verdict without a crash, a hang or a read past a buffer.
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "recording/RecordingReport.h"

namespace {

const std::string& ScratchPath()
{
    static const std::string path = "/tmp/kelvora-fuzz-info-" + std::to_string(::getpid()) + ".vrc";
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::FILE* f = std::fopen(ScratchPath().c_str(), "wb");
    if (!f)
        return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    const recording::RecordingReport r = recording::RecordingReport::Run(ScratchPath());
    // An accepted file always has its length; a rejected one always says why.
    if (r.ok == r.messages.empty())
        return 0;
    __builtin_trap();
}
