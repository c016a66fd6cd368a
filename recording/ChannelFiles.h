#pragma once
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "recording/ChannelExport.h"
#include "recording/IndexRecord.h"

namespace recording {

// The channel files of one export, created with its first record. Every record is written
// with one unbuffered write, so a failed write is known at the record it hit. A channel whose
// file fails takes no more records; the file is removed when this export created it, and
// otherwise cut back to its whole records. Nothing else is ever removed.
class ChannelFiles {
public:
    bool Created() const { return !m_channels.empty(); }

    // Makes "<folder>/Ch" and the files "<date>_<nn>.chv" for channels 0..chCount-1 (an
    // existing file is emptied). False when the channel count cannot be served.
    bool Create(const std::string& folder, const std::string& date, uint32_t chCount);
    // Appends the record to its channel's file; a channel beyond the count is left out.
    void Append(const IndexRecord& r, int32_t fTime, const std::vector<uint8_t>& payload);
    // Closes every file and reports each one and what was lost.
    void Finish(ChannelExport::Result& result);

private:
    using FilePtr = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;
    struct Channel {
        FilePtr file{nullptr, std::fclose};
        bool existed = false; // there was a file of that name before this export
        uint32_t prevSize = 0;
        ChannelExport::ChannelStats stats;
        uint64_t lost = 0;
        std::string error; // why the file is not whole, empty while it is
        bool removed = false;
    };

    void Fail(Channel& channel, int error);

    std::vector<Channel> m_channels;
    std::vector<uint8_t> m_record;
};

} // namespace recording
