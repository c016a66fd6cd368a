#pragma once
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

#include "recording/RecordingHeader.h"

namespace sample {

// Writes a recording file straight to disk, run after run, so that even a file of
// gigabytes never sits in memory: the space of the header is reserved first, the runs
// follow, and the header is written last, once every run's place is known.
class RecordingWriter {
public:
    RecordingWriter() = default;
    ~RecordingWriter();
    RecordingWriter(const RecordingWriter&) = delete;
    RecordingWriter& operator=(const RecordingWriter&) = delete;

    // Creates (or truncates) the file for a header of the given version (0, 1 or 2).
    bool Open(const std::string& path, int version);

    // A run is a channel's records back to back, each linked to its predecessor.
    void BeginRun();
    // Appends one record whose payload is `prefix` followed by `payload`.
    bool Append(int32_t fTime, uint32_t fMsec, uint32_t fKey, std::span<const uint8_t> prefix,
                std::span<const uint8_t> payload);
    // Places the run just written into the entry (startPos/endPos, relative to the data offset).
    void EndRun(recording::ChannelEntry& entry) const;

    // Writes the header in its place (for version 2 also the trailing block) and closes.
    bool Finish(const recording::RecordingHeader& header);

    const std::string& Error() const { return m_error; }

private:
    bool Write(const void* bytes, size_t size);
    bool Fail(const std::string& what);

    std::FILE* m_file = nullptr;
    std::string m_path;
    int m_version = 0;
    uint64_t m_dataOffset = 0;
    uint64_t m_end = 0;       // absolute offset where the next record goes
    uint64_t m_runStart = 0;
    uint32_t m_prevSize = 0;
    std::string m_error;
};

} // namespace sample
