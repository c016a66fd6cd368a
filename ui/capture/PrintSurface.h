#pragma once
#include <QColor>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

namespace capture {

enum class PageOrientation { Portrait, Landscape, Other };

// One page of one printed document, in device pixels of the printable area. Printing goes
// through this so that the page geometry can be checked without a printer.
class PrintSurface {
public:
    virtual ~PrintSurface() = default;

    // Printable width and height in device pixels.
    virtual QSize PageSize() const = 0;
    virtual PageOrientation Orientation() const = 0;
    // Stretches the image onto the target without smoothing.
    virtual void DrawImage(const QImage& image, const QRect& target) = 0;
    // One line in the device's default font on a transparent background, centred across the
    // rectangle, its lower edge on the rectangle's lower edge (y + height, which may lie
    // above y when the height is negative).
    virtual void DrawText(const QString& text, const QRect& rect, const QColor& colour) = 0;
    // Ends the page and the document.
    virtual void Finish() = 0;
};

} // namespace capture
