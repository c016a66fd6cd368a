#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/ByteSource.h"
#include "platform/File.h"
#include "tools/vrc-tool/Sha256.h"

namespace vrctool {

// A recording read once, front to back, and hashed as it is read: a read ahead of what has
// been hashed reads and hashes every byte up to it in large blocks and is served from those
// blocks, so the copy of a span and the source's SHA-256 come from the same reads of the
// disk. A read behind the blocks still kept (another run, a second clip) reads the file
// again; those bytes are in the hash already.
class HashedSource : public platform::ByteSource {
public:
    // Opens path; false with File's reason in OpenError.
    bool Open(const std::string& path);
    const std::string& OpenError() const { return m_file.OpenError(); }

    size_t ReadAt(uint64_t offset, void* buffer, size_t size) override;
    // The length at open: what the hash covers, however the file changes afterwards.
    int64_t Size() const override { return static_cast<int64_t>(m_size); }

    // Reads and hashes what no read has reached, to the end; the SHA-256 of the whole file,
    // or empty when it could not be read to its end. done, when given, hears the bytes
    // hashed so far.
    std::optional<std::string> Finish(const std::function<void(uint64_t)>& done = {});
    uint64_t Hashed() const { return m_hashed; }
    // What became of the file since it was opened (cut, rewritten), in plain words; empty
    // when nothing did.
    std::string Changed() const;

private:
    struct Block {
        uint64_t start = 0;
        size_t size = 0;
        std::vector<uint8_t> bytes;
    };
    // Four blocks of 1 MiB: a record (at most 128 KiB) and a walk's window (256 KiB) read
    // just behind the newest block are still served from memory.
    static constexpr size_t kBlock = 1 << 20;
    static constexpr size_t kBlocksKept = 4;

    bool ReadBlock();
    bool Copy(uint64_t offset, uint8_t* out, size_t size) const;

    platform::File m_file;
    std::optional<platform::FileIdentity> m_opened;
    uint64_t m_size = 0;
    uint64_t m_hashed = 0;
    bool m_failed = false;
    Sha256 m_sha;
    std::deque<Block> m_blocks;
    std::optional<std::string> m_digest;
};

} // namespace vrctool
