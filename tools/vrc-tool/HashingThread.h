#pragma once
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

#include "tools/vrc-tool/Sha256.h"

namespace vrctool {

// The SHA-256 of bytes handed over in order, computed on a thread of its own, so that the
// thread that reads them goes on reading while they are hashed.
class HashingThread {
public:
    HashingThread();
    // Stops after the block being hashed; what is still queued is dropped.
    ~HashingThread();
    HashingThread(const HashingThread&) = delete;
    HashingThread& operator=(const HashingThread&) = delete;

    // Queues [data, data + size): the bytes must stay as they are until WaitFor has passed them.
    void Add(const uint8_t* data, size_t size);
    // Returns once the first `bytes` bytes handed over are hashed.
    void WaitFor(uint64_t bytes);
    // The digest of everything handed over, as 64 lower-case hex digits.
    std::string HexDigest();

private:
    void Run();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::pair<const uint8_t*, size_t>> m_queue;
    uint64_t m_added = 0;
    uint64_t m_hashed = 0;
    bool m_stop = false;
    Sha256 m_sha; // the thread's alone until it has hashed all that was added
    std::thread m_thread;
};

} // namespace vrctool
