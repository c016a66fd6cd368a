#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// What tells one file from another and a file from its own earlier state: a recording that is
// cut, overwritten or replaced under the same name no longer has the identity it was opened with.
struct FileIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = 0;
    int64_t mtimeNs = 0;

    bool operator==(const FileIdentity&) const = default;

    // The file a path names now (following links), or nothing when it cannot be examined.
    static std::optional<FileIdentity> OfPath(const std::string& path);
    // The file behind an open descriptor.
    static std::optional<FileIdentity> OfDescriptor(int fd);
    // In plain words, what changed from before to now; empty when nothing did.
    static std::string Change(const FileIdentity& before, const std::optional<FileIdentity>& now);
};

} // namespace platform
