#include "ui/RegionSelector.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace ui {

RegionSelector::RegionSelector(QWidget* display) : QWidget(display)
{
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TranslucentBackground);
    setCursor(Qt::CrossCursor);
    setFocusPolicy(Qt::StrongFocus);
    setGeometry(display->rect());
    show();
    raise();
    setFocus();
}

void RegionSelector::paintEvent(QPaintEvent*)
{
    if (m_region.isEmpty())
        return;
    QPainter p(this);
    p.setPen(QPen(kEdge, 2));
    p.setBrush(QColor(kEdge.red(), kEdge.green(), kEdge.blue(), 40));
    p.drawRect(m_region.adjusted(1, 1, -1, -1));
}

void RegionSelector::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_anchor = event->position().toPoint();
    m_region = {};
    m_dragging = true;
    update();
}

void RegionSelector::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging)
        return;
    m_region = QRect(m_anchor, event->position().toPoint()).normalized().intersected(rect());
    update();
}

void RegionSelector::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_dragging)
        return;
    mouseMoveEvent(event);
    m_dragging = false;
    // A click without a drag draws nothing; the user may try again.
    if (m_region.width() > 2 && m_region.height() > 2)
        emit Chosen(m_region);
}

void RegionSelector::keyPressEvent(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Escape)
        return QWidget::keyPressEvent(event);
    emit Cancelled();
}

} // namespace ui
