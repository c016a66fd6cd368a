#pragma once
#include <cstddef>
#include <cstdint>

namespace platform {

// What a walk through a recording needs of the file it reads: bytes at an offset and the
// file's length. A File gives them from the disk; a source that hashes the file as it is
// read gives them from the bytes it hashed.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Up to size bytes at offset; the count read (0 at the end of the file or on an error).
    virtual size_t ReadAt(uint64_t offset, void* buffer, size_t size) = 0;
    // The file's length, or -1 when unknown.
    virtual int64_t Size() const = 0;
};

} // namespace platform
