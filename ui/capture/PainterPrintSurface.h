#pragma once
#include <QPainter>
#include <QPrinter>

#include "ui/capture/PrintSurface.h"

namespace capture {

// A page on a Qt printer (a real one or a PDF file), drawn with a QPainter in the
// printer's device pixels. Construction starts the document and its page.
class PainterPrintSurface : public PrintSurface {
public:
    explicit PainterPrintSurface(QPrinter& printer);

    QSize PageSize() const override;
    PageOrientation Orientation() const override;
    void DrawImage(const QImage& image, const QRect& target) override;
    void DrawText(const QString& text, const QRect& rect, const QColor& colour) override;
    void Finish() override;

private:
    QPrinter& m_printer;
    QPainter m_painter;
};

} // namespace capture
