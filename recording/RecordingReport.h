#pragma once
#include <string>
#include <vector>

#include "recording/ChannelTables.h"
#include "recording/HeaderCheck.h"
#include "recording/StreamScan.h"

namespace recording {

// Every check the open command makes on a chosen file, from the size rule on, and the
// scan, without a window: what vrc-tool and the fuzz target report.
struct RecordingReport {
    bool readable = false;                // the path could be opened for reading
    bool ok = false;                      // accepted
    std::vector<RecordingError> messages; // in the order the user would see them
    HeaderCheck header;
    ChannelTables tables;
    SystemTime firstFrameTime;
    ScanResult scan;

    static RecordingReport Run(const std::string& path);

    // The year of the data area's first record, read through the given handle.
    static SystemTime ReadFirstFrameTime(platform::File& file, uint32_t dataOffset);
};

} // namespace recording
