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
    std::vector<std::pair<QImage, QRect>> images;
    std::vector<std::pair<QString, QColor>> texts;
    bool finished = false;
};

// Printing without a printer onto portrait pages of 4800 x 6000 that keep what is drawn on
// them: the test chooses whether there is a default printer and whether the user cancels the
// print dialog.
class RecordingPrinting : public capture::Printing {
public:
    bool HasDefaultPrinter() override { return hasDefaultPrinter; }
    std::unique_ptr<capture::PrintSurface> StartDocument(QWidget*, const QString& documentName) override
    {
        ++dialogsShown;
        if (userCancels)
            return nullptr;
        documents.push_back(documentName);
        return std::make_unique<Surface>(pages.emplace_back());
    }

    bool hasDefaultPrinter = true;
    bool userCancels = false;
    int dialogsShown = 0;
    std::vector<QString> documents;
    std::deque<PrintedPage> pages;

private:
    class Surface : public capture::PrintSurface {
    public:
        explicit Surface(PrintedPage& record) : m_record(record) {}
        QSize PageSize() const override { return {4800, 6000}; }
        capture::PageOrientation Orientation() const override { return capture::PageOrientation::Portrait; }
        void DrawImage(const QImage& image, const QRect& to) override { m_record.images.emplace_back(image, to); }
        void DrawText(const QString& text, const QRect&, const QColor& colour) override
        {
            m_record.texts.emplace_back(text, colour);
        }
        void Finish() override { m_record.finished = true; }

    private:
        PrintedPage& m_record;
    };
};

} // namespace testsupport
