#pragma once
#include <string>

class QWidget;

namespace display {

class DispatchTarget;
class DisplayEventSink;

// A display control made by a registered factory: the widget to place in the window (owned
// by its parent) and the same object as the target of the player's calls.
struct ControlInstance {
    QWidget* widget = nullptr;
    DispatchTarget* target = nullptr;
};

// Makes a control as a child of parent that reports its events to sink (which must outlive it).
using ControlFactory = ControlInstance (*)(QWidget* parent, DisplayEventSink* sink);

// The class identifier under which the control library registers the player's display control
// (dialog item 1043).
inline constexpr char kPlayerControlClassId[] = "{6F1C2A44-3B7E-4D1A-9C55-0E7A1B2C3D43}";

// The registry of control classes, shared by the player and the control library. It lives in a
// library of its own so that both meet here without the player linking the control library:
// the control library's DllRegisterServer registers its factory, the player window creates
// its item from the class identifier. Safe to use from any thread.
class ControlRegistry {
public:
    static void Register(const std::string& classId, ControlFactory factory);
    static void Unregister(const std::string& classId);
    static bool IsRegistered(const std::string& classId);
    // An empty instance when the class is not registered.
    static ControlInstance Create(const std::string& classId, QWidget* parent, DisplayEventSink* sink);
};

} // namespace display
