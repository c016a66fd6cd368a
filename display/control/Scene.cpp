#include "display/control/Scene.h"

#include <QFont>
#include <QPainter>

namespace display {
namespace {

const QColor kBackground(20, 22, 26);
const QColor kEmptyTile(34, 36, 40);
const QColor kTileEdge(60, 62, 66);

// White text on a dark translucent plate, legible over any picture.
void DrawTitle(QPainter& painter, const QRect& tile, const QString& text)
{
    if (text.isEmpty())
        return;
    const QRect area = tile.adjusted(4, 3, -3, -3);
    const QRect bounds = painter.boundingRect(area, Qt::AlignLeft | Qt::AlignTop, text).intersected(area);
    painter.fillRect(bounds.adjusted(-3, -1, 3, 1).intersected(tile), QColor(0, 0, 0, 150));
    painter.setPen(Qt::white);
    painter.drawText(area, Qt::AlignLeft | Qt::AlignTop, text);
}

void DrawIdle(QPainter& painter, const Scene& scene)
{
    if (!scene.showIdleTexts)
        return;
    const QRect screen(QPoint(0, 0), scene.grid.Screen());
    QFont title("Arial");
    title.setPixelSize(40);
    title.setBold(true);
    painter.setFont(title);
    painter.setPen(QColor(200, 204, 210));
    painter.drawText(screen.adjusted(0, 0, 0, -40), Qt::AlignCenter, scene.titleText);
    QFont version("Arial");
    version.setPixelSize(16);
    painter.setFont(version);
    painter.setPen(QColor(150, 154, 160));
    // Leading spaces (the window pads its version text with them) would be centred with it.
    painter.drawText(screen.adjusted(0, 40, 0, 0), Qt::AlignCenter, scene.versionText.trimmed());
}

void DrawTile(QPainter& painter, const Scene& scene, int tile)
{
    const QRect rect = scene.grid.TileRect(tile);
    const int channel = scene.grid.ChannelOf(tile, scene.channelCount);
    if (channel < 0 || scene.pictures[channel].isNull()) {
        painter.fillRect(rect, kEmptyTile);
        painter.setPen(kTileEdge);
        painter.drawRect(rect.adjusted(0, 0, -1, -1));
    } else {
        // A picture made for another tile size (the layout just changed) is stretched until
        // its channel's next picture arrives.
        const QImage& picture = scene.pictures[channel];
        const QRectF& v = scene.visible;
        const QRectF source(v.x() * picture.width(), v.y() * picture.height(), v.width() * picture.width(),
                            v.height() * picture.height());
        painter.setRenderHint(QPainter::SmoothPixmapTransform, scene.visible != kWholePicture);
        painter.drawImage(QRectF(rect), picture, source);
    }
    if (channel >= 0 && scene.showTitles)
        DrawTitle(painter, rect, scene.titles[channel]);
}

} // namespace

QImage ComposeScreen(const Scene& scene)
{
    QImage screen(scene.grid.Screen(), QImage::Format_RGB32);
    screen.fill(kBackground);
    QPainter painter(&screen);
    if (scene.idle) {
        DrawIdle(painter, scene);
        return screen;
    }
    QFont font("Arial");
    font.setPixelSize(14);
    font.setBold(true);
    painter.setFont(font);
    for (int tile = 0; tile < scene.grid.Tiles(); ++tile)
        DrawTile(painter, scene, tile);
    return screen;
}

} // namespace display
