#pragma once
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "display/DispatchTarget.h"
#include "platform/Clock.h"

namespace testsupport {

// A display control fake that logs every call with copies of its arguments, and the time
// of the call when given a clock, and returns results chosen by the test. Safe to call from
// several threads at once.
class RecordingDisplay : public display::DispatchTarget {
public:
    struct Call {
        int32_t dispid = 0;
        std::vector<int32_t> ints;    // integer arguments in order
        std::u16string text;          // the text argument, if any
        std::vector<uint8_t> payload; // PushFrame: a copy of the payload bytes
        int64_t at = 0;               // the clock's time of the call
    };

    // ShownTime and CapturedTime are answered, unlogged, with the last video frame pushed (the
    // reset form clears it), as if every frame were painted at once.
    explicit RecordingDisplay(platform::Clock* clock = nullptr) : m_clock(clock) {}
    int32_t Invoke(int32_t dispid, std::span<const display::DispArg> args) override;

    // The result Invoke returns for a dispid (0 unless set). QueryRunning writes its result
    // into the caller's long instead.
    void SetResult(int32_t dispid, int32_t result)
    {
        std::lock_guard lock(m_mutex);
        m_results[dispid] = result;
    }

    std::vector<Call> Calls() const
    {
        std::lock_guard lock(m_mutex);
        return m_calls;
    }
    std::vector<Call> CallsOf(int32_t dispid) const;
    void Clear()
    {
        std::lock_guard lock(m_mutex);
        m_calls.clear();
    }

private:
    platform::Clock* m_clock;
    mutable std::mutex m_mutex;
    std::vector<Call> m_calls;
    std::map<int32_t, int32_t> m_results;
    std::vector<int32_t> m_shown; // PushFrame's integers of the last video frame
};

} // namespace testsupport
