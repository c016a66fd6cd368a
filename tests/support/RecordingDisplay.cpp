#include "support/RecordingDisplay.h"

#include <algorithm>

#include "display/DispId.h"

namespace testsupport {

int32_t RecordingDisplay::Invoke(int32_t dispid, std::span<const display::DispArg> args)
{
    std::lock_guard lock(m_mutex);
    if (dispid == display::kShownTime || dispid == display::kCapturedTime) {
        if (m_shown.empty())
            return -1;
        for (size_t i = 0; i < 2 && i < args.size(); ++i)
            *static_cast<int32_t*>(std::get<void*>(args[i])) = m_shown[i];
        return m_shown[5];
    }
    const auto it = m_results.find(dispid);
    const int32_t result = it == m_results.end() ? 0 : it->second;
    Call call{dispid, {}, {}, {}, m_clock ? m_clock->Now() : 0};
    const void* payload = nullptr;
    for (const display::DispArg& a : args) {
        if (const auto* i = std::get_if<int32_t>(&a))
            call.ints.push_back(*i);
        else if (const auto* t = std::get_if<std::u16string_view>(&a))
            call.text = std::u16string(*t);
        else if (const auto* p = std::get_if<const void*>(&a))
            payload = *p;
        else if (dispid == display::kQueryRunning)
            *static_cast<int32_t*>(std::get<void*>(a)) = result;
    }
    // PushFrame(payload, f_time, msec, audio, length, type, channel): the payload lives only
    // during the call, so keep a copy.
    if (dispid == display::kPushFrame && payload && call.ints.size() >= 4 && call.ints[3] > 0) {
        const auto* bytes = static_cast<const uint8_t*>(payload);
        call.payload.assign(bytes, bytes + call.ints[3]);
    }
    if (dispid == display::kPushFrame && call.ints.size() == 6 && call.ints[2] == 0)
        m_shown = call.ints[5] >= 0 ? call.ints : std::vector<int32_t>{};
    m_calls.push_back(std::move(call));
    return result;
}

std::vector<RecordingDisplay::Call> RecordingDisplay::CallsOf(int32_t dispid) const
{
    std::lock_guard lock(m_mutex);
    std::vector<Call> out;
    std::copy_if(m_calls.begin(), m_calls.end(), std::back_inserter(out), [&](const Call& c) { return c.dispid == dispid; });
    return out;
}

} // namespace testsupport
