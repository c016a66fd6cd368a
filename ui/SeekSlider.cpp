#include "ui/SeekSlider.h"

#include "ui/GdiDraw.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <climits>
#include <cmath>

namespace ui {
namespace {

constexpr int kThumbWidth = 11;
constexpr int kThumbInset = 3;

int CodeForAction(int action)
{
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub: return SeekSlider::kLineUp;
    case QAbstractSlider::SliderSingleStepAdd: return SeekSlider::kLineDown;
    case QAbstractSlider::SliderPageStepSub: return SeekSlider::kPageUp;
    case QAbstractSlider::SliderPageStepAdd: return SeekSlider::kPageDown;
    case QAbstractSlider::SliderToMinimum: return SeekSlider::kTop;
    case QAbstractSlider::SliderToMaximum: return SeekSlider::kBottom;
    default: return -1;
    }
}

} // namespace

SeekSlider::SeekSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    connect(this, &QAbstractSlider::actionTriggered, this, [this](int action) { m_keyAction = action; });
}

QRect SeekSlider::ChannelRect() const
{
    const int margin = kThumbWidth / 2 + 2;
    const int middle = height() / 2;
    return QRect(QPoint(margin, middle - 2), QPoint(width() - margin - 1, middle + 1));
}

QRect SeekSlider::ThumbRect() const
{
    const QRect channel = ChannelRect();
    const int span = maximum() - minimum();
    const int travel = channel.width();
    const int offset = span > 0 ? static_cast<int>(static_cast<long long>(value() - minimum()) * travel / span) : 0;
    const int centre = channel.left() + offset;
    return QRect(centre - kThumbWidth / 2, kThumbInset, kThumbWidth, height() - 2 * kThumbInset);
}

bool SeekSlider::SetPosFromPoint(int x)
{
    const QRect channel = ChannelRect();
    // Right edge exclusive, as the groove's rectangle is reported.
    const double length = channel.right() + 1 - channel.left();
    const double d = (x - channel.left()) / length;
    const double wanted = minimum() + (static_cast<double>(maximum()) + 1 - minimum()) * d + 0.5 * (1 - d) - 0.5 * d;
    // Truncated toward zero; held inside int so that a far-off pointer cannot overflow.
    const long long pos = static_cast<long long>(std::clamp(std::trunc(wanted), double(INT_MIN), double(INT_MAX)));
    if (pos == value())
        return false;
    setValue(static_cast<int>(std::clamp<long long>(pos, minimum(), maximum())));
    return true;
}

void SeekSlider::Post(int code)
{
    if (!parentWidget())
        return;
    const int position = value();
    QMetaObject::invokeMethod(
        this, [this, code, position] { emit Scrolled(code, position); }, Qt::QueuedConnection);
}

void SeekSlider::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QSlider::mousePressEvent(event);
        return;
    }
    m_bReleased = 0;
    m_bMoved = false;
    m_bDragging = true;
    setFocus(Qt::MouseFocusReason);
    if (SetPosFromPoint(event->position().toPoint().x())) {
        m_bMoved = true;
        Post(kThumbTrack);
    }
    update();
}

void SeekSlider::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_bDragging) {
        QSlider::mouseMoveEvent(event);
        return;
    }
    if (SetPosFromPoint(event->position().toPoint().x())) {
        m_bMoved = true;
        Post(kThumbTrack);
    }
}

void SeekSlider::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QSlider::mouseReleaseEvent(event);
        return;
    }
    m_bReleased = 1;
    if (!m_bDragging) {
        QSlider::mouseReleaseEvent(event);
        return;
    }
    m_bDragging = false;
    if (SetPosFromPoint(event->position().toPoint().x())) {
        Post(kEndTrack);
        m_bMoved = true;
    }
    if (m_bMoved) {
        Post(kThumbPosition);
        m_bMoved = false;
    }
    update();
}

void SeekSlider::keyPressEvent(QKeyEvent* event)
{
    m_keyAction = SliderNoAction;
    QSlider::keyPressEvent(event);
    const int code = CodeForAction(m_keyAction);
    if (code >= 0)
        Post(code);
}

void SeekSlider::keyReleaseEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Left: case Qt::Key_Right: case Qt::Key_Up: case Qt::Key_Down:
    case Qt::Key_PageUp: case Qt::Key_PageDown: case Qt::Key_Home: case Qt::Key_End:
        if (!event->isAutoRepeat())
            Post(kEndTrack);
        break;
    default:
        break;
    }
    QSlider::keyReleaseEvent(event);
}

void SeekSlider::SetMarks(const QList<QPair<int, int>>& spans)
{
    m_marks = spans;
    update();
}

void SeekSlider::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect c = ChannelRect();
    gdi::Rectangle(p, c.left(), c.top(), c.right() + 1, c.bottom() + 1, kChannelOutline, kChannelFill);
    // The groove up to the thumb is lit, so the position reads at a glance on the dark bar.
    const QRect t = ThumbRect();
    gdi::FillRect(p, c.left() + 1, c.top() + 1, t.center().x(), c.bottom(), kChannelPlayed);
    const int span = std::max(1, maximum() - minimum());
    for (const auto& [first, last] : m_marks) {
        const int x0 = c.left() + 1 + (std::clamp(first, minimum(), maximum()) - minimum()) * (c.width() - 2) / span;
        const int x1 = c.left() + 1 + (std::clamp(last, minimum(), maximum()) - minimum()) * (c.width() - 2) / span;
        gdi::FillRect(p, x0, c.bottom() - 2, std::min(std::max(x1, x0 + 2), c.right()), c.bottom(), kMark);
    }
    gdi::Rectangle(p, t.left(), t.top(), t.right() + 1, t.bottom() + 1, kThumbOutline,
                   m_bDragging ? kThumbPressedFill : kThumbFill);
}

} // namespace ui
