#pragma once
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/Clock.h"
#include "platform/Event.h"

namespace playback {

// What a running worker shares with its record: the quit and run events (manual reset)
// and whether its body has returned. The worker keeps its own reference, so clearing the
// record never pulls the events from under it.
struct WorkerSignals {
    platform::Event quit; // index 0 of the worker wait
    platform::Event run;  // index 1
    std::atomic<bool> returned{false};

    // The worker wait: blocks until either event is set; 0 for quit, 1 for run.
    size_t Wait() { return platform::WaitAny({&quit, &run}); }
    bool QuitRequested() const { return quit.IsSet(); }
};

// The record of one worker thread: handle, identifier, its two events, the event count and
// the started flag. All empty while no worker exists.
class WorkerThread {
public:
    using Body = std::function<void(WorkerSignals&)>;

    // How long JoinStopped waits for stopped workers.
    static constexpr std::chrono::milliseconds kJoinLimit{2000};

    // name says in the log which worker did not end.
    explicit WorkerThread(std::string name) : m_name(std::move(name)) {}
    // Joins the worker and stopped ones within the limit; one that does not end then is
    // named in the log and left to the process's exit.
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Fills the record and runs body on a new thread, then sets the run event.
    void Start(Body body);
    // Sets quit, resets run and polls done (up to 100 times, 1 ms apart) until it is 1 or
    // the worker has returned; then clears the record. A worker still busy is not waited
    // for: it is kept aside until JoinStopped.
    void Stop(const std::atomic<int32_t>& done, platform::Clock& clock);
    // Waits up to limit for every stopped worker to return and joins those that did.
    // Stopped workers end at their next check of the quit event, so this is short, unless
    // one is stuck in a read (a hung network mount): that one is named in a line on stderr
    // and kept, and the result is false.
    bool JoinStopped(std::chrono::milliseconds limit = kJoinLimit);

    bool IsStarted() const { return m_started != 0; }
    // Whether the worker of the record has returned (true when there is none).
    bool HasReturned() const { return !m_signals || m_signals->returned.load(); }
    std::thread::id Id() const { return m_id; }

private:
    void ReapReturned();

    std::string m_name;
    std::thread m_thread;
    std::thread::id m_id;
    std::shared_ptr<WorkerSignals> m_signals;
    int m_eventCount = 0;
    int m_started = 0;

    struct Stopped {
        std::thread thread;
        std::shared_ptr<WorkerSignals> shared; // not "signals": the header meets Qt's keywords
    };
    std::vector<Stopped> m_stopped;
};

} // namespace playback
