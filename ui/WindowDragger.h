#pragma once
// Moves a frameless window when the user drags its surface. The window manager moves it where it
// can; otherwise (no window manager, the offscreen platform) the window follows the pointer itself.
#include <QPoint>

class QWidget;

namespace ui {

class WindowDragger {
public:
    explicit WindowDragger(QWidget* window) : m_window(window) {}

    void Begin(const QPoint& globalPos);
    void MoveTo(const QPoint& globalPos);
    void End() { m_following = false; }
    bool IsFollowing() const { return m_following; }

private:
    QWidget* m_window;
    bool m_following = false;
    QPoint m_grabOffset;
};

} // namespace ui
