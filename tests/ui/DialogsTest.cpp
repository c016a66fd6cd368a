#include "MouseInput.h"
#include "res/Resources.h"
#include "ui/AboutDialog.h"
#include "ui/ControlIds.h"
#include "ui/PlayerDialog.h"
#include "ui/SeekSlider.h"
#include "ui/SkinButton.h"
#include "ui/StaticText.h"
#include "ui/SystemAboutDialog.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using ui::PlayerDialog;
namespace id = ui::id;

namespace {

struct PlayerDialogTest : ::testing::Test {
    PlayerDialog dialog;
};

TEST_F(PlayerDialogTest, PlayShowsItsRestingLookAndTheStorageControlsStayHidden)
{
    dialog.show();
    const QImage look = res::LoadBitmap(153).toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_TRUE(test::Snapshot(dialog.GetDlgItem(id::kPlay)) == look);
    for (int hidden : {id::kOpenVdxFile, id::kMakeChdFile, id::kCombineFiles, id::kFolderList}) {
        EXPECT_FALSE(dialog.GetDlgItem(hidden)->isVisible()) << hidden;
        EXPECT_FALSE(dialog.GetDlgItem(hidden)->isEnabled()) << hidden;
    }
}

TEST_F(PlayerDialogTest, FramelessFixedSizeSkinWhosePathBoxWhitensOnceARecordingIsChosen)
{
    EXPECT_TRUE(dialog.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    EXPECT_EQ(dialog.windowTitle(), "Kelvora Player");
    const QImage image = test::Snapshot(&dialog);
    EXPECT_EQ(QColor(image.pixel(400, 12)), QColor(57, 57, 57)) << "title band";
    EXPECT_EQ(QColor(image.pixel(300, 730)), QColor(238, 238, 238)) << "path box, nothing chosen";
    dialog.SetFileChosen(true);
    EXPECT_EQ(QColor(test::Snapshot(&dialog).pixel(300, 730)), QColor(Qt::white));
    dialog.SetFileChosen(false);
    EXPECT_EQ(QColor(test::Snapshot(&dialog).pixel(300, 730)), QColor(238, 238, 238));
}

TEST_F(PlayerDialogTest, TheWidestTotalTimeFitsItsLabelWhole)
{
    QWidget* total = dialog.GetDlgItem(id::kTotalTime);
    const QFontMetrics metrics(total->font());
    EXPECT_LE(metrics.horizontalAdvance("88 : 88 : 88 / 88 : 88 : 88"), total->contentsRect().width());
    EXPECT_GT(total->contentsRect().left(), 0) << "the first digit clear of the label's edge";
}

TEST_F(PlayerDialogTest, DraggingTheSurfaceMovesTheWindowButNotFromTheVideo)
{
    const struct { QPoint press; bool moves; } cases[] = {
        {{8, 300}, true},    // beside the video frame
        {{300, 27}, true},   // above the video margin
        {{300, 28}, false},  // two pixels above the video
        {{11, 300}, false},  // five pixels left of the video
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

TEST_F(PlayerDialogTest, ExitAcceptsAndTheWindowMenusCloseRejects)
{
    const auto actions = dialog.WindowMenu()->actions();
    ASSERT_EQ(actions.size(), 6);
    EXPECT_EQ(actions[5]->text(), QString::fromUtf8("VorqPlayer 정보(&A)..."));
    dialog.show();
    test::Click(dialog.GetDlgItem(id::kExit), {5, 5});
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
    dialog.show();
    actions[3]->trigger();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.isVisible());
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

struct AboutDialogTest : ::testing::Test {
    ui::AboutDialog box;
};

TEST_F(AboutDialogTest, LaysOutAndPaintsTheSkinnedBox)
{
    EXPECT_EQ(box.size(), QSize(326, 343));
    EXPECT_TRUE(box.windowFlags() & Qt::FramelessWindowHint);
    // Both lines whole: the version on one line, neither cut at the bottom.
    for (const ui::StaticText* line : {box.VersionLine(), box.SecondLine()}) {
        const QFontMetrics metrics(line->font());
        EXPECT_LE(metrics.horizontalAdvance(line->Text()), line->width()) << line->Text().toStdString();
        EXPECT_LE(metrics.height(), line->height()) << line->Text().toStdString();
    }
    EXPECT_EQ(QColor(test::Snapshot(&box).pixel(314, 50)), QColor(Qt::white)) << "under the version";
}

// OK itself is clicked in the running player's test of the About box.
TEST_F(AboutDialogTest, TheCloseButtonRejectsAndReturnAccepts)
{
    box.show();
    test::Click(box.CancelButton(), {5, 5});
    EXPECT_EQ(box.result(), QDialog::Rejected);
    EXPECT_FALSE(box.isVisible());
    box.show();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, {});
    QApplication::sendEvent(&box, &enter);
    EXPECT_EQ(box.result(), QDialog::Accepted);
    EXPECT_FALSE(box.isVisible());
}

TEST(SystemAboutDialog, CaptionedBoxWithKoreanOk)
{
    ui::SystemAboutDialog box;
    EXPECT_FALSE(box.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(box.OkButton()->text(), QString::fromUtf8("확인"));
    box.show();
    box.OkButton()->click();
    EXPECT_EQ(box.result(), QDialog::Accepted);
}

} // namespace
