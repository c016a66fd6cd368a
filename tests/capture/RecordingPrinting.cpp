#include "capture/RecordingPrinting.h"

namespace testsupport {

RecordingPrintSurface::RecordingPrintSurface(QSize page, capture::PageOrientation orientation, PrintedPage& record)
    : m_page(page), m_orientation(orientation), m_record(record)
{
}

void RecordingPrintSurface::DrawImage(const QImage& image, const QRect& target)
{
    m_record.images.push_back({image, target});
}

void RecordingPrintSurface::DrawText(const QString& text, const QRect& rect, const QColor& colour)
{
    m_record.texts.push_back({text, rect, colour});
}

void RecordingPrintSurface::Finish() { m_record.finished = true; }

std::unique_ptr<capture::PrintSurface> RecordingPrinting::StartDocument(QWidget*, const QString& documentName)
{
    ++dialogsShown;
    if (userCancels)
        return nullptr;
    documents.push_back(documentName);
    return std::make_unique<RecordingPrintSurface>(page, orientation, pages.emplace_back());
}

} // namespace testsupport
