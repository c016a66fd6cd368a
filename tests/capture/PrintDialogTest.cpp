#include <vector>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "capture/FakeCaptureControl.h"
#include "capture/RecordingPrinting.h"
#include "display/CVorquil_Ctrl_Player.h"
#include "ui/capture/PrintDialog.h"
#include "ui/capture/QtPrinting.h"

namespace {

const QRect kPreview(12, 13, 352, 288);
const QColor kRed(255, 0, 0), kGreen(0, 255, 0), kBlue(0, 0, 255);

class PrintDialogTest : public testing::Test {
protected:
    PrintDialogTest() : m_player(&m_control) {}

    std::unique_ptr<capture::PrintDialog> Open()
    {
        return std::make_unique<capture::PrintDialog>(
            m_player, m_settings, capture::CaptureTimeSource{[this] { return m_time; }, [this] { return m_format; }},
            m_printing, [this](const QString& text) { m_messages.push_back(text); });
    }
    template <typename T = QPushButton> static T* Child(QWidget& dialog, const char* name)
    {
        T* child = dialog.findChild<T*>(name);
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    // Paints the dialog as the screen would, returning what it shows.
    static QImage Paint(QWidget& dialog) { return dialog.grab().toImage(); }
    void DeliverTwoColours(uint32_t top, uint32_t bottom)
    {
        m_control.Deliver(704, 576, 32, testsupport::TwoColourFrame(704, 576, top, bottom));
    }

    testsupport::FakeCaptureControl m_control;
    display::CVorquil_Ctrl_Player m_player;
    capture::PrintSettings m_settings;
    testsupport::RecordingPrinting m_printing;
    std::vector<QString> m_messages;
    recording::SystemTime m_time{2010, 3, 0, 9, 8, 5, 7, 0};
    int m_format = 1;
};

TEST_F(PrintDialogTest, ControlsSitWhereTheWindowPutsThem)
{
    const auto dialog = Open();
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Print"));
    const struct {
        const char* name;
        QRect geometry;
        const char* text;
    } controls[] = {
        {"reloadButton", {312, 307, 50, 20}, "Reload"}, {"noteEdit", {12, 333, 352, 20}, nullptr},
        {"printButton", {12, 366, 85, 24}, "Print..."}, {"okButton", {189, 366, 85, 24}, "Ok"},
        {"cancelButton", {279, 366, 85, 24}, "Cancel"}, {"noteCheck", {}, "Note"},
        {"timeInfoCheck", {}, "Time Info"},
    };
    for (const auto& c : controls) {
        auto* widget = Child<QWidget>(*dialog, c.name);
        ASSERT_NE(widget, nullptr);
        if (!c.geometry.isNull()) {
            EXPECT_EQ(widget->geometry(), c.geometry) << c.name;
        }
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            EXPECT_EQ(button->text(), QString::fromUtf8(c.text)) << c.name;
        }
    }
    // The check boxes in the dialog font, each wide enough for its whole text, side by side up
    // to Reload.
    EXPECT_EQ(dialog->font().family(), "Arial");
    EXPECT_EQ(dialog->font().pixelSize(), 12);
    auto* note = Child<QCheckBox>(*dialog, "noteCheck");
    auto* timeInfo = Child<QCheckBox>(*dialog, "timeInfoCheck");
    for (QCheckBox* box : {note, timeInfo}) {
        EXPECT_GE(box->width(), box->sizeHint().width()) << box->objectName().toStdString();
        EXPECT_EQ(QPoint(box->y(), box->height()), QPoint(307, 20));
    }
    EXPECT_EQ(timeInfo->geometry().right() + 1, 312);
    EXPECT_EQ(note->geometry().right() + 1, timeInfo->x());

    auto* edit = Child<QLineEdit>(*dialog, "noteEdit");
    QTest::keyClicks(edit, QString(120, QLatin1Char('x')));
    EXPECT_EQ(edit->text().size(), 100);
}

// Changes the note and both choices, then closes the dialog the given way.
enum class Close { Ok, Cancel, Escape, CloseBox, EnterInNote };

class PrintDialogClose : public PrintDialogTest, public testing::WithParamInterface<Close> {};

TEST_P(PrintDialogClose, OnlyOkKeepsTheChoices)
{
    const auto dialog = Open();
    dialog->show();
    auto* edit = Child<QLineEdit>(*dialog, "noteEdit");
    edit->setFocus();
    QTest::keyClicks(edit, QStringLiteral("lobby"));
    Child<QCheckBox>(*dialog, "noteCheck")->click();
    Child<QCheckBox>(*dialog, "timeInfoCheck")->click();

    switch (GetParam()) {
    case Close::Ok: Child(*dialog, "okButton")->click(); break;
    case Close::Cancel: Child(*dialog, "cancelButton")->click(); break;
    case Close::Escape: QTest::keyClick(edit, Qt::Key_Escape); break;
    case Close::CloseBox: dialog->close(); break;
    case Close::EnterInNote: QTest::keyClick(edit, Qt::Key_Return); break;
    }

    EXPECT_FALSE(dialog->isVisible());
    const bool kept = GetParam() == Close::Ok || GetParam() == Close::EnterInNote;
    EXPECT_EQ(dialog->result(), kept ? QDialog::Accepted : QDialog::Rejected);
    EXPECT_EQ(m_settings.m_strPrintNote, kept ? QStringLiteral("lobby") : QString());
    EXPECT_EQ(m_settings.m_bPrintNote, kept ? 0 : 1);
    EXPECT_EQ(m_settings.m_bPrintTimeInfo, kept ? 0 : 1);
    // The next opening shows what the player kept.
    const auto next = Open();
    EXPECT_EQ(Child<QLineEdit>(*next, "noteEdit")->text(), m_settings.m_strPrintNote);
    EXPECT_EQ(Child<QCheckBox>(*next, "noteCheck")->isChecked(), !kept);
    EXPECT_EQ(Child<QCheckBox>(*next, "timeInfoCheck")->isChecked(), !kept);
}

INSTANTIATE_TEST_SUITE_P(Ways, PrintDialogClose,
                         testing::Values(Close::Ok, Close::Cancel, Close::Escape, Close::CloseBox, Close::EnterInNote));

// No picture: the black box with its grey caption centred in it; a later paint retries, and
// shows the frame upright.
TEST_F(PrintDialogTest, PreviewShowsTheBlackBoxThenTheFrameUpright)
{
    m_control.DeliverNothing();
    const auto dialog = Open();
    QImage shot = Paint(*dialog);
    const QColor black(0, 0, 0);
    for (const QPoint& corner : {kPreview.topLeft(), kPreview.topRight(), kPreview.bottomLeft(), kPreview.bottomRight()})
        EXPECT_EQ(shot.pixelColor(corner), black);
    EXPECT_NE(shot.pixelColor(kPreview.topLeft() - QPoint(1, 1)), black);
    QRect caption;
    for (int y = kPreview.top(); y <= kPreview.bottom(); ++y)
        for (int x = kPreview.left(); x <= kPreview.right(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            if (c == QColor(180, 180, 180))
                caption |= QRect(x, y, 1, 1);
            else
                ASSERT_TRUE(c.red() == c.green() && c.green() == c.blue() && c.red() <= 180) << x << "," << y;
        }
    ASSERT_FALSE(caption.isEmpty());
    EXPECT_NEAR(caption.center().x(), kPreview.center().x(), 3);
    EXPECT_NEAR(caption.center().y(), kPreview.center().y(), 4);
    EXPECT_GT(caption.width(), 150); // one line of bold 18-pixel text
    EXPECT_LT(caption.height(), 20);

    DeliverTwoColours(0xFF0000, 0x0000FF);
    shot = Paint(*dialog);
    EXPECT_EQ(shot.pixelColor(kPreview.topLeft()), kRed);
    EXPECT_EQ(shot.pixelColor(kPreview.bottomRight()), kBlue);
}

// Reload refreshes the preview only: the paint it asks for shows its picture and loads no
// frame, so Print... prints the frame of the last loading paint, or nothing before one.
TEST_F(PrintDialogTest, ReloadChangesOnlyThePreview)
{
    m_control.DeliverNothing();
    const auto dialog = Open();
    dialog->show();
    Paint(*dialog);
    DeliverTwoColours(0x00FF00, 0x00FF00);
    Child(*dialog, "reloadButton")->click();
    EXPECT_EQ(Paint(*dialog).pixelColor(kPreview.topLeft()), kGreen);
    Child(*dialog, "printButton")->click();
    EXPECT_TRUE(m_printing.pages.empty());

    Paint(*dialog);
    DeliverTwoColours(0xFF0000, 0xFF0000);
    Child(*dialog, "reloadButton")->click();
    EXPECT_EQ(Paint(*dialog).pixelColor(kPreview.center()), kRed);
    m_control.DeliverNothing();
    Child(*dialog, "reloadButton")->click();
    EXPECT_EQ(Paint(*dialog).pixelColor(kPreview.center()), kRed);
    Child(*dialog, "printButton")->click();
    ASSERT_EQ(m_printing.pages.size(), 1u);
    EXPECT_EQ(m_printing.pages[0].images.at(0).image.pixelColor(0, 0), kGreen);
}

// Columns alternate red and blue; halving them must drop columns, never mix them.
TEST_F(PrintDialogTest, PreviewDropsPixelsRatherThanBlending)
{
    std::vector<uint8_t> stripes = testsupport::TwoColourFrame(704, 576, 0xFF0000, 0xFF0000);
    for (size_t pixel = 1; pixel < stripes.size() / 4; pixel += 2)
        std::swap(stripes[pixel * 4], stripes[pixel * 4 + 2]);
    m_control.Deliver(704, 576, 32, stripes);
    const auto dialog = Open();
    const QImage shot = Paint(*dialog);
    for (int y = kPreview.top(); y <= kPreview.bottom(); y += 7)
        for (int x = kPreview.left(); x <= kPreview.right(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            ASSERT_TRUE(c == kRed || c == kBlue) << x << "," << y;
        }
}

// The stamp is read when printing (the player moved on meanwhile), the note as typed; with
// both choices off the picture is printed alone.
TEST_F(PrintDialogTest, PrintPrintsTheLoadedFrameWithTheChosenTexts)
{
    for (int choice : {1, 0}) {
        m_settings = {QStringLiteral("kept"), choice, choice};
        m_printing.pages.clear();
        DeliverTwoColours(0xFF0000, 0x0000FF);
        const auto dialog = Open();
        dialog->show();
        Paint(*dialog);
        QTest::keyClicks(Child<QLineEdit>(*dialog, "noteEdit"), QStringLiteral(" now"));
        m_format = 6;
        m_time.wSecond = 8;

        Child(*dialog, "printButton")->click();

        ASSERT_EQ(m_printing.pages.size(), 1u);
        const testsupport::PrintedPage& page = m_printing.pages[0];
        ASSERT_EQ(page.images.size(), 1u);
        EXPECT_EQ(page.images[0].target, QRect(288, 0, 4224, 3456));
        EXPECT_EQ(page.images[0].image.pixelColor(0, 0), kRed);
        // The stamp white on the picture, the note black on the paper.
        std::vector<std::pair<QString, QColor>> texts;
        for (const auto& text : page.texts)
            texts.emplace_back(text.text, text.colour);
        const std::vector<std::pair<QString, QColor>> printed{{"09/03/2010 08:05:08", Qt::white},
                                                              {"kept now", Qt::black}};
        EXPECT_EQ(texts, choice ? printed : decltype(texts){});
        EXPECT_TRUE(page.finished);
        EXPECT_TRUE(m_messages.empty());
        EXPECT_TRUE(dialog->isVisible());
    }
    EXPECT_EQ(m_printing.documents, std::vector<QString>(2, "Print - Kelvora"));
}

TEST_F(PrintDialogTest, PrintStopsEarly)
{
    const struct {
        const char* what;
        bool picture, defaultPrinter, userCancels;
        int dialogsShown;
        std::vector<QString> messages;
    } cases[] = {
        {"nothing loaded", false, true, false, 0, {}},
        {"no default printer", true, false, false, 0, {"You have no default printer!"}},
        {"print dialog cancelled", true, true, true, 1, {}},
    };
    for (const auto& c : cases) {
        m_printing = {};
        m_messages.clear();
        m_printing.hasDefaultPrinter = c.defaultPrinter;
        m_printing.userCancels = c.userCancels;
        if (c.picture)
            m_control.Deliver(64, 48, 32, testsupport::PatternFrame(64, 48, 1));
        else
            m_control.DeliverNothing();
        const auto dialog = Open();
        Paint(*dialog);
        Child(*dialog, "printButton")->click();
        EXPECT_TRUE(m_printing.pages.empty()) << c.what;
        EXPECT_EQ(m_printing.dialogsShown, c.dialogsShown) << c.what;
        EXPECT_EQ(m_messages, c.messages) << c.what;
    }
}

TEST_F(PrintDialogTest, TimeInfoNeedsARepaintBeforePrinting)
{
    m_control.Deliver(64, 48, 32, testsupport::PatternFrame(64, 48, 1));
    const auto dialog = Open();
    Paint(*dialog);
    Child<QCheckBox>(*dialog, "timeInfoCheck")->click();
    Child(*dialog, "printButton")->click();
    EXPECT_EQ(m_printing.dialogsShown, 0);

    const int captures = m_control.Captures();
    Paint(*dialog);
    EXPECT_EQ(m_control.Captures(), captures + 1);
    Child(*dialog, "printButton")->click();
    EXPECT_EQ(m_printing.pages.size(), 1u);
}

TEST(QtPrinting, PrintDialogOffersOnePageOfOneDocumentOnly)
{
    QPrinter printer;
    QPrintDialog dialog(&printer);
    capture::QtPrinting::ConfigurePrintDialog(dialog);
    for (auto option : {QAbstractPrintDialog::PrintToFile, QAbstractPrintDialog::PrintSelection,
                        QAbstractPrintDialog::PrintPageRange, QAbstractPrintDialog::PrintCurrentPage})
        EXPECT_FALSE(dialog.testOption(option)) << option;
    EXPECT_TRUE(dialog.testOption(QAbstractPrintDialog::PrintCollateCopies));
}

} // namespace
