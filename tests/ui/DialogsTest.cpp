#include <QTableWidget>

#include "MouseInput.h"
#include "res/Resources.h"
#include "ui/AboutDialog.h"
#include "ui/ControlIds.h"
#include "ui/KeyListWindow.h"
#include "ui/PlayerDialog.h"
#include "ui/SeekSlider.h"
#include "ui/SkinButton.h"
#include "ui/StaticText.h"
#include "ui/SystemAboutDialog.h"

#include <QTableWidget>
#include <QFile>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

using ui::PlayerDialog;
namespace id = ui::id;

namespace {

// Every key the key window lists is described in the player's manual page.
TEST(ManualPageTest, NamesEveryKeyOfTheKeyWindow)
{
    QFile page(qEnvironmentVariable("KELVORA_BUILD_DIR") + QStringLiteral("/dist/kelvora-player.1.md"));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(page.readAll());
    ui::KeyListWindow keys;
    ASSERT_GT(keys.Table()->rowCount(), 20);
    for (int row = 0; row < keys.Table()->rowCount(); ++row) {
        const QString key = keys.Table()->item(row, 0)->text();
        EXPECT_TRUE(text.contains(QStringLiteral("**%1**").arg(key))) << key.toStdString();
    }
}

struct PlayerDialogTest : ::testing::Test {
    PlayerDialog dialog;
};

TEST_F(PlayerDialogTest, FramelessFixedSkinWithPlaysLookHiddenStorageControlsAndAWholeTotalTime)
{
    EXPECT_TRUE(dialog.windowFlags() & Qt::FramelessWindowHint);
    // A normal top-level window to the window manager, not a dialog of some other window.
    EXPECT_EQ(dialog.windowType(), Qt::Window);
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    EXPECT_EQ(dialog.windowTitle(), "Kelvora Player");
    dialog.show();
    const QImage look = res::LoadBitmap(153).toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_TRUE(test::Snapshot(dialog.GetDlgItem(id::kPlay)) == look);
    for (int hidden : {id::kOpenVdxFile, id::kMakeChdFile, id::kCombineFiles, id::kFolderList}) {
        EXPECT_FALSE(dialog.GetDlgItem(hidden)->isVisible()) << hidden;
        EXPECT_FALSE(dialog.GetDlgItem(hidden)->isEnabled()) << hidden;
    }
    QWidget* total = dialog.GetDlgItem(id::kTotalTime);
    const int room = total->contentsRect().width();
    EXPECT_LE(total->fontMetrics().horizontalAdvance("88 : 88 : 88 / 88 : 88 : 88"), room);
    EXPECT_GT(total->contentsRect().left(), 0) << "the first digit clear of the label's edge";
}

TEST_F(PlayerDialogTest, PathBoxWhitensOnceARecordingIsChosen)
{
    EXPECT_EQ(QColor(test::Snapshot(&dialog).pixel(300, 730)), QColor(238, 238, 238));
    dialog.SetFileChosen(true);
    EXPECT_EQ(QColor(test::Snapshot(&dialog).pixel(300, 730)), QColor(Qt::white));
    dialog.SetFileChosen(false);
    EXPECT_EQ(QColor(test::Snapshot(&dialog).pixel(300, 730)), QColor(238, 238, 238));
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

// OK itself is clicked in the running player's test of the About box.
TEST(AboutDialog, FramelessWithBothLinesWholeAndItsCloseButtonRejectsAndReturnAccepts)
{
    ui::AboutDialog box;
    EXPECT_TRUE(box.windowFlags() & Qt::FramelessWindowHint);
    // The version on one line, neither line cut at the bottom.
    for (const ui::StaticText* line : {box.VersionLine(), box.SecondLine()}) {
        const QFontMetrics metrics(line->font());
        EXPECT_LE(metrics.horizontalAdvance(line->Text()), line->width()) << line->Text().toStdString();
        EXPECT_LE(metrics.height(), line->height()) << line->Text().toStdString();
    }
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
