#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "platform/File.h"

namespace vrctool {

// The SHA-256 of a recording, worked out front to back on threads of its own (one reads,
// one hashes) while the copies read their spans through another handle. SHA-256 cannot be
// split: in one pass with the copy, the hash of everything after a span would wait for the
// span's copy, so an export would cost its copy plus the hash of the rest; side by side it
// costs the longer of the two. A change to the file between the two reads shows in its
// identity, status change time included, which the export compares when it ends.
class SourceHash {
public:
    SourceHash() = default;
    // Stops reading; a digest not yet finished is dropped.
    ~SourceHash();
    SourceHash(const SourceHash&) = delete;
    SourceHash& operator=(const SourceHash&) = delete;

    // Starts hashing the file `source` has open, through descriptors of its own on that open
    // file, so that the hash and the copies read the same file whatever its path comes to
    // name. False when no descriptor is left for it.
    bool Start(const platform::File& source);

    // The length at open: what the hash covers, however the file changes afterwards.
    int64_t Size() const { return static_cast<int64_t>(m_size); }
    // The bytes hashed so far.
    uint64_t Hashed() const { return m_hashed.load(std::memory_order_relaxed); }
    // Waits for the end of the file; its SHA-256, or empty when it could not be read to its
    // end. done, when given, hears the bytes hashed so far while it waits.
    std::optional<std::string> Finish(const std::function<void(uint64_t)>& done = {});
    // What became of the file since it was opened (cut, rewritten), in plain words; empty
    // when nothing did.
    std::string Changed() const;

private:
    void Run(platform::File file);

    platform::File m_file; // for what the file has become
    std::optional<platform::FileIdentity> m_opened;
    uint64_t m_size = 0;
    std::atomic<uint64_t> m_hashed{0};
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_ended{false};
    std::string m_digest; // written by the thread, read after it is joined
    std::thread m_thread;
};

} // namespace vrctool
