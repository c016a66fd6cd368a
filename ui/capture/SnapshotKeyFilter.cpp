#include "ui/capture/SnapshotKeyFilter.h"

#include <algorithm>
#include <utility>

#include <QApplication>
#include <QKeyEvent>

#include "ui/capture/KeyDelivery.h"

namespace capture {

SnapshotKeyFilter::SnapshotKeyFilter(QWidget* playerWindow, std::function<void()> onSnapshot, QObject* parent)
    : QObject(parent), m_windows{playerWindow}, m_onSnapshot(std::move(onSnapshot))
{
    QCoreApplication::instance()->installEventFilter(this);
}

bool SnapshotKeyFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || !IsWatched(watched))
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_S && !(key->modifiers() & Qt::AltModifier))
        m_onSnapshot();
    return false; // the focused control still gets the key
}

void SnapshotKeyFilter::Watch(QWidget* window) { m_windows.emplace_back(window); }

bool SnapshotKeyFilter::IsWatched(QObject* watched) const
{
    return std::any_of(m_windows.begin(), m_windows.end(),
                       [watched](const QPointer<QWidget>& w) { return IsKeyDeliveryTo(watched, w); });
}

} // namespace capture
