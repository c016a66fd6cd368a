#include "app/WindowReport.h"

#include <QLineEdit>

#include "ui/ControlIds.h"
#include "ui/PlayerDialog.h"
#include "ui/StaticText.h"

namespace app {

std::string WindowReport(ui::PlayerDialog& dialog)
{
    const auto label = [&dialog](int id) { return static_cast<ui::StaticText*>(dialog.GetDlgItem(id))->Text(); };
    const QString path = static_cast<QLineEdit*>(dialog.GetDlgItem(ui::id::kPathBox))->text();
    const QString report = QStringLiteral("title: %1\npath: %2\ntotal: %3\nspeed: %4\nosd: %5\n")
                               .arg(dialog.windowTitle(), path, label(ui::id::kTotalTime), label(ui::id::kSpeed),
                                    label(ui::id::kOsd));
    return report.toStdString();
}

} // namespace app
