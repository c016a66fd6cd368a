#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include "capture/FakeCaptureControl.h"
#include "display/CVorquil_Ctrl_Player.h"
#include "support/TempDir.h"
#include "ui/capture/PrintDialog.h"
#include "ui/capture/QtPrinting.h"

namespace {

QString RunTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(60'000)) << program.toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

// With no system printer, Print... opens the platform's print dialog on "Print to File (PDF)"
// with a file named after the recorded time; confirming it writes the page, which poppler reads
// back: a red-over-blue frame upright across the top, the white stamp on its lower part and
// the black note under it. Without a folder to write into, the old message remains.
TEST(PdfPrint, WithoutASystemPrinterThePrintDialogWritesThePageIntoAPdfFile)
{
    if (!QPrinterInfo::defaultPrinter().isNull())
        GTEST_SKIP() << "this machine has a system printer";
    testsupport::TempDir dir;
    testsupport::FakeCaptureControl control;
    control.Deliver(704, 576, 32, testsupport::TwoColourFrame(704, 576, 0xFF0000, 0x0000FF));
    display::CVorquil_Ctrl_Player player(&control);
    const capture::CaptureTimeSource time{[] { return recording::SystemTime{2009, 9, 0, 3, 14, 5, 9, 0}; },
                                          [] { return 3; }};
    std::vector<QString> messages;
    const auto print = [&](capture::Printing& printing) {
        capture::PrintSettings settings{QStringLiteral("Gate 3 north camera"), 1, 1};
        capture::PrintDialog dialog(player, settings, time, printing, [&](const QString& m) { messages.push_back(m); });
        dialog.grab();
        dialog.findChild<QPushButton*>("printButton")->click();
    };
    capture::QtPrinting nowhere(time, QString::fromStdString(dir.File("missing")));
    print(nowhere);
    EXPECT_EQ(messages, std::vector<QString>{"You have no default printer!"});

    capture::QtPrinting printing(time, QString::fromStdString(dir.Path().string()));
    QString destination, fileName;
    QTimer::singleShot(0, [&] {
        QWidget* printDialog = QApplication::activeModalWidget();
        ASSERT_TRUE(printDialog && printDialog->inherits("QPrintDialog"));
        // One page of one document, to a file as it is the destination.
        const auto* options = static_cast<QPrintDialog*>(printDialog);
        EXPECT_FALSE(options->testOption(QAbstractPrintDialog::PrintPageRange));
        EXPECT_TRUE(options->testOption(QAbstractPrintDialog::PrintToFile));
        destination = printDialog->findChild<QComboBox*>("printers")->currentText();
        fileName = printDialog->findChild<QLineEdit*>("filename")->text();
        static_cast<QDialog*>(printDialog)->accept();
    });
    print(printing);
    EXPECT_EQ(messages.size(), 1u);
    const std::string pdf = dir.File("03-09-2009-140509.pdf");
    EXPECT_EQ(destination, "Print to File (PDF)");
    EXPECT_EQ(fileName.toStdString(), pdf);

    const QString file = QString::fromStdString(pdf);
    EXPECT_EQ(RunTool("pdftotext", {file, "-"}).simplified(), "03-09-2009 14:05:09 Gate 3 north camera");
    RunTool("pdftoppm", {"-png", "-r", "20", "-singlefile", file, QString::fromStdString(dir.File("page"))});
    const QImage page(QString::fromStdString(dir.File("page.png")));
    ASSERT_FALSE(page.isNull());
    // Upright at the top of the page, the paper below: the PDF keeps it slightly lossy.
    const int x = page.width() / 4, y = page.height() / 8;
    EXPECT_GT(page.pixelColor(x, y).red(), 200);
    EXPECT_GT(page.pixelColor(x, y * 4).blue(), 200);
    EXPECT_GT(page.pixelColor(x, y * 6).lightness(), 240);
}

} // namespace
