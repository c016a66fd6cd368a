#include <functional>

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

// Pixels of a band of rows that match, the page's margins left out.
int Count(const QImage& page, int top, int bottom, const std::function<bool(QColor)>& match)
{
    int count = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = page.width() / 20; x < page.width() * 19 / 20; ++x)
            count += match(page.pixelColor(x, y)) ? 1 : 0;
    return count;
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

    QProcess poppler;
    poppler.start("pdftoppm", {"-png", "-r", "50", "-singlefile", QString::fromStdString(pdf),
                               QString::fromStdString(dir.File("page"))});
    ASSERT_TRUE(poppler.waitForFinished(60'000));
    const QImage page(QString::fromStdString(dir.File("page.png")));
    ASSERT_FALSE(page.isNull());
    // The PDF keeps the picture slightly lossy: colours are told apart with room to spare.
    const auto red = [](QColor c) { return c.red() > 200 && c.blue() < 60; };
    const auto paper = [](QColor c) { return c.lightness() > 240; };
    const auto light = [](QColor c) { return c.lightness() > 160; };
    const auto dark = [](QColor c) { return c.lightness() < 100; };
    // Down a column clear of the centred texts: the printer's margin, red, blue, the paper.
    const auto rowsWhile = [&](int y, auto match) {
        while (y < page.height() && match(page.pixelColor(page.width() / 10, y)))
            ++y;
        return y;
    };
    const int top = rowsWhile(0, paper);
    const int redEnd = rowsWhile(top, red);
    const int blueEnd = rowsWhile(redEnd, [&](QColor c) { return !paper(c); });
    // Upright, and the frame's shape kept.
    EXPECT_NEAR(redEnd - top, blueEnd - redEnd, 2);
    int width = 0;
    for (int x = 0; x < page.width(); ++x)
        width += red(page.pixelColor(x, top + 2)) ? 1 : 0;
    EXPECT_NEAR(width * 576 / 704, blueEnd - top, 3);
    EXPECT_EQ(Count(page, top, redEnd, light), 0);
    EXPECT_GT(Count(page, redEnd, blueEnd, light), 5); // the stamp
    EXPECT_GT(Count(page, blueEnd, blueEnd + 15, dark), 5); // the note
    EXPECT_EQ(Count(page, blueEnd + 15, page.height(), dark), 0);
}

} // namespace
