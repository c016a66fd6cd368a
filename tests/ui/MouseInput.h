#pragma once
// Simulated mouse input sent straight to one widget, as the window system delivers it while that
// widget holds the mouse (so points outside the widget still reach it), and answers to the menus
// and boxes a widget opens.
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <functional>
#include <ostream>

// Texts as text, not as arrays of code units, in failure messages.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

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

// Answers what the window opens in nested event loops (menus, modal boxes): each step runs from
// a timer until it returns true, then the next one. Steps still waiting after five seconds close
// whatever is open, so that a wrong menu or box fails the test rather than hanging it.
class Answers {
public:
    explicit Answers(std::deque<std::function<bool()>> steps) : m_steps(std::move(steps))
    {
        m_clock.start();
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (!m_steps.empty() && m_steps.front()())
                m_steps.pop_front();
            else if (!m_steps.empty() && m_clock.hasExpired(5000))
                for (QWidget* open : {QApplication::activePopupWidget(), QApplication::activeModalWidget()})
                    if (open)
                        open->close();
        });
        m_timer.start(10);
    }
    bool Done() const { return m_steps.empty(); }

private:
    std::deque<std::function<bool()>> m_steps;
    QTimer m_timer;
    QElapsedTimer m_clock;
};

inline bool CloseModalBox()
{
    if (QWidget* modal = QApplication::activeModalWidget())
        modal->close();
    return false;
}

} // namespace test
