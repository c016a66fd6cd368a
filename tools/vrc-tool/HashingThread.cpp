#include "tools/vrc-tool/HashingThread.h"

namespace vrctool {

HashingThread::HashingThread() : m_thread([this] { Run(); }) {}

HashingThread::~HashingThread()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void HashingThread::Add(const uint8_t* data, size_t size)
{
    {
        std::lock_guard lock(m_mutex);
        m_queue.emplace_back(data, size);
        m_added += size;
    }
    m_changed.notify_all();
}

void HashingThread::WaitFor(uint64_t bytes)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return m_hashed >= bytes || m_hashed == m_added; });
}

std::string HashingThread::HexDigest()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return m_hashed == m_added; });
    return m_sha.HexDigest();
}

void HashingThread::Run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [&] { return m_stop || !m_queue.empty(); });
        if (m_stop)
            return;
        const auto [data, size] = m_queue.front();
        m_queue.pop_front();
        lock.unlock();
        m_sha.Update(data, size);
        lock.lock();
        m_hashed += size;
        m_changed.notify_all();
    }
}

} // namespace vrctool
