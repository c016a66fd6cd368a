#include "ui/capture/PrintPage.h"

namespace capture {
namespace {
constexpr int kTimeAbovePictureBottom = 200;
constexpr int kNoteBelowPicture = 120;
constexpr int kFileBelowPicture = 240;

int ScaleFactor(QSize page, PageOrientation orientation, int frameWidth)
{
    if (frameWidth <= 0)
        return 0;
    switch (orientation) {
    case PageOrientation::Portrait:
        return page.width() / frameWidth;
    case PageOrientation::Landscape: {
        // Measured against the page's height, one step smaller to leave room for the note.
        const int k = page.height() / frameWidth;
        return k > 1 ? k - 1 : k;
    }
    case PageOrientation::Other:
        break;
    }
    return 0;
}
} // namespace

PrintLayout ComputePrintLayout(QSize page, PageOrientation orientation, int frameWidth, int frameHeight)
{
    PrintLayout layout;
    layout.scale = ScaleFactor(page, orientation, frameWidth);
    const int w = frameWidth * layout.scale;
    const int h = frameHeight * layout.scale;
    layout.picture = QRect((page.width() - w) / 2, 0, w, h);
    layout.timeText = QRect(0, 0, page.width(), h - kTimeAbovePictureBottom);
    layout.noteText = QRect(0, 0, page.width(), h + kNoteBelowPicture);
    layout.fileText = QRect(0, 0, page.width(), h + kFileBelowPicture);
    return layout;
}

QImage PrintImage(const CapturedFrame& frame)
{
    // The control's pixels are B, G, R, A; reversed they are R, G, B, which is this format.
    QImage image(frame.width, frame.height, QImage::Format_RGB888);
    const size_t rowBytes = frame.RowBytes();
    for (int32_t row = 0; row < frame.height; ++row) {
        const uint8_t* src = frame.pixels.data() + row * rowBytes;
        uint8_t* dst = image.scanLine(frame.height - 1 - row);
        for (int32_t x = 0; x < frame.width; ++x, src += 4, dst += 3) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
        }
    }
    return image;
}

void PrintPage(PrintSurface& surface, const CapturedFrame& frame, const std::optional<QString>& timeText,
               const std::optional<QString>& note, const std::optional<QString>& recording)
{
    const PrintLayout layout = ComputePrintLayout(surface.PageSize(), surface.Orientation(), frame.width, frame.height);
    if (layout.scale > 0)
        surface.DrawImage(PrintImage(frame), layout.picture);
    if (timeText)
        surface.DrawText(*timeText, layout.timeText, QColor(255, 255, 255));
    if (note)
        surface.DrawText(*note, layout.noteText, QColor(0, 0, 0));
    if (recording)
        surface.DrawText(*recording, layout.fileText, QColor(0, 0, 0));
    surface.Finish();
}

} // namespace capture
