// Printing a snapshot: the page's layout, the print dialog, and the page Qt's printing writes.
#include <vector>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "capture/FakeCaptureControl.h"
#include "capture/RecordingPrinting.h"
#include "display/CVorquil_Ctrl_Player.h"
#include "recording/TimeConversion.h"
#include "support/TempDir.h"
#include "ui/capture/PrintDialog.h"
#include "ui/capture/PrintPage.h"
#include "ui/capture/QtPrinting.h"

namespace {

using capture::PageOrientation;

// The lower edge of a bottom-aligned text's rectangle.
int LowerEdge(const QRect& r) { return r.y() + r.height(); }

// The picture at the top, centred, as many whole times the frame as the page allows; the stamp
// ends 200 above its lower edge, the note 120 below it, both across the page.
TEST(PrintLayout, ScalesAndPlacesThePictureAndTexts)
{
    const struct {
        const char* what;
        QSize page;
        PageOrientation orientation;
        int frameWidth;
        int scale;
        QRect picture;
    } cases[] = {
        {"portrait, odd margin truncated", {4801, 6400}, PageOrientation::Portrait, 704, 6, {288, 0, 4224, 3456}},
        {"landscape, one step smaller", {4800, 3600}, PageOrientation::Landscape, 704, 4, {992, 0, 2816, 2304}},
        {"landscape, one step stays", {1000, 800}, PageOrientation::Landscape, 704, 1, {148, 0, 704, 576}},
        {"frame wider than the page", {600, 800}, PageOrientation::Portrait, 704, 0, {300, 0, 0, 0}},
        {"other orientation", {4800, 6400}, PageOrientation::Other, 704, 0, {2400, 0, 0, 0}},
        {"frame of width 0", {4800, 6400}, PageOrientation::Portrait, 0, 0, {2400, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const capture::PrintLayout layout = capture::ComputePrintLayout(c.page, c.orientation, c.frameWidth, 576);
        EXPECT_EQ(layout.scale, c.scale);
        EXPECT_EQ(layout.picture, c.picture);
        EXPECT_EQ(LowerEdge(layout.timeText), c.picture.height() - 200);
        EXPECT_EQ(LowerEdge(layout.noteText), c.picture.height() + 120);
        EXPECT_EQ(LowerEdge(layout.fileText), c.picture.height() + 240);
        EXPECT_EQ(layout.timeText.x(), 0);
        EXPECT_EQ(layout.timeText.width(), c.page.width());
        EXPECT_EQ(layout.noteText.width(), c.page.width());
    }
}

QString RunTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(60'000)) << program.toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

const QRect kPreview(12, 13, 352, 288);
const QColor kRed(255, 0, 0), kGreen(0, 255, 0), kBlue(0, 0, 255);

class PrintDialogTest : public testing::Test {
protected:
    PrintDialogTest() : m_player(&m_control) {}

    capture::CaptureTimeSource Time()
    {
        return {[this] { return m_time; }, [this] { return m_format; }, [] { return true; },
                [](int channel) { return "CAM " + std::to_string(channel + 1); }, [] { return std::string("case.vrc"); }};
    }
    std::unique_ptr<capture::PrintDialog> Open(capture::Printing* printing = nullptr)
    {
        return std::make_unique<capture::PrintDialog>(m_player, m_settings, Time(), printing ? *printing : m_printing,
                                                      [this](const QString& text) { m_messages.push_back(text); });
    }
    template <typename T = QPushButton> static T* Child(QWidget& dialog, const char* name)
    {
        T* child = dialog.findChild<T*>(name);
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    // Paints the dialog as the screen would, returning what it shows.
    static QImage Paint(QWidget& dialog) { return dialog.grab().toImage(); }

    testsupport::FakeCaptureControl m_control;
    display::CVorquil_Ctrl_Player m_player;
    capture::PrintSettings m_settings;
    testsupport::RecordingPrinting m_printing;
    std::vector<QString> m_messages;
    recording::SystemTime m_time{2010, 3, 0, 9, 8, 5, 7, 0};
    int m_format = 1;
};

// Types a note longer than the 100 characters kept, changes both choices, then closes the
// dialog; only Ok, or Enter in the note, keeps them, and the next opening shows them.
TEST_F(PrintDialogTest, OnlyOkKeepsTheChoices)
{
    for (const char* close : {"ok", "cancel", "enter"}) {
        m_settings = {};
        const auto dialog = Open();
        dialog->show();
        auto* edit = Child<QLineEdit>(*dialog, "noteEdit");
        edit->setFocus();
        QTest::keyClicks(edit, QString(120, QLatin1Char('x')));
        Child<QCheckBox>(*dialog, "noteCheck")->click();
        Child<QCheckBox>(*dialog, "timeInfoCheck")->click();
        if (close == std::string("enter"))
            QTest::keyClick(edit, Qt::Key_Return);
        else
            Child(*dialog, close == std::string("ok") ? "okButton" : "cancelButton")->click();

        EXPECT_FALSE(dialog->isVisible()) << close;
        const bool kept = close != std::string("cancel");
        EXPECT_EQ(dialog->result(), kept ? QDialog::Accepted : QDialog::Rejected) << close;
        EXPECT_EQ(m_settings.m_strPrintNote, kept ? QString(100, QLatin1Char('x')) : QString()) << close;
        EXPECT_EQ(m_settings.m_bPrintNote, kept ? 0 : 1) << close;
        EXPECT_EQ(m_settings.m_bPrintTimeInfo, kept ? 0 : 1) << close;
        const auto next = Open();
        EXPECT_EQ(Child<QLineEdit>(*next, "noteEdit")->text(), m_settings.m_strPrintNote);
        EXPECT_EQ(Child<QCheckBox>(*next, "noteCheck")->isChecked(), !kept);
        EXPECT_EQ(Child<QCheckBox>(*next, "timeInfoCheck")->isChecked(), !kept);
    }
}

// No picture: the black box, and nothing to print; a later paint
// retries. Reload refreshes the preview only: the paint it asks for shows its picture and loads
// no frame, so Print... prints the frame of the last loading paint, or nothing before one.
TEST_F(PrintDialogTest, PreviewAndReloadLoadOnlyWhatAPaintLoads)
{
    m_control.DeliverNothing();
    const auto dialog = Open();
    dialog->show();
    QImage shot = Paint(*dialog);
    EXPECT_EQ(shot.pixelColor(kPreview.topLeft()), QColor(0, 0, 0));
    Child(*dialog, "printButton")->click();
    m_control.DeliverTwoColours(0x00FF00, 0x00FF00);
    Child(*dialog, "reloadButton")->click();
    EXPECT_EQ(Paint(*dialog).pixelColor(kPreview.topLeft()), kGreen);
    Child(*dialog, "printButton")->click();
    EXPECT_TRUE(m_printing.pages.empty());
    EXPECT_EQ(m_printing.dialogsShown, 0);

    m_control.DeliverTwoColours(0xFF0000, 0x0000FF);
    shot = Paint(*dialog);
    EXPECT_EQ(shot.pixelColor(kPreview.topLeft()), kRed); // upright
    EXPECT_EQ(shot.pixelColor(kPreview.bottomRight()), kBlue);
    m_control.DeliverTwoColours(0x00FF00, 0x00FF00);
    Child(*dialog, "reloadButton")->click();
    EXPECT_EQ(Paint(*dialog).pixelColor(kPreview.center()), kGreen);
    m_control.DeliverNothing();
    Child(*dialog, "reloadButton")->click();
    EXPECT_EQ(Paint(*dialog).pixelColor(kPreview.center()), kGreen);
    Child(*dialog, "printButton")->click();
    ASSERT_EQ(m_printing.pages.size(), 1u);
    EXPECT_EQ(m_printing.pages[0].images.at(0).first.pixelColor(0, 0), kRed);
}

// The stamp is read when printing (the player moved on meanwhile), the note as typed; with
// both choices off the picture is printed alone.
TEST_F(PrintDialogTest, PrintPrintsTheLoadedFrameWithTheChosenTexts)
{
    for (int choice : {1, 0}) {
        m_settings = {QStringLiteral("kept"), choice, choice};
        m_printing.pages.clear();
        m_control.DeliverTwoColours(0xFF0000, 0x0000FF);
        m_control.Stamp(2, *recording::SystemTimeToFTime(m_time), 640);
        const auto dialog = Open();
        dialog->show();
        Paint(*dialog);
        QTest::keyClicks(Child<QLineEdit>(*dialog, "noteEdit"), QStringLiteral(" now"));
        // The stamp is the printed frame's own, whatever plays on meanwhile.
        m_control.Stamp(1, *recording::SystemTimeToFTime(m_time) + 1, 0);
        m_format = 6;
        m_time.wSecond = 8;

        Child(*dialog, "printButton")->click();

        ASSERT_EQ(m_printing.pages.size(), 1u);
        const testsupport::PrintedPage& page = m_printing.pages[0];
        ASSERT_EQ(page.images.size(), 1u);
        EXPECT_EQ(page.images[0].second, QRect(288, 0, 4224, 3456));
        EXPECT_EQ(page.images[0].first.pixelColor(0, 0), kRed);
        // The stamp white on the picture, the note and the recording's name black on the paper.
        std::vector<std::pair<QString, QColor>> printed{{"09/03/2010 08:05:07.640  CAM 3", Qt::white},
                                                        {"kept now", Qt::black}};
        if (!choice)
            printed.clear();
        printed.emplace_back("Recording: case.vrc", Qt::black);
        EXPECT_EQ(page.texts, printed);
        EXPECT_TRUE(page.finished);
        EXPECT_TRUE(m_messages.empty());
        EXPECT_TRUE(dialog->isVisible());
    }
    EXPECT_EQ(m_printing.documents, std::vector<QString>(2, "Print - Kelvora"));
}

// A changed Time Info choice needs a paint that loads a frame to go with the stamp.
TEST_F(PrintDialogTest, PrintStopsEarly)
{
    const struct {
        const char* what;
        bool defaultPrinter, userCancels, timeInfoChanged;
        int dialogsShown;
        std::vector<QString> messages;
    } cases[] = {
        {"no default printer", false, false, false, 0, {"You have no default printer!"}},
        {"print dialog cancelled", true, true, false, 1, {}},
        {"time info changed since the last paint", true, false, true, 0, {}},
    };
    m_control.DeliverTwoColours(0, 0, 64, 48);
    for (const auto& c : cases) {
        m_printing = {};
        m_messages.clear();
        m_printing.hasDefaultPrinter = c.defaultPrinter;
        m_printing.userCancels = c.userCancels;
        const auto dialog = Open();
        Paint(*dialog);
        if (c.timeInfoChanged)
            Child<QCheckBox>(*dialog, "timeInfoCheck")->click();
        Child(*dialog, "printButton")->click();
        EXPECT_TRUE(m_printing.pages.empty()) << c.what;
        EXPECT_EQ(m_printing.dialogsShown, c.dialogsShown) << c.what;
        EXPECT_EQ(m_messages, c.messages) << c.what;
    }
}

// With no system printer, Print... opens the platform's print dialog on "Print to File (PDF)"
// with a file named after the recorded time; confirming it writes the page, which poppler reads
// back: the frame upright across the top, the stamp, the note, then the recording's name. Without a folder to write
// into, the old message remains.
TEST_F(PrintDialogTest, WithoutASystemPrinterThePrintDialogWritesThePageIntoAPdfFile)
{
    if (!QPrinterInfo::defaultPrinter().isNull())
        GTEST_SKIP() << "this machine has a system printer";
    testsupport::TempDir dir;
    m_control.DeliverTwoColours(0xFF0000, 0x0000FF);
    m_settings = {QStringLiteral("Gate 3 north camera"), 1, 1};
    m_time = {2009, 9, 0, 3, 14, 5, 9, 0};
    m_format = 3;
    const auto print = [&](capture::Printing& printing) {
        const auto dialog = Open(&printing);
        Paint(*dialog);
        Child(*dialog, "printButton")->click();
    };
    capture::QtPrinting nowhere(Time(), QString::fromStdString(dir.File("missing")));
    print(nowhere);
    EXPECT_EQ(m_messages, std::vector<QString>{"You have no default printer!"});

    capture::QtPrinting printing(Time(), QString::fromStdString(dir.Path().string()));
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
    EXPECT_EQ(m_messages.size(), 1u);
    const std::string pdf = dir.File("03-09-2009-140509.pdf");
    EXPECT_EQ(destination, "Print to File (PDF)");
    EXPECT_EQ(fileName.toStdString(), pdf);

    const QString file = QString::fromStdString(pdf);
    EXPECT_EQ(RunTool("pdftotext", {file, "-"}).simplified(), "03-09-2009 14:05:09.000 Gate 3 north camera Recording: case.vrc");
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
