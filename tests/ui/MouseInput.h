#pragma once
// Simulated mouse input sent straight to one widget, as the window system delivers it while that
// widget holds the mouse (so points outside the widget still reach it).
#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QWidget>

namespace test {

inline void Send(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent event(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}
inline void Press(QWidget* w, QPoint pos) { Send(w, QEvent::MouseButtonPress, pos, Qt::LeftButton, Qt::LeftButton); }
inline void Drag(QWidget* w, QPoint pos) { Send(w, QEvent::MouseMove, pos, Qt::NoButton, Qt::LeftButton); }
inline void Hover(QWidget* w, QPoint pos) { Send(w, QEvent::MouseMove, pos, Qt::NoButton, Qt::NoButton); }
inline void Release(QWidget* w, QPoint pos) { Send(w, QEvent::MouseButtonRelease, pos, Qt::LeftButton, Qt::NoButton); }
inline void Click(QWidget* w, QPoint pos) { Press(w, pos); Release(w, pos); }

// Runs posted events (queued notifications and repaints) until none are left.
inline void Settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

inline QImage Snapshot(QWidget* w) { return w->grab().toImage().convertToFormat(QImage::Format_RGB32); }

// A widget that counts its paints, to tell a needless repaint from none.
template <class Widget>
class PaintCounter : public Widget {
public:
    using Widget::Widget;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* e) override
    {
        ++paints;
        Widget::paintEvent(e);
    }
};

} // namespace test
