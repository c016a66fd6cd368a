#include "ArtPiece.h"
#include "ArtStyle.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>

namespace artwork {

void DrawLens(QPainter& p, QRectF r)
{
    p.setRenderHint(QPainter::Antialiasing, true);
    const QPointF c = r.center();
    const qreal radius = std::min(r.width(), r.height()) / 2;
    p.setPen(QPen(QColor(150, 155, 162), radius * 0.12));
    p.setBrush(QColor(22, 23, 26));
    p.drawEllipse(c, radius * 0.92, radius * 0.92);
    QRadialGradient iris(c, radius * 0.62);
    iris.setColorAt(0, kAccent.lighter(130));
    iris.setColorAt(0.55, kAccent);
    iris.setColorAt(1, kAccentDim.darker(160));
    p.setPen(Qt::NoPen);
    p.setBrush(iris);
    p.drawEllipse(c, radius * 0.6, radius * 0.6);
    p.setBrush(QColor(8, 10, 14));
    p.drawEllipse(c, radius * 0.26, radius * 0.26);
    p.setBrush(QColor(255, 255, 255, 210));
    p.drawEllipse(c + QPointF(-radius * 0.25, -radius * 0.28), radius * 0.14, radius * 0.11);
}

void DrawAppIcon(QPainter& p, int size)
{
    p.setRenderHint(QPainter::Antialiasing, true);
    const QRectF tile(0.5, 0.5, size - 1, size - 1);
    QLinearGradient g(tile.topLeft(), tile.bottomLeft());
    g.setColorAt(0, QColor(84, 88, 94));
    g.setColorAt(1, QColor(28, 29, 32));
    p.setPen(QPen(QColor(16, 16, 18), 1));
    p.setBrush(g);
    p.drawRoundedRect(tile, size * 0.18, size * 0.18);
    const qreal m = size * 0.14;
    DrawLens(p, tile.adjusted(m, m, -m, -m));
}

void DrawRecordingIcon(QPainter& p, int size)
{
    // A sheet with a folded corner and the lens on it: a file of the player's.
    p.setRenderHint(QPainter::Antialiasing, true);
    const qreal s = size;
    const qreal left = s * 0.16, right = s * 0.84, top = s * 0.04, bottom = s * 0.96, fold = s * 0.22;
    QPainterPath sheet;
    sheet.moveTo(left, top);
    sheet.lineTo(right - fold, top);
    sheet.lineTo(right, top + fold);
    sheet.lineTo(right, bottom);
    sheet.lineTo(left, bottom);
    sheet.closeSubpath();
    p.setPen(QPen(QColor(120, 124, 130), std::max<qreal>(1, s / 32)));
    p.setBrush(QColor(246, 247, 249));
    p.drawPath(sheet);
    p.setBrush(QColor(206, 210, 216));
    p.drawPolygon(QPolygonF({QPointF(right - fold, top), QPointF(right - fold, top + fold), QPointF(right, top + fold)}));
    const qreal lens = (right - left) * 0.78;
    DrawLens(p, QRectF((left + right - lens) / 2, top + fold + (bottom - top - fold - lens) / 2, lens, lens));
}

std::vector<ArtPiece> LogoPieces()
{
    return {
        {202, QSize(16, 16), [](QPainter& p) {
             p.fillRect(0, 0, 16, 16, kBand);
             DrawLens(p, QRectF(0, 0, 16, 16));
         }},
        {203, QSize(27, 32), [](QPainter& p) {
             p.fillRect(0, 0, 27, 32, Qt::white);
             p.translate(0, 2);
             DrawAppIcon(p, 27);
         }},
    };
}

} // namespace artwork
