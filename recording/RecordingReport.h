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
    std::string openError;                // when it could not: the system's reason
    bool ok = false;                      // accepted
    std::vector<RecordingError> messages; // in the order the user would see them
    std::string reason;                   // with messages: the rule that failed, in plain words
    HeaderCheck header;
    ChannelTables tables;
    SystemTime firstFrameTime;
    ScanResult scan;

    static RecordingReport Run(const std::string& path);

    // The year of the data area's first record, read through the given handle.
    static SystemTime ReadFirstFrameTime(platform::File& file, uint32_t dataOffset);

private:
    // Adds the message that ends the checks and why; returns the report as it now stands.
    RecordingReport Refuse(RecordingError error, std::string why);
};

} // namespace recording
