#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/FileIdentity.h"

namespace platform {

// A read-only file handle with its own position: several File objects on one path
// read independently, which is what lets the scan, the play thread and the seek thread
// share a recording without a lock. A default-constructed File is "unset".
class File {
public:
    File() = default;
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Opens an existing regular file for reading; false (and unset) when it cannot be opened
    // or is anything else (a FIFO, a device, a directory), so that no open ever waits for a
    // writer. OpenError then says why.
    bool Open(const std::string& path);
    // Why the last Open failed, in the system's words ("No such file or directory").
    const std::string& OpenError() const { return m_openError; }
    void Close();
    bool IsSet() const { return m_fd >= 0; }

    // Moves the position to an absolute offset; false when the handle is unset.
    bool Seek(uint64_t offset);
    // Reads up to size bytes at the position and advances it; returns the count read
    // (0 at the end of the file, on an error or on an unset handle).
    size_t Read(void* buffer, size_t size);
    // Seek then Read, the pair every reader of a recording uses.
    size_t ReadAt(uint64_t offset, void* buffer, size_t size);
    // The file's length, or -1 when unknown.
    int64_t Size() const;
    // Another handle on the same open file with a position of its own, for a second thread
    // to read with: it reads the file this one opened even if the path has since been
    // given to another. Unset when this one is, or when the system has no descriptor left.
    File Duplicate() const;
    // The open file's identity, or nothing when the handle is unset.
    std::optional<FileIdentity> Identity() const { return FileIdentity::OfDescriptor(m_fd); }

private:
    int m_fd = -1;
    uint64_t m_position = 0;
    std::string m_openError;
};

} // namespace platform
