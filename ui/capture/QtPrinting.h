#pragma once
#include <QPrintDialog>
#include <QPrinter>

#include "ui/capture/Printing.h"

namespace capture {

// Printing through Qt's printer support. Pages it returns draw on its own printer, so they
// must end before it does.
class QtPrinting : public Printing {
public:
    bool HasDefaultPrinter() override;
    std::unique_ptr<PrintSurface> StartDocument(QWidget* parent, const QString& documentName) override;

    // One page: no selection, no page range, no print to file; copies and collation are
    // left to the printer's own settings.
    static void ConfigurePrintDialog(QPrintDialog& dialog);

private:
    QPrinter m_printer{QPrinter::HighResolution};
};

} // namespace capture
