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
    // The status change time: a write moves it even when the modification time is then set
    // back, and so do a rename and a change of owner or mode.
    int64_t ctimeNs = 0;

    bool operator==(const FileIdentity&) const = default;

    // The file a path names now (following links), or nothing when it cannot be examined.
    static std::optional<FileIdentity> OfPath(const std::string& path);
    // The file behind an open descriptor.
    static std::optional<FileIdentity> OfDescriptor(int fd);
    // In plain words, what changed from before to now; empty when nothing did. status: a
    // moved status change time counts too, for a reader that must know the bytes are the
    // ones it read even from someone who sets the modification time back.
    static std::string Change(const FileIdentity& before, const std::optional<FileIdentity>& now, bool status = false);
};

} // namespace platform
