#pragma once
#include <memory>

#include <QString>
#include <QWidget>

#include "ui/capture/PrintSurface.h"

namespace capture {

// The platform's side of printing: the default-printer query and the print dialog.
class Printing {
public:
    virtual ~Printing() = default;

    virtual bool HasDefaultPrinter() = 0;
    // Shows the print dialog; when the user confirms, starts the named document on the
    // chosen printer and returns its page. Nothing when the user cancels.
    virtual std::unique_ptr<PrintSurface> StartDocument(QWidget* parent, const QString& documentName) = 0;
};

} // namespace capture
