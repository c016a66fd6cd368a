// Buttons outside the transport group: each is drawn on the surface it sits on in the window (the
// title band, the white strip under the video, the bar strip, the light panel, the about box).
#include "ArtPiece.h"
#include "ArtStyle.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainterPath>

namespace artwork {
namespace {

enum class WindowGlyph { Minimize, Maximize, Close };

void DrawWindowButton(QPainter& p, WindowGlyph glyph, bool pressed)
{
    p.fillRect(0, 0, 19, 19, kBand);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QRectF face(1.5, 1.5, 16, 16);
    if (pressed) {
        p.setPen(QPen(glyph == WindowGlyph::Close ? QColor(240, 120, 120) : kAccent, 1));
        p.setBrush(glyph == WindowGlyph::Close ? QColor(196, 43, 43) : QColor(28, 29, 31));
    } else {
        QLinearGradient g(face.topLeft(), face.bottomLeft());
        g.setColorAt(0, QColor(92, 95, 100));
        g.setColorAt(1, QColor(64, 66, 70));
        p.setPen(QPen(QColor(30, 30, 32), 1));
        p.setBrush(g);
    }
    p.drawRoundedRect(face, 3, 3);
    const QColor ink = pressed ? QColor(255, 255, 255) : kGlyph;
    const qreal shift = pressed ? 0.5 : 0;
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(ink, 1.8, Qt::SolidLine, Qt::RoundCap));
    switch (glyph) {
    case WindowGlyph::Minimize:
        p.drawLine(QPointF(5.5 + shift, 12.5 + shift), QPointF(13.5 + shift, 12.5 + shift));
        break;
    case WindowGlyph::Maximize:
        p.setPen(QPen(ink, 1.4));
        p.drawRect(QRectF(5.5 + shift, 5.5 + shift, 8, 8));
        break;
    case WindowGlyph::Close:
        p.drawLine(QPointF(6 + shift, 6 + shift), QPointF(13 + shift, 13 + shift));
        p.drawLine(QPointF(13 + shift, 6 + shift), QPointF(6 + shift, 13 + shift));
        break;
    }
}

// Layout buttons: a dark tile holding a grid of n x n light screens.
void DrawLayoutButton(QPainter& p, int n, bool pressed)
{
    p.fillRect(0, 0, 19, 19, Qt::white);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(pressed ? kAccentDim : QColor(36, 36, 38), 1));
    p.setBrush(pressed ? QColor(24, 25, 27) : QColor(72, 75, 80));
    p.drawRoundedRect(QRectF(0.5, 0.5, 18, 18), 2.5, 2.5);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QColor cell = pressed ? kAccent : QColor(200, 204, 208);
    const int area = 15;
    const int gap = n == 1 ? 0 : 1;
    const int side = (area - gap * (n - 1)) / n;
    const int used = side * n + gap * (n - 1);
    const int origin = 2 + (area - used) / 2;
    for (int row = 0; row < n; ++row)
        for (int col = 0; col < n; ++col)
            p.fillRect(origin + col * (side + gap), origin + row * (side + gap), side, side, cell);
}

void DrawSpeaker(QPainter& p, bool muted, bool pressed)
{
    FillStripRows(p, 14, 15, 17, pressed ? 24 : 0);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QColor ink = pressed ? kAccent : kGlyph;
    QPainterPath body;
    body.moveTo(1, 5);
    body.lineTo(4, 5);
    body.lineTo(8, 1.5);
    body.lineTo(8, 13.5);
    body.lineTo(4, 10);
    body.lineTo(1, 10);
    body.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawPath(body);
    p.setBrush(Qt::NoBrush);
    if (muted) {
        p.setPen(QPen(QColor(235, 80, 70), 1.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(9.5, 5), QPointF(13, 10));
        p.drawLine(QPointF(13, 5), QPointF(9.5, 10));
    } else {
        p.setPen(QPen(ink, 1.1));
        p.drawArc(QRectF(6, 4.5, 5, 6), -60 * 16, 120 * 16);
        p.drawArc(QRectF(5.5, 2, 8, 11), -60 * 16, 120 * 16);
    }
}

void DrawOpenButton(QPainter& p, bool pressed)
{
    p.fillRect(0, 0, 53, 22, kPanel);
    FillPanelButton(p, QRectF(0, 0, 53, 22), pressed);
    const qreal s = pressed ? 1 : 0;
    QPainterPath folder;
    folder.moveTo(5 + s, 7 + s);
    folder.lineTo(9 + s, 7 + s);
    folder.lineTo(10.5 + s, 8.5 + s);
    folder.lineTo(17 + s, 8.5 + s);
    folder.lineTo(17 + s, 16 + s);
    folder.lineTo(5 + s, 16 + s);
    folder.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(pressed ? kAccentDim : QColor(82, 86, 92));
    p.drawPath(folder);
    p.setBrush(pressed ? kAccent : QColor(120, 125, 132));
    p.drawRect(QRectF(6 + s, 10 + s, 11, 6));
    QFont font("Arial");
    font.setPixelSize(11);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(40, 42, 46));
    p.drawText(QRectF(20 + s, s, 31, 22), Qt::AlignVCenter | Qt::AlignLeft, "Open");
}

void DrawPrintButton(QPainter& p, bool pressed)
{
    p.fillRect(0, 0, 22, 21, kPanel);
    FillPanelButton(p, QRectF(0, 0, 22, 21), pressed);
    p.setRenderHint(QPainter::Antialiasing, false);
    const int s = pressed ? 1 : 0;
    const QColor body = pressed ? kAccentDim : QColor(72, 76, 82);
    p.fillRect(7 + s, 4 + s, 8, 4, Qt::white);
    p.setPen(body);
    p.setBrush(Qt::NoBrush);
    p.drawRect(7 + s, 4 + s, 7, 4);
    p.fillRect(4 + s, 8 + s, 14, 6, body);
    p.fillRect(15 + s, 9 + s, 2, 1, pressed ? Qt::white : kAccent);
    p.fillRect(7 + s, 12 + s, 8, 5, Qt::white);
    p.drawRect(7 + s, 12 + s, 7, 4);
}

void DrawOkButton(QPainter& p, bool pressed)
{
    p.fillRect(0, 0, 70, 23, Qt::white);
    FillPanelButton(p, QRectF(0, 0, 70, 23), pressed);
    QFont font("Arial");
    font.setPixelSize(12);
    font.setBold(true);
    p.setFont(font);
    p.setPen(pressed ? QColor(10, 90, 120) : QColor(40, 42, 46));
    p.drawText(QRectF(pressed ? 1 : 0, pressed ? 1 : 0, 70, 23), Qt::AlignCenter, "OK");
}

ArtPiece Piece(int id, QSize size, std::function<void(QPainter&)> draw)
{
    return {id, size, std::move(draw)};
}

} // namespace

std::vector<ArtPiece> ControlPieces()
{
    std::vector<ArtPiece> pieces = {
        Piece(182, {19, 19}, [](QPainter& p) { DrawWindowButton(p, WindowGlyph::Minimize, false); }),
        Piece(183, {19, 19}, [](QPainter& p) { DrawWindowButton(p, WindowGlyph::Minimize, true); }),
        Piece(180, {19, 19}, [](QPainter& p) { DrawWindowButton(p, WindowGlyph::Maximize, false); }),
        Piece(181, {19, 19}, [](QPainter& p) { DrawWindowButton(p, WindowGlyph::Maximize, true); }),
        Piece(178, {19, 19}, [](QPainter& p) { DrawWindowButton(p, WindowGlyph::Close, false); }),
        Piece(179, {19, 19}, [](QPainter& p) { DrawWindowButton(p, WindowGlyph::Close, true); }),
        Piece(166, {14, 15}, [](QPainter& p) { DrawSpeaker(p, false, false); }),
        Piece(167, {14, 15}, [](QPainter& p) { DrawSpeaker(p, false, true); }),
        Piece(168, {14, 15}, [](QPainter& p) { DrawSpeaker(p, true, false); }),
        Piece(165, {14, 15}, [](QPainter& p) { DrawSpeaker(p, true, true); }),
        Piece(163, {53, 22}, [](QPainter& p) { DrawOpenButton(p, false); }),
        Piece(164, {53, 22}, [](QPainter& p) { DrawOpenButton(p, true); }),
        Piece(215, {22, 21}, [](QPainter& p) { DrawPrintButton(p, false); }),
        Piece(216, {22, 21}, [](QPainter& p) { DrawPrintButton(p, true); }),
        Piece(197, {70, 23}, [](QPainter& p) { DrawOkButton(p, false); }),
        Piece(198, {70, 23}, [](QPainter& p) { DrawOkButton(p, true); }),
    };
    // CH1, CH4, CH9, CH16: normal and pressed ids of each grid.
    const struct { int n, normal, down; } grids[] = {{1, 205, 206}, {2, 207, 208}, {3, 209, 210}, {4, 211, 204}};
    for (const auto& g : grids) {
        const int n = g.n;
        pieces.push_back(Piece(g.normal, {19, 19}, [n](QPainter& p) { DrawLayoutButton(p, n, false); }));
        pieces.push_back(Piece(g.down, {19, 19}, [n](QPainter& p) { DrawLayoutButton(p, n, true); }));
    }
    return pieces;
}

} // namespace artwork
