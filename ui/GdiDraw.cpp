#include "ui/GdiDraw.h"

#include <utility>

namespace ui::gdi {

void FillRect(QPainter& p, int left, int top, int right, int bottom, const QColor& colour)
{
    if (right > left && bottom > top)
        p.fillRect(left, top, right - left, bottom - top, colour);
}

void Rectangle(QPainter& p, int left, int top, int right, int bottom, const QColor& pen, const QColor& brush)
{
    FillRect(p, left, top, right, bottom, pen);
    FillRect(p, left + 1, top + 1, right - 1, bottom - 1, brush);
}

void Line(QPainter& p, int x0, int y0, int x1, int y1, const QColor& pen, int width)
{
    const int before = width / 2;
    const int after = width - before;
    // The start point is drawn, the end point is not, whichever way the line runs.
    const auto span = [](int from, int to) { return from <= to ? std::pair{from, to} : std::pair{to + 1, from + 1}; };
    if (y0 == y1) {
        const auto [a, b] = span(x0, x1);
        FillRect(p, a, y0 - before, b, y0 + after, pen);
    } else if (x0 == x1) {
        const auto [a, b] = span(y0, y1);
        FillRect(p, x0 - before, a, x0 + after, b, pen);
    }
}

} // namespace ui::gdi
