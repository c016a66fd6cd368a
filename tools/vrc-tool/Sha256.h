#pragma once
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

struct AVSHA;

namespace vrctool {

// SHA-256 through libavutil, so hashing adds no library of its own.
class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void Update(const uint8_t* data, size_t size);
    // The digest as 64 lower-case hex digits; the object is spent afterwards.
    std::string HexDigest();

    // The digest of a whole file, or empty when it cannot be read to its end. done, when
    // given, counts the bytes hashed so far for a progress display on another thread.
    static std::optional<std::string> OfFile(const std::string& path, std::atomic<uint64_t>* done = nullptr);

private:
    AVSHA* m_sha;
};

} // namespace vrctool
