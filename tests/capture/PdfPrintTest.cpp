#include <cstdlib>
#include <memory>

#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QProcess>
#include <QRegularExpression>
#include <QPushButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QTimer>

#include <gtest/gtest.h>

#include "capture/FakeCaptureControl.h"
#include "display/CVorquil_Ctrl_Player.h"
#include "support/TempDir.h"
#include "ui/capture/PainterPrintSurface.h"
#include "ui/capture/PrintDialog.h"
#include "ui/capture/QtPrinting.h"

namespace {

constexpr int kPrinterDpi = 600;
constexpr int kRenderDpi = 100;

// Printing into a PDF file, as a PDF printer would, with the real Qt painter behind it.
class PdfPrinting : public capture::Printing {
public:
    explicit PdfPrinting(const QString& file)
    {
        m_printer.setOutputFormat(QPrinter::PdfFormat);
        m_printer.setOutputFileName(file);
        m_printer.setResolution(kPrinterDpi);
        m_printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
    }
    bool HasDefaultPrinter() override { return true; }
    std::unique_ptr<capture::PrintSurface> StartDocument(QWidget*, const QString& documentName) override
    {
        m_printer.setDocName(documentName);
        return std::make_unique<capture::PainterPrintSurface>(m_printer);
    }

private:
    QPrinter m_printer{QPrinter::HighResolution};
};

QString RunTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(60'000)) << program.toStdString();
    EXPECT_EQ(process.exitCode(), 0) << program.toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The PDF keeps the picture slightly lossy; a few steps off is still the colour.
bool IsNear(QColor c, QColor colour)
{
    return std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
               std::abs(c.blue() - colour.blue()) <
           60;
}

// Pixels near the colour in a band of rows, across the given columns.
int CountNear(const QImage& page, QRect band, QColor colour)
{
    int count = 0;
    for (int y = band.top(); y <= band.bottom(); ++y)
        for (int x = band.left(); x <= band.right(); ++x)
            count += IsNear(page.pixelColor(x, y), colour) ? 1 : 0;
    return count;
}

// A red-over-blue frame on screen, recorded on 3 September 2009 at 14:05:09, printed into PDF
// files that poppler reads back.
class PdfPrint : public testing::Test {
protected:
    PdfPrint() : m_player(&m_control)
    {
        m_control.Deliver(704, 576, 32, testsupport::TwoColourFrame(704, 576, 0xFF0000, 0x0000FF));
    }
    void Print(capture::PrintSettings settings, capture::Printing& printing)
    {
        capture::PrintDialog dialog(m_player, settings, m_time, printing,
                                    [this](const QString& m) { m_messages.push_back(m); });
        dialog.grab();
        dialog.findChild<QPushButton*>("printButton")->click();
    }
    QImage Render(const QString& pdf, int dpi)
    {
        RunTool("pdftoppm", {"-png", "-r", QString::number(dpi), "-singlefile", pdf, m_dir.File("page").c_str()});
        return QImage(QString::fromStdString(m_dir.File("page.png")));
    }

    testsupport::TempDir m_dir;
    testsupport::FakeCaptureControl m_control;
    display::CVorquil_Ctrl_Player m_player;
    recording::SystemTime m_when{2009, 9, 0, 3, 14, 5, 9, 0};
    capture::CaptureTimeSource m_time{[this] { return m_when; }, [] { return 3; }};
    std::vector<QString> m_messages;
};

// A frame printed from the dialog onto an A4 page at 600 dpi, read back with poppler:
// one page named "Print - Kelvora", the picture upright and in its colours across the
// top of the page, the white stamp on its lower part and the black note under it.
TEST_F(PdfPrint, PageHoldsThePictureStampAndNote)
{
    const QString pdf = QString::fromStdString(m_dir.File("page.pdf"));
    PdfPrinting printing(pdf);
    Print({QStringLiteral("Gate 3 north camera"), 1, 1}, printing);
    EXPECT_TRUE(m_messages.empty());

    const QString info = RunTool("pdfinfo", {pdf});
    EXPECT_TRUE(info.contains(QRegularExpression("Title:\\s+Print - Kelvora"))) << info.toStdString();
    EXPECT_TRUE(info.contains(QRegularExpression("Pages:\\s+1\\n"))) << info.toStdString();

    const QImage page = Render(pdf, kRenderDpi);
    ASSERT_FALSE(page.isNull());
    ASSERT_NEAR(page.width(), 827, 1); // A4 at 100 dpi

    // 7 times 704 x 576 at x = (4961 - 4928) / 2 = 16, y = 0, in 600-dpi pixels.
    const auto toPage = [](int printerPixels) { return printerPixels * kRenderDpi / kPrinterDpi; };
    const QColor red(255, 0, 0), blue(0, 0, 255), white(255, 255, 255), black(0, 0, 0);
    const int pictureBottom = toPage(4032);
    const int left = toPage(16) + 1;
    const int right = toPage(16 + 4928) - 2;
    EXPECT_TRUE(IsNear(page.pixelColor(page.width() / 2, toPage(500)), red));
    EXPECT_TRUE(IsNear(page.pixelColor(left, toPage(1500)), red));
    EXPECT_TRUE(IsNear(page.pixelColor(right, toPage(2500)), blue));
    EXPECT_TRUE(IsNear(page.pixelColor(page.width() / 2, toPage(3000)), blue));
    EXPECT_TRUE(IsNear(page.pixelColor(page.width() / 2, pictureBottom + 60), white));
    EXPECT_TRUE(IsNear(page.pixelColor(0, toPage(500)), white)); // the margin left of the picture

    // The stamp: white over the blue, ending 200 printer pixels above the picture's lower edge.
    const int stampLower = toPage(4032 - 200);
    EXPECT_GT(CountNear(page, QRect(QPoint(left, stampLower - 12), QPoint(right, stampLower)), white), 20);
    EXPECT_EQ(CountNear(page, QRect(QPoint(left, stampLower + 3), QPoint(right, pictureBottom - 2)), white), 0);
    // The note: black under the picture, ending 120 printer pixels below it; nothing further down.
    const int noteLower = toPage(4032 + 120);
    EXPECT_GT(CountNear(page, QRect(QPoint(0, pictureBottom + 1), QPoint(page.width() - 1, noteLower)), black), 20);
    EXPECT_EQ(CountNear(page, QRect(QPoint(0, noteLower + 4), QPoint(page.width() - 1, page.height() - 1)), black), 0);
}

// With no system printer, Print... opens the platform's print dialog on "Print to File (PDF)"
// with a file named after the recorded time; confirming it writes the page into that file.
// Without a folder to write into, the old message remains.
TEST_F(PdfPrint, WithoutASystemPrinterThePrintDialogWritesAPdfFile)
{
    if (!QPrinterInfo::defaultPrinter().isNull())
        GTEST_SKIP() << "this machine has a system printer";
    capture::QtPrinting nowhere(m_time, QString::fromStdString(m_dir.File("missing")));
    Print({}, nowhere);
    EXPECT_EQ(m_messages, std::vector<QString>{"You have no default printer!"});

    capture::QtPrinting printing(m_time, QString::fromStdString(m_dir.Path().string()));
    QString destination, fileName;
    QTimer::singleShot(0, [&] {
        QWidget* printDialog = QApplication::activeModalWidget();
        ASSERT_TRUE(printDialog && printDialog->inherits("QPrintDialog"));
        destination = printDialog->findChild<QComboBox*>("printers")->currentText();
        fileName = printDialog->findChild<QLineEdit*>("filename")->text();
        static_cast<QDialog*>(printDialog)->accept();
    });
    Print({QString(), 0, 0}, printing);
    EXPECT_EQ(m_messages.size(), 1u);
    const std::string pdf = m_dir.File("03-09-2009-140509.pdf");
    EXPECT_EQ(destination, "Print to File (PDF)");
    EXPECT_EQ(fileName.toStdString(), pdf);

    const QImage page = Render(QString::fromStdString(pdf), kRenderDpi / 2);
    ASSERT_FALSE(page.isNull());
    EXPECT_TRUE(IsNear(page.pixelColor(page.width() / 2, page.height() / 20), QColor(255, 0, 0)));
    EXPECT_TRUE(IsNear(page.pixelColor(page.width() / 2, page.height() - 5), QColor(255, 255, 255)));
}

} // namespace
