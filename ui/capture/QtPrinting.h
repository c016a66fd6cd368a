#pragma once
#include <QPrintDialog>
#include <QPrinter>
#include <QString>

#include "ui/capture/CaptureTimeSource.h"
#include "ui/capture/Printing.h"

namespace capture {

// Printing through Qt's printer support. Pages it returns draw on its own printer, so they
// must end before it does. Without a system printer the print dialog's "Print to File (PDF)"
// is the destination, chosen already, with a file named after the recorded time of the
// picture in the snapshots' folder (the home folder while that does not exist).
class QtPrinting : public Printing {
public:
    explicit QtPrinting(CaptureTimeSource time, QString pdfFolder = DefaultPdfFolder());

    // A system printer, or else a folder to write the PDF file into.
    bool HasDefaultPrinter() override;
    std::unique_ptr<PrintSurface> StartDocument(QWidget* parent, const QString& documentName) override;

    // One page: no selection, no page range; copies and collation are left to the printer's
    // own settings. Printing to a file is offered only when it is the destination.
    static void ConfigurePrintDialog(QPrintDialog& dialog, bool toFile = false);
    static QString DefaultPdfFolder();
    // The file offered for the picture at the time the source gives now.
    QString PdfFileName() const;

private:
    static bool HasSystemPrinter();

    CaptureTimeSource m_time;
    QString m_pdfFolder;
    QPrinter m_printer{QPrinter::HighResolution};
};

} // namespace capture
