// The transport buttons cover the bar strip's full height, so their background is the strip's own
// rows and nothing shows a seam.
#include "ArtPiece.h"
#include "ArtStyle.h"

#include <QPainterPath>
#include <QRadialGradient>

namespace artwork {
namespace {

enum class Glyph { Play, Pause, FastBack, SkipBack, SkipForward, FastForward };

constexpr int kButtonHeight = 48;

QPainterPath Triangle(QPointF tip, qreal baseX, qreal halfHeight)
{
    QPainterPath path;
    path.moveTo(tip);
    path.lineTo(baseX, tip.y() - halfHeight);
    path.lineTo(baseX, tip.y() + halfHeight);
    path.closeSubpath();
    return path;
}

QPainterPath GlyphPath(Glyph g, QPointF c)
{
    QPainterPath path;
    const qreal x = c.x(), y = c.y();
    switch (g) {
    case Glyph::Play:
        path.addPath(Triangle({x + 8, y}, x - 5, 8.5));
        break;
    case Glyph::Pause:
        path.addRoundedRect(QRectF(x - 6.5, y - 8, 4.5, 16), 1, 1);
        path.addRoundedRect(QRectF(x + 2, y - 8, 4.5, 16), 1, 1);
        break;
    case Glyph::FastBack:
        path.addPath(Triangle({x - 9, y}, x, 6.5));
        path.addPath(Triangle({x, y}, x + 9, 6.5));
        break;
    case Glyph::FastForward:
        path.addPath(Triangle({x + 9, y}, x, 6.5));
        path.addPath(Triangle({x, y}, x - 9, 6.5));
        break;
    case Glyph::SkipBack:
        path.addRect(QRectF(x - 7.5, y - 6.5, 2.5, 13));
        path.addPath(Triangle({x - 5, y}, x + 7, 6.5));
        break;
    case Glyph::SkipForward:
        path.addRect(QRectF(x + 5, y - 6.5, 2.5, 13));
        path.addPath(Triangle({x + 5, y}, x - 7, 6.5));
        break;
    }
    return path;
}

void FillBackground(QPainter& p, int width, Look look)
{
    FillStripRows(p, width, kButtonHeight, 0, look == Look::Down ? 24 : 0);
    if (look == Look::Down) {
        // A sunken key: shadow along the top and left, light along the bottom.
        p.fillRect(0, 0, width, 1, QColor(10, 10, 12));
        p.fillRect(0, 1, width, 1, QColor(22, 23, 25));
        p.fillRect(0, 0, 1, kButtonHeight, QColor(18, 18, 20));
        p.fillRect(width - 1, 0, 1, kButtonHeight, QColor(70, 72, 76));
    }
}

void DrawTransport(QPainter& p, int width, Glyph glyph, Look look, bool bezel)
{
    // A round button sinks its face, not a square around it.
    FillBackground(p, width, bezel ? Look::Normal : look);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QPointF centre(width / 2.0 + (look == Look::Down ? 1 : 0), 24 + (look == Look::Down ? 1 : 0));
    if (bezel) {
        QRadialGradient face(centre - QPointF(0, 6), 20);
        face.setColorAt(0, look == Look::Down ? QColor(30, 32, 35) : QColor(78, 82, 88));
        face.setColorAt(1, look == Look::Down ? QColor(14, 15, 17) : QColor(30, 32, 35));
        p.setBrush(face);
        p.setPen(QPen(look == Look::Normal ? QColor(128, 132, 138) : kAccent, 1.6));
        p.drawEllipse(centre, 16.5, 16.5);
    }
    if (look == Look::Over)
        FillGlow(p, centre, bezel ? 16 : 15, kAccent);
    const QPainterPath path = GlyphPath(glyph, centre);
    // A dark drop shadow keeps the glyph crisp on the glossy strip.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 150));
    p.drawPath(path.translated(0.8, 1.0));
    p.setBrush(look == Look::Normal ? kGlyph : look == Look::Over ? QColor(150, 236, 255) : kAccent);
    p.drawPath(path);
}

ArtPiece Transport(int id, int width, Glyph glyph, Look look, bool bezel = false)
{
    return {id, QSize(width, kButtonHeight),
            [=](QPainter& p) { DrawTransport(p, width, glyph, look, bezel); }};
}

} // namespace

std::vector<ArtPiece> TransportPieces()
{
    return {
        {175, QSize(2, 48), [](QPainter& p) { FillStripRows(p, 2, 48, 0); }},
        Transport(153, 43, Glyph::Play, Look::Normal, true),
        Transport(154, 43, Glyph::Play, Look::Down, true),
        Transport(189, 43, Glyph::Play, Look::Over, true),
        Transport(185, 43, Glyph::Pause, Look::Over, true),
        Transport(160, 36, Glyph::SkipBack, Look::Normal),
        Transport(161, 36, Glyph::SkipBack, Look::Down),
        Transport(193, 36, Glyph::SkipBack, Look::Over),
        Transport(162, 36, Glyph::FastBack, Look::Normal),
        Transport(155, 36, Glyph::FastBack, Look::Down),
        Transport(194, 36, Glyph::FastBack, Look::Over),
        Transport(156, 36, Glyph::SkipForward, Look::Normal),
        Transport(157, 36, Glyph::SkipForward, Look::Down),
        Transport(190, 36, Glyph::SkipForward, Look::Over),
        Transport(158, 36, Glyph::FastForward, Look::Normal),
        Transport(159, 36, Glyph::FastForward, Look::Down),
        Transport(191, 36, Glyph::FastForward, Look::Over),
    };
}

} // namespace artwork
