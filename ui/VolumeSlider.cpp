#include "ui/VolumeSlider.h"

#include "ui/GdiDraw.h"

#include <QMouseEvent>
#include <QWheelEvent>
#include <QPainter>
#include <algorithm>

namespace ui {

VolumeSlider::VolumeSlider(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

bool VolumeSlider::SetRange(int min, int max)
{
    m_nMin = min;
    m_nMax = max;
    m_nRange = max - min;
    return true;
}

bool VolumeSlider::SetPos(int pos)
{
    if (pos < 0 || pos > m_nRange)
        return false;
    m_nPos = pos;
    update();
    return true;
}

bool VolumeSlider::Step(int steps)
{
    const int pos = std::clamp(m_nPos + steps, 0, std::max(m_nRange, 0));
    return pos != m_nPos && SetPos(pos);
}

void VolumeSlider::wheelEvent(QWheelEvent* event)
{
    constexpr int kNotch = 120;
    m_wheelRest += event->angleDelta().y();
    const int notches = m_wheelRest / kNotch;
    m_wheelRest %= kNotch;
    if (Step(notches))
        emit TrackEnded();
}

void VolumeSlider::SetPosFromPoint(int x)
{
    const int length = width();
    const int margin = length / 12;
    const int usable = length - (2 * length) / 12;
    if (usable <= 0)
        return;
    const double v = std::clamp(static_cast<double>(x - margin) / usable * m_nRange, 0.0, double(std::max(m_nRange, 0)));
    const int pos = static_cast<int>(v);
    if (pos != m_nPos) {
        m_nPos = pos;
        update();
    }
}

void VolumeSlider::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && !m_bDragging) {
        m_bDragging = true;
        m_bHot = true;
        SetPosFromPoint(event->position().toPoint().x());
    }
}

void VolumeSlider::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pt = event->position().toPoint();
    if (m_bDragging)
        SetPosFromPoint(pt.x());
    const bool over = m_rcThumb.contains(pt);
    if (over != m_bHot) {
        m_bHot = over;
        update();
    }
}

void VolumeSlider::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (m_bDragging) {
        m_bDragging = false;
        SetPosFromPoint(event->position().toPoint().x());
        update();
    }
    emit TrackEnded();
}

void VolumeSlider::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const int w = width();
    const int h = height();
    gdi::FillRect(p, 0, 0, w, h, kBack);

    const int x0 = w / 12;
    const int x1 = w - w / 12;
    const int t = x1 - x0;
    const int m = h / 2;
    const double f = static_cast<double>(m_nPos) / (m_nRange + 1);

    gdi::FillRect(p, x0 - 1, m - 2, x1 + 1, m + 2, Qt::black);
    gdi::FillRect(p, x0, m - 1, x1, m + 1, kTrackBlue);
    gdi::FillRect(p, static_cast<int>(x0 + t * f), m - 1, x1, m + 1, kTrackGrey);

    const int tl = static_cast<int>(x0 + t * f - t / 12);
    const int tr = static_cast<int>(x0 + t / 12 + t * f);
    const int tt = m - t / 20;
    const int tb = m + t / 16;
    // (tl, tt - 1) to (tr - 1, tb - 1) with the right and bottom edges exclusive.
    m_rcThumb = QRect(QPoint(tl, tt - 1), QPoint(tr - 2, tb - 2));
    gdi::FillRect(p, tl, tt - 1, tr - 1, tb - 1, kTrackGrey);
    gdi::FillRect(p, tl + 1, tt, tr - 2, tb - 2, kThumbFace);

    const int wt = (tr - 1) - tl;
    const int ht = tb - tt;
    gdi::FillRect(p, tl + wt / 3 - 1, tt + ht / 4, tl + wt / 3 + 6, tb - 2 - ht / 4,
                  m_bDragging ? kTrackBlue : kDark);
}

} // namespace ui
