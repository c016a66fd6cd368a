#include "ui/DialogUnits.h"

namespace ui::dlu {
namespace {

// n * numerator / denominator rounded to nearest, halves away from zero.
int Scale(int n, int numerator, int denominator)
{
    const long long product = static_cast<long long>(n) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : -((-product + half) / denominator));
}

} // namespace

int X(int units) { return Scale(units, 6, 4); }
int Y(int units) { return Scale(units, 15, 8); }
QPoint Point(int x, int y) { return {X(x), Y(y)}; }
QRect Rect(int x, int y, int width, int height) { return {X(x), Y(y), X(width), Y(height)}; }

} // namespace ui::dlu
