#include "ArtStyle.h"

#include <QLinearGradient>
#include <QRadialGradient>
#include <algorithm>

namespace artwork {

QColor StripRow(int row)
{
    // A brushed dark bar: one bright top row, a soft sheen, then darker toward the bottom.
    if (row <= 0)
        return QColor(128, 131, 135);
    if (row == 1)
        return QColor(96, 99, 103);
    if (row >= 47)
        return QColor(24, 25, 27);
    const double t = (row - 2) / 45.0;
    const double sheen = row < 20 ? (20 - row) * 0.9 : 0.0;
    const int v = static_cast<int>(78 - 44 * t + sheen);
    return QColor(v, v + 2, v + 5);
}

void FillStripRows(QPainter& p, int width, int height, int firstRow, int darken)
{
    for (int y = 0; y < height; ++y) {
        const QColor c = StripRow(firstRow + y);
        p.fillRect(0, y, width, 1, QColor(std::max(0, c.red() - darken),
                                          std::max(0, c.green() - darken),
                                          std::max(0, c.blue() - darken)));
    }
}

void FillPanelButton(QPainter& p, QRectF r, bool pressed)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    if (pressed) {
        g.setColorAt(0, QColor(178, 182, 186));
        g.setColorAt(1, QColor(212, 216, 220));
    } else {
        g.setColorAt(0, QColor(252, 252, 252));
        g.setColorAt(0.5, QColor(232, 233, 235));
        g.setColorAt(1, QColor(200, 202, 206));
    }
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(pressed ? kAccentDim : QColor(120, 122, 126), 1));
    p.setBrush(g);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
}

void FillGlow(QPainter& p, QPointF c, qreal radius, QColor colour)
{
    QRadialGradient g(c, radius);
    QColor inner = colour;
    inner.setAlpha(110);
    QColor outer = colour;
    outer.setAlpha(0);
    g.setColorAt(0, inner);
    g.setColorAt(1, outer);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(c, radius, radius);
}

} // namespace artwork
