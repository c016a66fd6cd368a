#pragma once
// Drawing with the pixel rules of the skin's original drawing code: rectangles given as left, top,
// right, bottom with the right and bottom edges exclusive, outlines one pen wide inside the
// rectangle, lines that stop one pixel before their end point.
#include <QColor>
#include <QPainter>

namespace ui::gdi {

// Fills the rectangle (right and bottom exclusive).
void FillRect(QPainter& p, int left, int top, int right, int bottom, const QColor& colour);
// A one-pixel outline in pen, the inside filled with brush.
void Rectangle(QPainter& p, int left, int top, int right, int bottom, const QColor& pen, const QColor& brush);
// A horizontal or vertical line from (x0, y0) up to but excluding (x1, y1). A two-pixel pen covers
// the line's own row (or column) and the one before it.
void Line(QPainter& p, int x0, int y0, int x1, int y1, const QColor& pen, int width = 1);

} // namespace ui::gdi
