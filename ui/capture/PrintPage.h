#pragma once
#include <optional>

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

#include "ui/capture/CapturedFrame.h"
#include "ui/capture/PrintSurface.h"

namespace capture {

// Where the picture and the two texts go on the page.
struct PrintLayout {
    int scale = 0;  // k: whole-number enlargement, 0 when the picture does not fit
    QRect picture;  // (W - w) / 2, 0, w, h
    QRect timeText; // lower edge 200 device pixels above the picture's lower edge
    QRect noteText; // lower edge 120 device pixels below the picture
    QRect fileText; // the recording's name, lower edge 240 device pixels below the picture
};

PrintLayout ComputePrintLayout(QSize page, PageOrientation orientation, int frameWidth, int frameHeight);

// The frame as the printer gets it: each pixel's first three bytes reversed, the fourth
// dropped, rows turned upright.
QImage PrintImage(const CapturedFrame& frame);

// Prints the frame on the surface's page, with the time stamp, the note and the line naming
// the recording when given, and ends the document.
void PrintPage(PrintSurface& surface, const CapturedFrame& frame, const std::optional<QString>& timeText,
               const std::optional<QString>& note, const std::optional<QString>& recording = std::nullopt);

} // namespace capture
