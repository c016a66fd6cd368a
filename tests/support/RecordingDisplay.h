#pragma once
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "display/DispatchTarget.h"

namespace testsupport {

// A display control fake that logs every call with copies of its arguments and returns
// results chosen by the test. Safe to call from several threads at once.
class RecordingDisplay : public display::DispatchTarget {
public:
    struct Call {
        int32_t dispid = 0;
        std::vector<int32_t> ints;       // integer arguments in order
        std::u16string text;             // the text argument, if any
        std::vector<uint8_t> payload;    // PushFrame: a copy of the payload bytes
        bool operator==(const Call&) const = default;
    };

    int32_t Invoke(int32_t dispid, std::span<const display::DispArg> args) override;

    // The result Invoke returns for a dispid (0 unless set).
    void SetResult(int32_t dispid, int32_t result);
    // QueryRunning writes this into the caller's long.
    void SetRunning(int32_t running);

    std::vector<Call> Calls() const;
    std::vector<Call> CallsOf(int32_t dispid) const;
    void Clear();

private:
    mutable std::mutex m_mutex;
    std::vector<Call> m_calls;
    std::map<int32_t, int32_t> m_results;
    int32_t m_running = 0;
};

} // namespace testsupport
