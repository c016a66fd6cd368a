#pragma once
#include <cstdint>
#include <optional>
#include <string>

struct evp_md_ctx_st;

namespace vrctool {

// SHA-256 through OpenSSL's libcrypto, which uses the processor's SHA instructions where
// there are any: hashing the source must not be what the copy waits for.
class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void Update(const uint8_t* data, size_t size);
    // The digest as 64 lower-case hex digits; the object then starts a new digest.
    std::string HexDigest();

    // The digest of a block of bytes.
    static std::string Of(const uint8_t* data, size_t size);
    // The digest of a whole file, or empty when it cannot be read to its end.
    static std::optional<std::string> OfFile(const std::string& path);

private:
    evp_md_ctx_st* m_context;
};

} // namespace vrctool
