#include "ui/WindowDragger.h"

#include <QWidget>
#include <QWindow>

namespace ui {

void WindowDragger::Begin(const QPoint& globalPos)
{
    QWindow* handle = m_window->windowHandle();
    if (handle && handle->startSystemMove())
        return;
    m_following = true;
    m_grabOffset = globalPos - m_window->pos();
}

void WindowDragger::MoveTo(const QPoint& globalPos)
{
    if (m_following)
        m_window->move(globalPos - m_grabOffset);
}

} // namespace ui
