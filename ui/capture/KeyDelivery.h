#pragma once
#include <QObject>
#include <QWidget>

namespace capture {

// A key reaches the window system's window first and then the focused widget and its parents,
// all through the application's filters. True when `watched` is the first of those deliveries
// for `window` (so each keystroke is seen exactly once, whichever child has the focus) and no
// menu is open to take the key for itself.
bool IsKeyDeliveryTo(QObject* watched, const QWidget* window);

} // namespace capture
