#include "platform/Event.h"

#include <algorithm>

namespace platform {

// One blocked WaitAny call: the events it listens to wake it through this.
class Waiter {
public:
    void Wake()
    {
        std::lock_guard lock(m_mutex);
        m_woken = true;
        m_cv.notify_one();
    }
    void Sleep()
    {
        std::unique_lock lock(m_mutex);
        m_cv.wait(lock, [this] { return m_woken; });
        m_woken = false;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_woken = false;
};

void Event::Set()
{
    std::lock_guard lock(m_mutex);
    m_set = true;
    for (Waiter* w : m_waiters)
        w->Wake();
}

void Event::Reset()
{
    std::lock_guard lock(m_mutex);
    m_set = false;
}

bool Event::IsSet() const
{
    std::lock_guard lock(m_mutex);
    return m_set;
}

bool Event::Attach(Waiter* waiter)
{
    std::lock_guard lock(m_mutex);
    m_waiters.push_back(waiter);
    return m_set;
}

void Event::Detach(Waiter* waiter)
{
    std::lock_guard lock(m_mutex);
    m_waiters.erase(std::remove(m_waiters.begin(), m_waiters.end(), waiter), m_waiters.end());
}

size_t WaitAny(std::initializer_list<Event*> events)
{
    Waiter waiter;
    for (Event* e : events)
        e->Attach(&waiter);
    size_t found = events.size();
    while (found == events.size()) {
        size_t i = 0;
        for (Event* e : events) {
            if (e->IsSet()) {
                found = i;
                break;
            }
            ++i;
        }
        if (found == events.size())
            waiter.Sleep();
    }
    for (Event* e : events)
        e->Detach(&waiter);
    return found;
}

} // namespace platform
