#include "display/control/DigitalZoom.h"

#include <algorithm>

namespace display {

QRectF DigitalZoom::Visible() const { return QRectF(m_origin, QSizeF(1.0 / m_scale, 1.0 / m_scale)); }

QPointF DigitalZoom::ToPicture(QPointF viewPoint) const { return m_origin + viewPoint / m_scale; }

void DigitalZoom::ZoomAbout(QPointF anchor, double factor)
{
    const QPointF held = ToPicture(anchor);
    m_scale = std::clamp(m_scale * factor, 1.0, kMaxScale);
    m_origin = held - anchor / m_scale;
    Clamp();
}

void DigitalZoom::Pan(QPointF shift)
{
    m_origin -= shift / m_scale;
    Clamp();
}

void DigitalZoom::Reset() { *this = DigitalZoom(); }

void DigitalZoom::Clamp()
{
    // Zooming in about a point of the view never needs this; zooming out near an edge and
    // panning do.
    const double room = 1.0 - 1.0 / m_scale;
    m_origin.setX(std::clamp(m_origin.x(), 0.0, room));
    m_origin.setY(std::clamp(m_origin.y(), 0.0, room));
}

} // namespace display
