#pragma once
#include <QPointF>
#include <QRectF>

namespace display {

// A magnified part of one picture, from 1x (the whole picture) to 8x. Every position is a
// fraction of the picture's (or the view's) width and height, so the same zoom holds whatever
// size the picture is decoded at and whatever size the view is shown at.
class DigitalZoom {
public:
    static constexpr double kMaxScale = 8.0;

    double Scale() const { return m_scale; }
    bool IsZoomed() const { return m_scale > 1.0; }
    // The part of the picture the view shows.
    QRectF Visible() const;
    // Where a point of the view lies in the picture.
    QPointF ToPicture(QPointF viewPoint) const;
    // Multiplies the scale by factor (kept within 1x..8x) so that the picture point under
    // anchor, a point of the view, stays under it.
    void ZoomAbout(QPointF anchor, double factor);
    // Moves the picture with the pointer by shift, a distance in the view, as far as the
    // picture still fills the view.
    void Pan(QPointF shift);
    void Reset();

private:
    void Clamp();

    double m_scale = 1.0;
    QPointF m_origin; // the picture point at the view's top left corner
};

} // namespace display
