#include "ui/SkinButton.h"

#include "res/Resources.h"

#include <QMouseEvent>
#include <QPainter>

namespace ui {

SkinButton::SkinButton(QWidget* parent, Type type) : QAbstractButton(parent), m_nType(type)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void SkinButton::SetBitmaps(int normal, int down, int over, int checked)
{
    m_bmpNormal = res::LoadBitmap(normal);
    m_bmpDown = res::LoadBitmap(down);
    m_bmpOver = res::LoadBitmap(over);
    m_bmpChecked = res::LoadBitmap(checked);
}

void SkinButton::SetCheck(bool checked)
{
    m_bChecked = checked && m_nType != Type::Push;
    update();
}

QSize SkinButton::sizeHint() const
{
    return m_bmpNormal.isNull() ? QSize(19, 19) : m_bmpNormal.size();
}

void SkinButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QPixmap* look = nullptr;
    if (!isEnabled())
        look = &m_bmpNormal;
    else if (isDown() || m_bChecked)
        look = m_bChecked && !m_bmpChecked.isNull() ? &m_bmpChecked : &m_bmpDown;
    else if (m_bHover && !m_bmpOver.isNull() && !m_bmpNormal.isNull())
        look = &m_bmpOver;
    else
        look = &m_bmpNormal;
    if (look->isNull())
        p.fillRect(rect(), palette().color(QPalette::Button));
    else
        p.drawPixmap(rect(), *look);
}

void SkinButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_bHover = false;   // the pressed look takes over; hover returns with the next move
    QAbstractButton::mousePressEvent(event);
    if (event->button() == Qt::LeftButton)
        m_bButtonDown = true;
}

void SkinButton::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_bButtonDown && !m_bHover) {
        m_bHover = true;
        update();
    }
    QAbstractButton::mouseMoveEvent(event);
}

void SkinButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_bButtonDown = false;
    QAbstractButton::mouseReleaseEvent(event);
}

void SkinButton::leaveEvent(QEvent* event)
{
    m_bHover = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void SkinButton::focusOutEvent(QFocusEvent* event)
{
    m_bButtonDown = false;
    QAbstractButton::focusOutEvent(event);
}

} // namespace ui
