#pragma once
#include <cstdint>
#include <span>
#include <string_view>
#include <variant>

namespace display {

// One argument of a dispatched call: a 32-bit integer, an address read by the callee,
// an address written by the callee, or a text valid only during the call.
using DispArg = std::variant<int32_t, const void*, void*, std::u16string_view>;

// What a display control is to the player: a target of calls by dispatch identifier.
// A control accepts calls from the GUI thread and the play thread at once.
class DispatchTarget {
public:
    virtual ~DispatchTarget() = default;
    // Returns the call's result (0 where the operation has none).
    virtual int32_t Invoke(int32_t dispid, std::span<const DispArg> args) = 0;
};

// Receives the control's events (event id and its two long arguments).
class DisplayEventSink {
public:
    virtual ~DisplayEventSink() = default;
    virtual void OnDisplayEvent(int32_t eventId, int32_t arg1, int32_t arg2) = 0;
};

} // namespace display
