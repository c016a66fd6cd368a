#include "tools/vrc-tool/SourceHash.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <vector>

#include "tools/vrc-tool/HashingThread.h"

namespace vrctool {
namespace {
// Large reads cost the fewest system calls; much larger ones no longer fit the cache the
// hash reads them from.
constexpr size_t kBlock = 1 << 20;
// Blocks read and waiting for the hash: enough that neither thread waits on the other.
constexpr size_t kBlocks = 4;
constexpr std::chrono::milliseconds kProgressEvery{50};
} // namespace

SourceHash::~SourceHash()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

bool SourceHash::Start(const platform::File& source)
{
    m_file = source.Duplicate();
    platform::File reader = source.Duplicate();
    if (!m_file.IsSet() || !reader.IsSet())
        return false;
    m_size = static_cast<uint64_t>(std::max<int64_t>(m_file.Size(), 0));
    m_opened = m_file.Identity();
    m_thread = std::thread(&SourceHash::Run, this, std::move(reader));
    return true;
}

void SourceHash::Run(platform::File file)
{
    // Reading and hashing overlap too: once the copies are done, both cores work on the hash.
    std::array<std::vector<uint8_t>, kBlocks> blocks;
    HashingThread hasher;
    uint64_t done = 0;
    for (size_t i = 0; done < m_size && !m_stop; ++i) {
        std::vector<uint8_t>& block = blocks[i % kBlocks];
        // The block read kBlocks reads ago must be hashed before it is read over.
        hasher.WaitFor(done - std::min<uint64_t>(done, (kBlocks - 1) * kBlock));
        block.resize(kBlock);
        const size_t n = file.ReadAt(done, block.data(), static_cast<size_t>(std::min<uint64_t>(kBlock, m_size - done)));
        if (n == 0)
            break;
        hasher.Add(block.data(), n);
        done += n;
        m_hashed.store(done, std::memory_order_relaxed); // within a few blocks of the hash
    }
    if (done == m_size)
        m_digest = hasher.HexDigest();
    m_ended = true;
}

std::optional<std::string> SourceHash::Finish(const std::function<void(uint64_t)>& done)
{
    while (done && m_thread.joinable() && !m_ended) {
        done(Hashed());
        std::this_thread::sleep_for(kProgressEvery);
    }
    if (m_thread.joinable())
        m_thread.join();
    return m_digest.empty() ? std::nullopt : std::optional(m_digest);
}

std::string SourceHash::Changed() const
{
    // The copy and the hash read the file apart: any change at all between open and now
    // could make them read different bytes.
    return m_opened ? platform::FileIdentity::Change(*m_opened, m_file.Identity(), true) : std::string();
}

} // namespace vrctool
