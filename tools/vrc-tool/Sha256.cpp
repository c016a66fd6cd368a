#include "tools/vrc-tool/Sha256.h"

#include <algorithm>
#include <vector>

extern "C" {
#include <libavutil/mem.h>
#include <libavutil/sha.h>
}

#include "platform/File.h"

namespace vrctool {
namespace {
constexpr size_t kReadSize = 1 << 20;
constexpr int kBits = 256;
} // namespace

Sha256::Sha256() : m_sha(av_sha_alloc()) { av_sha_init(m_sha, kBits); }

Sha256::~Sha256() { av_free(m_sha); }

void Sha256::Update(const uint8_t* data, size_t size)
{
    // av_sha_update takes its length as an unsigned int in FFmpeg 5.
    constexpr size_t kStep = 1u << 30;
    for (size_t done = 0; done < size; done += kStep)
        av_sha_update(m_sha, data + done, static_cast<unsigned>(std::min(kStep, size - done)));
}

std::string Sha256::HexDigest()
{
    uint8_t digest[kBits / 8];
    av_sha_final(m_sha, digest);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    for (const uint8_t b : digest) {
        hex.push_back(kHex[b >> 4]);
        hex.push_back(kHex[b & 15]);
    }
    return hex;
}

std::optional<std::string> Sha256::OfFile(const std::string& path, std::atomic<uint64_t>* done)
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
        if (done)
            done->store(total, std::memory_order_relaxed);
    }
    if (size < 0 || total != static_cast<uint64_t>(size))
        return std::nullopt;
    return sha.HexDigest();
}

} // namespace vrctool
