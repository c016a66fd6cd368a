#pragma once
// Colours and small drawing helpers shared by every piece of the player's artwork, so that the
// buttons blend into the surfaces the window paints around them.
#include <QColor>
#include <QPainter>
#include <QRectF>

namespace artwork {

inline const QColor kAccent(35, 205, 246);    // the volume track's blue, used for every highlight
inline const QColor kAccentDim(20, 140, 175);
inline const QColor kGlyph(208, 212, 216);    // resting glyphs on dark surfaces
inline const QColor kBand(57, 57, 57);        // title band
inline const QColor kPanel(225, 225, 225);    // lower panel

// Rows of the transport bar strip (bitmap 175). Buttons drawn over the bar use the same rows so
// they sit in it without a seam.
QColor StripRow(int row);
void FillStripRows(QPainter& p, int width, int height, int firstRow, int darken = 0);

// A rounded light push surface for the buttons of the lower panel and the about box.
void FillPanelButton(QPainter& p, QRectF r, bool pressed);

// A soft round glow centred on c, used for the hover looks.
void FillGlow(QPainter& p, QPointF c, qreal radius, QColor colour);

} // namespace artwork
