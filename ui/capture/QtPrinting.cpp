#include "ui/capture/QtPrinting.h"

#include <utility>

#include <QDir>
#include <QFileInfo>
#include <QPrinterInfo>

#include "ui/capture/CaptureTimeText.h"
#include "ui/capture/PainterPrintSurface.h"
#include "ui/capture/Snapshot.h"

namespace capture {

QtPrinting::QtPrinting(CaptureTimeSource time, QString pdfFolder)
    : m_time(std::move(time)), m_pdfFolder(std::move(pdfFolder))
{
}

bool QtPrinting::HasSystemPrinter() { return !QPrinterInfo::defaultPrinter().isNull(); }

bool QtPrinting::HasDefaultPrinter()
{
    if (HasSystemPrinter())
        return true;
    const QFileInfo folder(m_pdfFolder);
    return folder.isDir() && folder.isWritable();
}

QString QtPrinting::DefaultPdfFolder()
{
    const QString capture = QString::fromStdString(DefaultCaptureFolder().string());
    return QFileInfo(capture).isDir() ? capture : QDir::homePath();
}

QString QtPrinting::PdfFileName() const
{
    return m_pdfFolder + QLatin1Char('/') +
           QString::fromStdString(SnapshotFileName(m_time.curTime(), m_time.timeFormat())) + QStringLiteral(".pdf");
}

std::unique_ptr<PrintSurface> QtPrinting::StartDocument(QWidget* parent, const QString& documentName)
{
    const bool toFile = !HasSystemPrinter();
    if (toFile) {
        // Setting the file name makes the dialog choose its PDF destination.
        m_printer.setOutputFormat(QPrinter::PdfFormat);
        m_printer.setOutputFileName(PdfFileName());
    }
    QPrintDialog dialog(&m_printer, parent);
    ConfigurePrintDialog(dialog, toFile);
    if (dialog.exec() != QDialog::Accepted)
        return nullptr;
    m_printer.setDocName(documentName);
    return std::make_unique<PainterPrintSurface>(m_printer);
}

void QtPrinting::ConfigurePrintDialog(QPrintDialog& dialog, bool toFile)
{
    QAbstractPrintDialog::PrintDialogOptions options =
        QAbstractPrintDialog::PrintShowPageSize | QAbstractPrintDialog::PrintCollateCopies;
    if (toFile)
        options |= QAbstractPrintDialog::PrintToFile;
    dialog.setOptions(options);
}

} // namespace capture
