#pragma once
// One bitmap of the player's skin: its resource id, its size and how to draw it.
#include <QPainter>
#include <QSize>
#include <functional>
#include <vector>

namespace artwork {

enum class Look { Normal, Down, Over };

struct ArtPiece {
    int id;
    QSize size;
    std::function<void(QPainter&)> draw;
};

std::vector<ArtPiece> TransportPieces();   // the transport buttons and the bar strip
std::vector<ArtPiece> ControlPieces();     // window, layout, speaker, panel and about buttons
std::vector<ArtPiece> LogoPieces();        // the title-band mark and the about logo

// The program icon, drawn with transparency.
void DrawAppIcon(QPainter& p, int size);
// The icon of a recording file, with transparency.
void DrawRecordingIcon(QPainter& p, int size);
// The camera-lens mark shared by the icon and the logos.
void DrawLens(QPainter& p, QRectF r);

} // namespace artwork
