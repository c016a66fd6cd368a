#include "ui/PlayerDialog.h"

#include "MouseInput.h"
#include "res/Resources.h"
#include "ui/ControlIds.h"
#include "ui/SeekSlider.h"
#include "ui/StaticText.h"
#include "ui/VolumeSlider.h"

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

TEST_F(PlayerDialogTest, EachControlSitsAtItsPositionWithItsLook)
{
    // The resting look of a skin button, 0 for other controls.
    const struct { int id; QRect geometry; bool visible; int bitmap; } controls[] = {
        {id::kPlay, {352, 644, 43, 48}, true, 153},       {id::kR, {316, 644, 36, 48}, true, 160},
        {id::kRew, {280, 644, 36, 48}, true, 162},        {id::kF, {395, 644, 36, 48}, true, 156},
        {id::kFf, {431, 644, 36, 48}, true, 158}, {id::kVolume, {604, 661, 115, 14}, true, 0},
        {id::kSpeakerMin, {590, 661, 14, 15}, true, 166}, {id::kSpeakerMax, {699, 661, 14, 15}, false, 166},
        {id::kMinimize, {683, 3, 19, 19}, true, 182}, {id::kMaximize, {683, 3, 19, 19}, false, 180},
        {id::kExit, {702, 3, 19, 19}, true, 178}, {id::kDisplay, {15, 30, 704, 576}, true, 0},
        {id::kSeek, {10, 694, 713, 20}, true, 0}, {id::kPathBox, {25, 724, 604, 15}, true, 0},
        {id::kFileOpen, {634, 721, 53, 22}, true, 163}, {id::kPrint, {690, 721, 22, 21}, true, 215},
        {id::kOsd, {270, 606, 180, 14}, true, 0},         {id::kSpeed, {195, 606, 80, 14}, true, 0},
        {id::kTotalTime, {24, 662, 129, 15}, true, 0},    {id::kName, {35, 6, 62, 15}, false, 0},
        {id::kVer, {660, 608, 50, 15}, false, 0}, {id::kSearching, {470, 606, 66, 14}, false, 0},
        {id::kCh1, {641, 622, 19, 19}, true, 205},        {id::kCh4, {661, 622, 19, 19}, true, 207},
        {id::kCh9, {681, 622, 19, 19}, true, 209}, {id::kCh16, {701, 622, 19, 19}, true, 211},
    };
    dialog.show();
    for (const auto& c : controls) {
        QWidget* w = dialog.GetDlgItem(c.id);
        ASSERT_NE(w, nullptr) << c.id;
        EXPECT_EQ(w->geometry(), c.geometry) << c.id;
        EXPECT_EQ(w->isVisible(), c.visible) << c.id;
        const QImage look = res::LoadBitmap(c.bitmap).toImage().convertToFormat(QImage::Format_RGB32);
        EXPECT_TRUE(!c.bitmap || test::Snapshot(w) == look) << c.id;
    }
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
    const QRegion mask = dialog.mask();
    for (QPoint outside : {QPoint(0, 0), QPoint(733, 765)})
        EXPECT_FALSE(mask.contains(outside)) << outside.x();
    for (QPoint inside : {QPoint(0, 383), QPoint(7, 1), QPoint(733, 383)})
        EXPECT_TRUE(mask.contains(inside)) << inside.x();
    EXPECT_EQ(Text(id::kTotalTime), "00 : 00 : 00 / 00 : 00 : 00");
    EXPECT_EQ(dialog.windowTitle(), "Kelvora Player");
}

TEST_F(PlayerDialogTest, PaintsTheSkinAndWhitensThePathBoxOnceARecordingIsChosen)
{
    const struct { int x, y; QColor colour; const char* what; } points[] = {
        {0, 383, Qt::black, "outline"},
        {5, 383, Qt::white, "white window beside the frame"},
        {400, 12, QColor(57, 57, 57), "title band"},
        {12, 300, QColor(100, 100, 100), "video frame left"},
        {300, 612, QColor(100, 100, 100), "video frame below"},
        {10, 300, Qt::black, "video frame outline"},
        {300, 630, Qt::white, "white strip under the frame"},
        {300, 642, QColor(57, 57, 57), "bar border"},
        {200, 650, res::LoadBitmap(175).toImage().pixel(0, 6), "bar strip"},
        {100, 692, QColor(47, 47, 47), "bar edge"},
        {100, 715, QColor(200, 200, 200), "lower edge light"},
        {9, 700, QColor(57, 57, 57), "panel border left"},
        {300, 750, QColor(225, 225, 225), "lower panel"},
        {300, 721, QColor(104, 104, 104), "path frame outer"},
        {629, 730, QColor(228, 228, 228), "path frame inner right"},
        {631, 730, QColor(104, 104, 104), "path frame outer right"},
        {300, 730, QColor(238, 238, 238), "path box before a recording is chosen"},
        {200, 697, QColor(57, 57, 57), "seek slider background"},
        {100, 676, QColor(100, 100, 100), "TOTALTIME's background below its text"},
        {24, 662, QColor(169, 169, 169), "TOTALTIME's text band"},
    };
    const QImage image = test::Snapshot(&dialog);
    for (const auto& p : points)
        EXPECT_EQ(QColor(image.pixel(p.x, p.y)), p.colour) << p.what << " at " << p.x << "," << p.y;
    EXPECT_EQ(dialog.BarTop(), 644);
    dialog.SetFileChosen(true);
    EXPECT_EQ(QColor(test::Snapshot(&dialog).pixel(300, 730)), QColor(Qt::white));
    dialog.SetFileChosen(false);
    EXPECT_EQ(QColor(test::Snapshot(&dialog).pixel(300, 730)), QColor(238, 238, 238));
}

TEST_F(PlayerDialogTest, ElapsedAndTotalTimeStayWhole)
{
    // Text pixels are darker than the grey below the band; none may touch either end of the label.
    auto* total = static_cast<ui::StaticText*>(dialog.GetDlgItem(id::kTotalTime));
    for (const char* text : {"00 : 00 : 00 / 00 : 00 : 00", "88 : 88 : 88 / 88 : 88 : 88"}) {
        total->SetText(text);
        const QImage image = test::Snapshot(total);
        std::vector<bool> inked(image.width());
        for (int x = 0; x < image.width(); ++x)
            for (int y = 0; y < image.height(); ++y)
                inked[x] = inked[x] || QColor(image.pixel(x, y)).lightness() < 90;
        EXPECT_FALSE(inked.front()) << text;
        EXPECT_FALSE(inked.back()) << text;
        EXPECT_GT(std::count(inked.begin(), inked.end(), true), 40) << text; // the digits are there
    }
}

TEST_F(PlayerDialogTest, DraggingTheSurfaceMovesTheWindowButNotFromTheVideo)
{
    const struct { QPoint press; bool moves; } cases[] = {
        {{400, 12}, true},   // title band
        {{8, 300}, true},    // beside the video frame
        {{300, 27}, true},   // above the video margin
        {{300, 28}, false},  // two pixels above the video
        {{11, 300}, false},  // five pixels left of the video
        {{723, 300}, false}, // five pixels right of the video
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
    EXPECT_EQ(actions[0]->text(), "Restore");
    EXPECT_EQ(actions[2]->text(), "Minimize");
    EXPECT_TRUE(actions[4]->isSeparator());
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

TEST_F(PlayerDialogTest, ControlsForwardTheirNotifications)
{
    using Signal = void (PlayerDialog::*)();
    const std::pair<int, Signal> buttons[] = {
        {id::kPlay, &PlayerDialog::PlayClicked},         {id::kRew, &PlayerDialog::RewClicked},
        {id::kR, &PlayerDialog::RClicked},               {id::kF, &PlayerDialog::FClicked},
        {id::kFf, &PlayerDialog::FfClicked}, {id::kFileOpen, &PlayerDialog::FileOpenClicked},
        {id::kPrint, &PlayerDialog::PrintClicked}, {id::kSpeakerMin, &PlayerDialog::SpeakerClicked},
        {id::kCh1, &PlayerDialog::Ch1Clicked},           {id::kCh4, &PlayerDialog::Ch4Clicked},
        {id::kCh9, &PlayerDialog::Ch9Clicked},           {id::kCh16, &PlayerDialog::Ch16Clicked},
    };
    test::Answers closer({&test::CloseModalBox}); // FileOpen and Print go on to open their dialogs
    for (const auto& [button, signal] : buttons) {
        QSignalSpy spy(&dialog, signal);
        test::Click(dialog.GetDlgItem(button), {3, 3});
        EXPECT_EQ(spy.count(), 1) << button;
    }
    QSignalSpy volume(&dialog, &PlayerDialog::VolumeTrackEnded);
    test::Click(dialog.GetVolumeSlider(), {57, 7});
    EXPECT_EQ(volume.count(), 1);
    QSignalSpy seek(&dialog, &PlayerDialog::SeekScrolled);
    dialog.GetSeekSlider()->setRange(0, 100);
    test::Click(dialog.GetSeekSlider(), {356, 10});
    test::Settle();
    ASSERT_EQ(seek.count(), 2);
    EXPECT_EQ(seek[1][0].toInt(), ui::SeekSlider::kThumbPosition);
    EXPECT_EQ(seek[1][1].toInt(), 50);
}

} // namespace
