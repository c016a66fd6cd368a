#include "tools/vrc-tool/Sha256.h"

#include <openssl/evp.h>
#include <vector>

#include "platform/File.h"

namespace vrctool {
namespace {
constexpr size_t kReadSize = 1 << 20;

// Fetched once: a digest started from EVP_sha256() looks the algorithm up again every
// time, which costs a third of hashing a frame's payload.
const EVP_MD* Algorithm()
{
    static EVP_MD* const algorithm = EVP_MD_fetch(nullptr, "SHA256", nullptr);
    return algorithm;
}
} // namespace

Sha256::Sha256() : m_context(EVP_MD_CTX_new()) { EVP_DigestInit_ex2(m_context, Algorithm(), nullptr); }

Sha256::~Sha256() { EVP_MD_CTX_free(m_context); }

void Sha256::Update(const uint8_t* data, size_t size) { EVP_DigestUpdate(m_context, data, size); }

std::string Sha256::HexDigest()
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(m_context, digest, &length);
    EVP_DigestInit_ex2(m_context, Algorithm(), nullptr);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        hex.push_back(kHex[digest[i] >> 4]);
        hex.push_back(kHex[digest[i] & 15]);
    }
    return hex;
}

std::string Sha256::Of(const uint8_t* data, size_t size)
{
    Sha256 sha;
    sha.Update(data, size);
    return sha.HexDigest();
}

std::optional<std::string> Sha256::OfFile(const std::string& path)
{
    platform::File file;
    if (!file.Open(path))
        return std::nullopt;
    const int64_t size = file.Size();
    Sha256 sha;
    std::vector<uint8_t> buffer(kReadSize);
    uint64_t total = 0;
    while (const size_t n = file.Read(buffer.data(), buffer.size())) {
        sha.Update(buffer.data(), n);
        total += n;
    }
    if (size < 0 || total != static_cast<uint64_t>(size))
        return std::nullopt;
    return sha.HexDigest();
}

} // namespace vrctool
