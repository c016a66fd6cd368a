#pragma once
#include <deque>
#include <memory>
#include <vector>

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>

#include "ui/capture/PrintSurface.h"
#include "ui/capture/Printing.h"

namespace testsupport {

// Everything drawn on one page of a recording surface.
struct PrintedPage {
    struct Image {
        QImage image;
        QRect target;
    };
    struct Text {
        QString text;
        QRect rect;
        QColor colour;
    };
    std::vector<Image> images;
    std::vector<Text> texts;
    bool finished = false;
};

// A page of the given size and orientation that keeps what is drawn on it.
class RecordingPrintSurface : public capture::PrintSurface {
public:
    RecordingPrintSurface(QSize page, capture::PageOrientation orientation, PrintedPage& record)
        : m_page(page), m_orientation(orientation), m_record(record)
    {
    }
    QSize PageSize() const override { return m_page; }
    capture::PageOrientation Orientation() const override { return m_orientation; }
    void DrawImage(const QImage& image, const QRect& target) override { m_record.images.push_back({image, target}); }
    void DrawText(const QString& text, const QRect& rect, const QColor& colour) override
    {
        m_record.texts.push_back({text, rect, colour});
    }
    void Finish() override { m_record.finished = true; }

private:
    QSize m_page;
    capture::PageOrientation m_orientation;
    PrintedPage& m_record;
};

// Printing without a printer: the test chooses whether there is a default printer and
// whether the user cancels the print dialog; every page started is kept.
class RecordingPrinting : public capture::Printing {
public:
    bool HasDefaultPrinter() override { return hasDefaultPrinter; }
    std::unique_ptr<capture::PrintSurface> StartDocument(QWidget*, const QString& documentName) override
    {
        ++dialogsShown;
        if (userCancels)
            return nullptr;
        documents.push_back(documentName);
        return std::make_unique<RecordingPrintSurface>(page, orientation, pages.emplace_back());
    }

    bool hasDefaultPrinter = true;
    bool userCancels = false;
    QSize page{4800, 6000};
    capture::PageOrientation orientation = capture::PageOrientation::Portrait;

    int dialogsShown = 0;
    std::vector<QString> documents;
    std::deque<PrintedPage> pages;
};

} // namespace testsupport
