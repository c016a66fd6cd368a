// The control library's one export: it makes the display control creatable by its class
// identifier, as the player window's item 1043 expects.
#include "display/ControlRegistry.h"
#include "display/control/PlayerControl.h"

namespace {

display::ControlInstance CreatePlayerControl(QWidget* parent, display::DisplayEventSink* sink)
{
    auto* control = new display::PlayerControl(parent, sink);
    return {control, control};
}

} // namespace

extern "C" __attribute__((visibility("default"))) long DllRegisterServer()
{
    display::ControlRegistry::Register(display::kPlayerControlClassId, CreatePlayerControl);
    return 0;
}
