#include "ui/capture/QtPrinting.h"

#include <QPrinterInfo>

#include "ui/capture/PainterPrintSurface.h"

namespace capture {

bool QtPrinting::HasDefaultPrinter() { return !QPrinterInfo::defaultPrinter().isNull(); }

std::unique_ptr<PrintSurface> QtPrinting::StartDocument(QWidget* parent, const QString& documentName)
{
    QPrintDialog dialog(&m_printer, parent);
    ConfigurePrintDialog(dialog);
    if (dialog.exec() != QDialog::Accepted)
        return nullptr;
    m_printer.setDocName(documentName);
    return std::make_unique<PainterPrintSurface>(m_printer);
}

void QtPrinting::ConfigurePrintDialog(QPrintDialog& dialog)
{
    dialog.setOptions(QAbstractPrintDialog::PrintShowPageSize | QAbstractPrintDialog::PrintCollateCopies);
}

} // namespace capture
