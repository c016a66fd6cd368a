#pragma once
#include <condition_variable>
#include <cstddef>
#include <initializer_list>
#include <mutex>
#include <vector>

namespace platform {

class Waiter;

// A manual-reset event: once set it stays set, releasing every waiter, until reset.
class Event {
public:
    Event() = default;
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void Set();
    void Reset();
    bool IsSet() const;

private:
    friend size_t WaitAny(std::initializer_list<Event*> events);
    // Registers a waiter to be woken by Set; true when the event is already set.
    bool Attach(Waiter* waiter);
    void Detach(Waiter* waiter);

    mutable std::mutex m_mutex;
    bool m_set = false;
    std::vector<Waiter*> m_waiters;
};

// Blocks, without a time-out, until at least one of the events is set and returns the
// lowest index among the set ones, so a quit event listed first wins over a run event.
size_t WaitAny(std::initializer_list<Event*> events);

} // namespace platform
