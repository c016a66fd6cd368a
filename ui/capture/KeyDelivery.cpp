#include "ui/capture/KeyDelivery.h"

#include <QApplication>
#include <QWindow>

namespace capture {

bool IsKeyDeliveryTo(QObject* watched, const QWidget* window)
{
    if (!window || !watched->isWindowType() || QApplication::activePopupWidget())
        return false;
    const QWindow* handle = static_cast<QWindow*>(watched);
    while (handle->parent())
        handle = handle->parent();
    return handle == window->window()->windowHandle();
}

} // namespace capture
