#include "ui/capture/SnapshotKeyFilter.h"

#include <utility>

#include <QApplication>
#include <QKeyEvent>
#include <QWindow>

namespace capture {

SnapshotKeyFilter::SnapshotKeyFilter(QWidget* playerWindow, std::function<void()> onSnapshot, QObject* parent)
    : QObject(parent), m_playerWindow(playerWindow), m_onSnapshot(std::move(onSnapshot))
{
    QCoreApplication::instance()->installEventFilter(this);
}

bool SnapshotKeyFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || !IsPlayerWindow(watched))
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_S && !(key->modifiers() & Qt::AltModifier))
        m_onSnapshot();
    return false; // the focused control still gets the key
}

// A key reaches the window system's window first and then the focused widget and its
// parents, all through the application's filters. Looking only at the window's own
// delivery sees each keystroke exactly once, whichever child has the focus.
bool SnapshotKeyFilter::IsPlayerWindow(QObject* watched) const
{
    if (!m_playerWindow || !watched->isWindowType())
        return false;
    // An open menu takes the keys for itself.
    if (QApplication::activePopupWidget())
        return false;
    const QWindow* window = static_cast<QWindow*>(watched);
    while (window->parent())
        window = window->parent();
    return window == m_playerWindow->window()->windowHandle();
}

} // namespace capture
