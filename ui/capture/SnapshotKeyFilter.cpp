#include "ui/capture/SnapshotKeyFilter.h"

#include <utility>

#include <QApplication>
#include <QKeyEvent>

#include "ui/capture/KeyDelivery.h"

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

bool SnapshotKeyFilter::IsPlayerWindow(QObject* watched) const
{
    return IsKeyDeliveryTo(watched, m_playerWindow);
}

} // namespace capture
