// Every byte string is a recording the user might open or salvage: the checks, the scan
// and salvage's search for intact records must end without a crash, a hang or a read past
// a buffer.
#include <cstdint>
#include <string>

#include "fuzz/ScratchFile.h"
#include "recording/RecordingReport.h"
#include "recording/RecordingSalvage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const fuzz::ScratchFile scratch("fuzz-info", data, size);
    const std::string& path = scratch.Path();
    if (path.empty())
        return 0;
    const recording::RecordingReport r = recording::RecordingReport::Run(path);
    platform::File file;
    if (file.Open(path))
        recording::RecordingSalvage::Find(file);
    // An accepted file always has its length; a rejected one always says why, in a message
    // and in plain words.
    if (r.ok == r.messages.empty() && r.ok == r.reason.empty())
        return 0;
    __builtin_trap();
}
