#pragma once
#include <array>

#include <QImage>
#include <QRectF>
#include <QString>

#include "display/control/FrameStamp.h"
#include "display/control/TileGrid.h"

namespace display {

constexpr QRectF kWholePicture(0, 0, 1, 1);

// Everything the screen is drawn from, copied out of the control in one step.
struct Scene {
    TileGrid grid;
    int channelCount = kChannels;
    std::array<QImage, kChannels> pictures;
    std::array<FrameStamp, kChannels> stamps; // of the frame each picture shows
    // The part of each picture its tile shows, as fractions of the picture (a digital zoom).
    QRectF visible = kWholePicture;
    std::array<QString, kChannels> titles;
    QString titleText;
    QString versionText;
    bool idle = true;           // no frame shown since the last reset
    bool showTitles = true;
    bool showIdleTexts = true;
};

// Draws a scene as the picture the control shows, at the size of its grid's screen (without the selection outline):
// the dark idle picture with the title and version texts, or the tiles with their pictures
// and channel titles. Usable from any thread.
QImage ComposeScreen(const Scene& scene);

} // namespace display
