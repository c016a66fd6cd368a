#include "ui/PlayerDialog.h"

#include "MouseInput.h"
#include "res/Resources.h"
#include "ui/ControlIds.h"
#include "ui/SeekSlider.h"
#include "ui/StaticText.h"

#include <QKeyEvent>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

using ui::PlayerDialog;
namespace id = ui::id;

namespace {

struct PlayerDialogTest : ::testing::Test {
    PlayerDialog dialog;
    QString Text(int id) { return static_cast<ui::StaticText*>(dialog.GetDlgItem(id))->Text(); }
};

TEST_F(PlayerDialogTest, EachControlShowsItsRestingLookOrStaysHidden)
{
    // Matching the bitmap also checks each button's size.
    const std::pair<int, int> looks[] = {
        {id::kPlay, 153},     {id::kR, 160},     {id::kRew, 162},           {id::kF, 156},
        {id::kFf, 158},       {id::kExit, 178},  {id::kSpeakerMin, 166},    {id::kMinimize, 182},
        {id::kFileOpen, 163}, {id::kPrint, 215}, {id::kCh1, 205},           {id::kCh4, 207},
        {id::kCh9, 209},      {id::kCh16, 211},
    };
    dialog.show();
    for (auto [control, bitmap] : looks) {
        QWidget* w = dialog.GetDlgItem(control);
        const QImage look = res::LoadBitmap(bitmap).toImage().convertToFormat(QImage::Format_RGB32);
        EXPECT_TRUE(w->isVisible() && test::Snapshot(w) == look) << control;
    }
    for (int shown : {id::kVolume, id::kSeek, id::kPathBox, id::kOsd, id::kSpeed, id::kTotalTime})
        EXPECT_TRUE(dialog.GetDlgItem(shown)->isVisible()) << shown;
    for (int hidden : {id::kSpeakerMax, id::kMaximize, id::kName, id::kVer, id::kSearching})
        EXPECT_FALSE(dialog.GetDlgItem(hidden)->isVisible()) << hidden;
    for (int hidden : {id::kOpenVdxFile, id::kMakeChdFile, id::kCombineFiles, id::kFolderList}) {
        ASSERT_NE(dialog.GetDlgItem(hidden), nullptr) << hidden;
        EXPECT_FALSE(dialog.GetDlgItem(hidden)->isVisible()) << hidden;
        EXPECT_FALSE(dialog.GetDlgItem(hidden)->isEnabled()) << hidden;
    }
    dialog.SetSearchingVisible(true);
    EXPECT_TRUE(dialog.GetDlgItem(id::kSearching)->isVisible());
}

TEST_F(PlayerDialogTest, FramelessFixedSizeWithARoundedOutlineAndRestingTotalTime)
{
    EXPECT_TRUE(dialog.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(dialog.size(), QSize(734, 766));
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    EXPECT_FALSE(dialog.mask().contains(QPoint(0, 0)));
    EXPECT_TRUE(dialog.mask().contains(QPoint(0, 383)));
    EXPECT_EQ(Text(id::kTotalTime), "00 : 00 : 00 / 00 : 00 : 00");
    EXPECT_EQ(dialog.windowTitle(), "Kelvora Player");
}

TEST_F(PlayerDialogTest, PaintsTheSkinAndWhitensThePathBoxOnceARecordingIsChosen)
{
    const struct { int x, y; QColor colour; const char* what; } points[] = {
        {0, 383, Qt::black, "outline"},
        {400, 12, QColor(57, 57, 57), "title band"},
        {12, 300, QColor(100, 100, 100), "video frame"},
        {300, 750, QColor(225, 225, 225), "lower panel"},
        {300, 730, QColor(238, 238, 238), "path box before a recording is chosen"},
    };
    const QImage image = test::Snapshot(&dialog);
    for (const auto& p : points)
        EXPECT_EQ(QColor(image.pixel(p.x, p.y)), p.colour) << p.what << " at " << p.x << "," << p.y;
    dialog.SetFileChosen(true);
    EXPECT_EQ(QColor(test::Snapshot(&dialog).pixel(300, 730)), QColor(Qt::white));
    dialog.SetFileChosen(false);
    EXPECT_EQ(QColor(test::Snapshot(&dialog).pixel(300, 730)), QColor(238, 238, 238));
}

TEST_F(PlayerDialogTest, TotalTimeStaysWhole)
{
    // Text pixels are darker than the grey below the band; none may touch either end of the label.
    auto* total = static_cast<ui::StaticText*>(dialog.GetDlgItem(id::kTotalTime));
    total->SetText("88 : 88 : 88 / 88 : 88 : 88");
    const QImage image = test::Snapshot(total);
    std::vector<bool> inked(image.width());
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y)
            inked[x] = inked[x] || QColor(image.pixel(x, y)).lightness() < 90;
    EXPECT_FALSE(inked.front());
    EXPECT_FALSE(inked.back());
    EXPECT_GT(std::count(inked.begin(), inked.end(), true), 40); // the digits are there
}

TEST_F(PlayerDialogTest, DraggingTheSurfaceMovesTheWindowButNotFromTheVideo)
{
    const struct { QPoint press; bool moves; } cases[] = {
        {{8, 300}, true},    // beside the video frame
        {{300, 27}, true},   // above the video margin
        {{300, 28}, false},  // two pixels above the video
        {{11, 300}, false},  // five pixels left of the video
        {{300, 650}, true},  // transport bar
    };
    for (const auto& c : cases) {
        dialog.move(100, 100);
        test::Press(&dialog, c.press);
        test::Drag(&dialog, c.press + QPoint(30, 20));
        test::Release(&dialog, c.press + QPoint(30, 20));
        EXPECT_EQ(dialog.pos(), QPoint(100, 100) + (c.moves ? QPoint(30, 20) : QPoint()))
            << c.press.x() << "," << c.press.y();
    }
}

TEST_F(PlayerDialogTest, ExitAcceptsAndEscapeCloseAndTheWindowMenusCloseReject)
{
    const auto actions = dialog.WindowMenu()->actions();
    ASSERT_EQ(actions.size(), 6);
    EXPECT_EQ(actions[5]->text(), QString::fromUtf8("VorqPlayer 정보(&A)..."));
    const auto escape = [&] {
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, {});
        QApplication::sendEvent(&dialog, &esc);
    };
    const struct { const char* way; std::function<void()> act; QDialog::DialogCode result; } ways[] = {
        {"exit", [&] { test::Click(dialog.GetDlgItem(id::kExit), {5, 5}); }, QDialog::Accepted},
        {"escape", escape, QDialog::Rejected},
        {"close", [&] { dialog.close(); }, QDialog::Rejected},
        {"menu", [&] { actions[3]->trigger(); }, QDialog::Rejected},
    };
    for (const auto& w : ways) {
        dialog.show();
        dialog.setResult(w.result == QDialog::Accepted ? QDialog::Rejected : QDialog::Accepted);
        w.act();
        EXPECT_EQ(dialog.result(), w.result) << w.way;
        EXPECT_FALSE(dialog.isVisible()) << w.way;
    }
}

TEST_F(PlayerDialogTest, MinimizeAndRestoreRecentres)
{
    dialog.show();
    dialog.move(3, 4);
    test::Click(dialog.GetDlgItem(id::kMinimize), {5, 5});
    EXPECT_TRUE(dialog.windowState() & Qt::WindowMinimized);
    dialog.showNormal();
    const QRect screen = dialog.screen()->geometry();
    EXPECT_EQ(dialog.pos(), screen.topLeft() + QPoint((screen.width() - 734) / 2, (screen.height() - 766) / 2));
}

TEST_F(PlayerDialogTest, AltSpaceOpensTheWindowMenuWhateverHasTheFocus)
{
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    dialog.GetDlgItem(id::kPlay)->setFocus();
    QSignalSpy play(&dialog, &PlayerDialog::PlayClicked);
    QTest::keyClick(dialog.GetDlgItem(id::kPlay), Qt::Key_Space, Qt::AltModifier);
    EXPECT_TRUE(dialog.WindowMenu()->isVisible());
    EXPECT_EQ(play.count(), 0);
    dialog.WindowMenu()->hide();
}

// The buttons' and the volume slider's notifications are checked through their keys.
TEST_F(PlayerDialogTest, SeekSliderForwardsItsReports)
{
    QSignalSpy seek(&dialog, &PlayerDialog::SeekScrolled);
    dialog.GetSeekSlider()->setRange(0, 100);
    test::Click(dialog.GetSeekSlider(), {356, 10});
    test::Settle();
    ASSERT_EQ(seek.count(), 2);
    EXPECT_EQ(seek[1][0].toInt(), ui::SeekSlider::kThumbPosition);
    EXPECT_EQ(seek[1][1].toInt(), 50);
}

} // namespace
