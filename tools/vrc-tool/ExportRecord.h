#pragma once
#include <string>

#include "tools/vrc-tool/ExportArgs.h"

namespace vrctool {

// Who exported what for which case, when by this machine's clock and with which libraries:
// what an examiner states beside a clip. verify cannot derive the time, host or libraries
// again; the signature is what vouches for them.
class ExportRecord {
public:
    // The "record" object of a manifest.
    static std::string Json(const ExportArgs& args);
    // The members verify leaves out of its comparison.
    static constexpr const char* kUnderivable[] = {".record.exportedUtc", ".record.host", ".record.libraries"};
};

} // namespace vrctool
