#pragma once
// Dialog-template units of the Arial 9 dialog font in pixels: 1.5 across and 1.875 down, rounded
// to the nearest pixel (halves away from zero).
#include <QPoint>
#include <QRect>
#include <QSize>

namespace ui::dlu {

int X(int units);
int Y(int units);
QPoint Point(int x, int y);
QRect Rect(int x, int y, int width, int height);

} // namespace ui::dlu
