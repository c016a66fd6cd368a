#pragma once
#include <cstdint>
#include <string>

#include "tools/vrc-tool/Sha256.h"

struct AVIOContext;

namespace vrctool {

// Where a clip's bytes go: written once, front to back, and hashed on the way, so the
// clip's SHA-256 never needs a second read. The container is told it cannot seek back,
// which is also what keeps it from patching bytes already hashed.
class ClipFile {
public:
    ClipFile() = default;
    ~ClipFile();
    ClipFile(const ClipFile&) = delete;
    ClipFile& operator=(const ClipFile&) = delete;

    // Creates path (an empty path only counts and hashes); empty on success, else why not.
    std::string Open(const std::string& path);
    AVIOContext* Context() const { return m_context; }
    // Flushes and closes; the error of the first write or of the close, empty when none.
    std::string Close();

    uint64_t Size() const { return m_size; }
    std::string HexDigest() { return m_sha.HexDigest(); }

private:
    static int Write(void* opaque, uint8_t* data, int size);

    AVIOContext* m_context = nullptr;
    int m_fd = -1;
    uint64_t m_size = 0;
    int m_error = 0;
    Sha256 m_sha;
};

} // namespace vrctool
