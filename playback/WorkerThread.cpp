#include "playback/WorkerThread.h"

#include <algorithm>
#include <cstdio>

namespace playback {
namespace {
constexpr int kStopPolls = 100;
} // namespace

WorkerThread::~WorkerThread()
{
    if (m_thread.joinable()) {
        m_signals->quit.Set();
        m_signals->run.Reset();
        m_stopped.push_back({std::move(m_thread), m_signals});
    }
    if (JoinStopped())
        return;
    for (Stopped& s : m_stopped)
        s.thread.detach();
}

void WorkerThread::Start(Body body)
{
    ReapReturned();
    m_signals = std::make_shared<WorkerSignals>();
    m_eventCount = 2;
    // The thread begins only once the record is complete, as a thread created suspended.
    std::shared_ptr<WorkerSignals> signals = m_signals;
    m_thread = std::thread([signals, body = std::move(body)] {
        body(*signals);
        signals->returned = true;
    });
    m_id = m_thread.get_id();
    m_started = 1;
    m_signals->run.Set();
}

void WorkerThread::Stop(const std::atomic<int32_t>& done, platform::Clock& clock)
{
    if (!m_thread.joinable())
        return;
    m_signals->quit.Set();
    m_signals->run.Reset();
    for (int i = 0; i < kStopPolls && done.load() == 0 && !m_signals->returned.load(); ++i)
        clock.Sleep(1);
    if (m_signals->returned.load())
        m_thread.join();
    else
        m_stopped.push_back({std::move(m_thread), m_signals});
    m_thread = std::thread();
    m_id = {};
    m_signals.reset();
    m_eventCount = 0;
    m_started = 0;
}

bool WorkerThread::JoinStopped(std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    auto running = [this] {
        return std::any_of(m_stopped.begin(), m_stopped.end(), [](const Stopped& s) { return !s.shared->returned; });
    };
    while (running() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ReapReturned();
    if (m_stopped.empty())
        return true;
    std::fprintf(stderr, "Kelvora Player: the %s thread has not ended %lld ms after it was told to stop "
                         "(a read of the recording may hang)\n",
                 m_name.c_str(), static_cast<long long>(limit.count()));
    return false;
}

void WorkerThread::ReapReturned()
{
    auto returned = [](Stopped& s) {
        if (!s.shared->returned.load())
            return false;
        s.thread.join();
        return true;
    };
    m_stopped.erase(std::remove_if(m_stopped.begin(), m_stopped.end(), returned), m_stopped.end());
}

} // namespace playback
