#include "ui/capture/PainterPrintSurface.h"

#include <QFontMetrics>
#include <QPageLayout>

namespace capture {

PainterPrintSurface::PainterPrintSurface(QPrinter& printer) : m_printer(printer)
{
    // A printer that refuses to start leaves the painter inactive and every drawing a no-op.
    m_painter.begin(&m_printer);
}

QSize PainterPrintSurface::PageSize() const { return QSize(m_printer.width(), m_printer.height()); }

PageOrientation PainterPrintSurface::Orientation() const
{
    switch (m_printer.pageLayout().orientation()) {
    case QPageLayout::Portrait: return PageOrientation::Portrait;
    case QPageLayout::Landscape: return PageOrientation::Landscape;
    }
    return PageOrientation::Other;
}

void PainterPrintSurface::DrawImage(const QImage& image, const QRect& target)
{
    m_painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    m_painter.drawImage(target, image);
}

void PainterPrintSurface::DrawText(const QString& text, const QRect& rect, const QColor& colour)
{
    // Placed by hand rather than by drawText's alignment, which does not take rectangles
    // of negative height.
    const QFontMetrics metrics = m_painter.fontMetrics();
    const int x = rect.x() + (rect.width() - metrics.horizontalAdvance(text)) / 2;
    const int baseline = rect.y() + rect.height() - metrics.descent();
    m_painter.setBackgroundMode(Qt::TransparentMode);
    m_painter.setPen(colour);
    m_painter.drawText(QPoint(x, baseline), text);
}

void PainterPrintSurface::Finish() { m_painter.end(); }

} // namespace capture
