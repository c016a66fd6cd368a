#include "ui/PlayerDialog.h"

#include "MouseInput.h"
#include "res/Resources.h"
#include "ui/ControlIds.h"
#include "ui/SeekSlider.h"
#include "ui/SkinButton.h"
#include "ui/StaticText.h"
#include "ui/VolumeSlider.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>
#include <QSignalSpy>
#include <QTimer>
#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>
#include <ostream>

using ui::PlayerDialog;
namespace id = ui::id;

namespace {

struct DialogFixture : ::testing::Test {
    PlayerDialog dialog;
    QImage Painted() { return test::Snapshot(&dialog); }
};

struct Placement {
    int id;
    QRect geometry;
    bool visible;
    int normalBitmap;   // the resting look of a skin button, 0 for other controls
};

void PrintTo(const Placement& c, std::ostream* os) { *os << "control " << c.id; }

class Layout : public DialogFixture, public ::testing::WithParamInterface<Placement> {};

TEST_P(Layout, ControlSitsAtItsPositionWithItsLook)
{
    const Placement c = GetParam();
    dialog.show();
    QWidget* w = dialog.GetDlgItem(c.id);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->geometry(), c.geometry);
    EXPECT_EQ(w->isVisible(), c.visible);
    if (c.normalBitmap) {
        EXPECT_EQ(test::Snapshot(w), res::LoadBitmap(c.normalBitmap).toImage().convertToFormat(QImage::Format_RGB32));
    }
}

INSTANTIATE_TEST_SUITE_P(PlayerWindow, Layout, ::testing::Values(
    Placement{id::kPlay, {352, 644, 43, 48}, true, 153},
    Placement{id::kR, {316, 644, 36, 48}, true, 160},
    Placement{id::kRew, {280, 644, 36, 48}, true, 162},
    Placement{id::kF, {395, 644, 36, 48}, true, 156},
    Placement{id::kFf, {431, 644, 36, 48}, true, 158},
    Placement{id::kVolume, {604, 661, 115, 14}, true, 0},
    Placement{id::kSpeakerMin, {590, 661, 14, 15}, true, 166},
    Placement{id::kSpeakerMax, {699, 661, 14, 15}, false, 166},
    Placement{id::kMinimize, {683, 3, 19, 19}, true, 182},
    Placement{id::kMaximize, {683, 3, 19, 19}, false, 180},
    Placement{id::kExit, {702, 3, 19, 19}, true, 178},
    Placement{id::kDisplay, {15, 30, 704, 576}, true, 0},
    Placement{id::kSeek, {10, 694, 713, 20}, true, 0},
    Placement{id::kPathBox, {25, 724, 604, 15}, true, 0},
    Placement{id::kFileOpen, {634, 721, 53, 22}, true, 163},
    Placement{id::kPrint, {690, 721, 22, 21}, true, 215},
    Placement{id::kOsd, {270, 606, 180, 14}, true, 0},
    Placement{id::kSpeed, {195, 606, 80, 14}, true, 0},
    Placement{id::kTotalTime, {24, 662, 129, 15}, true, 0},
    Placement{id::kName, {35, 6, 62, 15}, false, 0},
    Placement{id::kVer, {660, 608, 50, 15}, false, 0},
    Placement{id::kSearching, {470, 606, 66, 14}, false, 0},
    Placement{id::kCh1, {641, 622, 19, 19}, true, 205},
    Placement{id::kCh4, {661, 622, 19, 19}, true, 207},
    Placement{id::kCh9, {681, 622, 19, 19}, true, 209},
    Placement{id::kCh16, {701, 622, 19, 19}, true, 211}));

TEST_F(DialogFixture, FramelessFixedSizeWithARoundedOutline)
{
    EXPECT_TRUE(dialog.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(dialog.size(), QSize(734, 766));
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    const QRegion mask = dialog.mask();
    EXPECT_FALSE(mask.contains(QPoint(0, 0)));
    EXPECT_FALSE(mask.contains(QPoint(733, 765)));
    EXPECT_TRUE(mask.contains(QPoint(0, 383)));
    EXPECT_TRUE(mask.contains(QPoint(7, 1)));
    EXPECT_TRUE(mask.contains(QPoint(733, 383)));
}

TEST_F(DialogFixture, HiddenCommandsAreHiddenAndDisabled)
{
    dialog.show();
    for (int hidden : {id::kOpenVdxFile, id::kMakeChdFile, id::kCombineFiles, id::kFolderList}) {
        QWidget* w = dialog.GetDlgItem(hidden);
        ASSERT_NE(w, nullptr) << hidden;
        EXPECT_FALSE(w->isVisible()) << hidden;
        EXPECT_FALSE(w->isEnabled()) << hidden;
    }
}

TEST_F(DialogFixture, StartsWithTheRestingTextsAndValues)
{
    const auto text = [&](int id) { return static_cast<ui::StaticText*>(dialog.GetDlgItem(id))->Text(); };
    EXPECT_EQ(text(id::kTotalTime), "00 : 00 : 00 / 00 : 00 : 00");
    EXPECT_EQ(text(id::kOsd), "");
    EXPECT_EQ(text(id::kSpeed), "");
    EXPECT_EQ(text(id::kName), "Kelvora Player");
    EXPECT_EQ(text(id::kVer), "Ver 1.0.1.3");
    EXPECT_EQ(dialog.GetDlgItem(id::kFf)->toolTip(), "Fast forward");
    EXPECT_EQ(dialog.windowTitle(), "Kelvora Player");
    EXPECT_EQ(dialog.GetVolumeSlider()->GetPos(), 8);
    EXPECT_EQ(dialog.GetSeekSlider()->value(), 0);
}

struct Point { int x, y; QRgb colour; const char* what; };

TEST_F(DialogFixture, PaintsTheSkin)
{
    const QImage image = Painted();
    const QRgb strip = res::LoadBitmap(175).toImage().pixel(0, 6);
    const Point points[] = {
        {0, 383, qRgb(0, 0, 0), "outline"},
        {5, 383, qRgb(255, 255, 255), "white window beside the frame"},
        {400, 12, qRgb(57, 57, 57), "title band"},
        {10, 12, qRgb(0, 0, 0), "title band outline"},
        {12, 300, qRgb(100, 100, 100), "video frame left"},
        {300, 612, qRgb(100, 100, 100), "video frame below"},
        {10, 300, qRgb(0, 0, 0), "video frame outline"},
        {300, 25, qRgb(0, 0, 0), "frame top over the band"},
        {300, 630, qRgb(255, 255, 255), "white strip under the frame"},
        {300, 642, qRgb(57, 57, 57), "bar border"},
        {200, 650, strip, "bar strip"},
        {100, 692, qRgb(47, 47, 47), "bar edge"},
        {100, 693, qRgb(200, 200, 200), "bar edge light"},
        {100, 714, qRgb(47, 47, 47), "lower edge"},
        {100, 715, qRgb(200, 200, 200), "lower edge light"},
        {9, 700, qRgb(57, 57, 57), "panel border left"},
        {300, 750, qRgb(225, 225, 225), "lower panel"},
        {300, 753, qRgb(57, 57, 57), "panel border bottom"},
        {300, 723, qRgb(228, 228, 228), "path frame inner"},
        {300, 722, qRgb(178, 178, 178), "path frame middle"},
        {300, 721, qRgb(104, 104, 104), "path frame outer"},
        {300, 739, qRgb(228, 228, 228), "path frame inner bottom"},
        {300, 741, qRgb(104, 104, 104), "path frame outer bottom"},
        {24, 730, qRgb(228, 228, 228), "path frame inner left"},
        {22, 730, qRgb(104, 104, 104), "path frame outer left"},
        {629, 730, qRgb(228, 228, 228), "path frame inner right"},
        {631, 730, qRgb(104, 104, 104), "path frame outer right"},
        {300, 730, qRgb(238, 238, 238), "path box before a recording is chosen"},
        {200, 697, qRgb(57, 57, 57), "seek slider background"},
    };
    for (const Point& p : points)
        EXPECT_EQ(QColor(image.pixel(p.x, p.y)), QColor(p.colour)) << p.what << " at " << p.x << "," << p.y;
    EXPECT_EQ(dialog.BarTop(), 644);
}

TEST_F(DialogFixture, ElapsedAndTotalTimeStayWhole)
{
    // Text pixels are darker than the grey below the band; none may touch either end of the label.
    auto* total = static_cast<ui::StaticText*>(dialog.GetDlgItem(id::kTotalTime));
    for (const char* text : {"00 : 00 : 00 / 00 : 00 : 00", "88 : 88 : 88 / 88 : 88 : 88"}) {
        total->SetText(text);
        const QImage image = test::Snapshot(total);
        const auto inked = [&](int x) {
            for (int y = 0; y < image.height(); ++y)
                if (QColor(image.pixel(x, y)).lightness() < 90)
                    return true;
            return false;
        };
        EXPECT_FALSE(inked(0)) << text;
        EXPECT_FALSE(inked(image.width() - 1)) << text;
        int columns = 0;
        for (int x = 0; x < image.width(); ++x)
            columns += inked(x) ? 1 : 0;
        EXPECT_GT(columns, 40) << text; // the digits are there
    }
}

TEST_F(DialogFixture, PathBoxTurnsWhiteOnceARecordingIsChosen)
{
    dialog.SetFileChosen(true);
    EXPECT_EQ(QColor(Painted().pixel(300, 730)), QColor(Qt::white));
    dialog.SetFileChosen(false);
    EXPECT_EQ(QColor(Painted().pixel(300, 730)), QColor(238, 238, 238));
}

struct LabelColours { int id; QColor text, back; std::optional<QColor> brush; };

TEST_F(DialogFixture, LabelColours)
{
    const QColor gray(100, 100, 100), cyan(0, 192, 255);
    const LabelColours table[] = {
        {id::kOsd, cyan, gray, gray},
        {id::kSpeed, cyan, gray, gray},
        {id::kVer, cyan, gray, gray},
        {id::kTotalTime, QColor(57, 57, 57), QColor(169, 169, 169), gray},
        {id::kName, Qt::white, QColor(57, 57, 57), gray},
        {id::kSearching, cyan, gray, std::nullopt},
    };
    for (const auto& c : table) {
        const auto* label = static_cast<ui::StaticText*>(dialog.GetDlgItem(c.id));
        EXPECT_EQ(label->TextColor(), c.text) << c.id;
        EXPECT_EQ(label->TextBackColor(), c.back) << c.id;
        EXPECT_EQ(label->BackgroundColor(), c.brush) << c.id;
    }
    const QImage image = Painted();
    EXPECT_EQ(QColor(image.pixel(100, 676)), gray) << "TOTALTIME's background below its text";
    EXPECT_EQ(QColor(image.pixel(24, 662)), QColor(169, 169, 169)) << "TOTALTIME's text band";
    const auto* path = static_cast<QLineEdit*>(dialog.GetDlgItem(id::kPathBox));
    EXPECT_EQ(path->palette().color(QPalette::Text), QColor(35, 35, 35));
}

TEST_F(DialogFixture, TextSettersReachTheirLabels)
{
    dialog.SetOsdText("2010-03-09 08:05:07");
    dialog.SetSpeedText("( FF 2X )");
    dialog.SetTotalTimeText("01 : 02 : 05 / 02 : 00 : 00");
    dialog.SetPathText("/tmp/a.vrc");
    dialog.show();
    dialog.SetSearchingVisible(true);
    const auto text = [&](int id) { return static_cast<ui::StaticText*>(dialog.GetDlgItem(id))->Text(); };
    EXPECT_EQ(text(id::kOsd), "2010-03-09 08:05:07");
    EXPECT_EQ(text(id::kSpeed), "( FF 2X )");
    EXPECT_EQ(text(id::kTotalTime), "01 : 02 : 05 / 02 : 00 : 00");
    EXPECT_EQ(static_cast<QLineEdit*>(dialog.GetDlgItem(id::kPathBox))->text(), "/tmp/a.vrc");
    EXPECT_TRUE(dialog.GetDlgItem(id::kSearching)->isVisible());
}

struct DragCase { QPoint press; bool moves; };

TEST_F(DialogFixture, DraggingTheSurfaceMovesTheWindowButNotFromTheVideo)
{
    const DragCase cases[] = {
        {{400, 12}, true},    // title band
        {{8, 300}, true},     // beside the video frame
        {{300, 27}, true},    // above the video margin
        {{300, 28}, false},   // two pixels above the video
        {{11, 300}, false},   // five pixels left of the video
        {{723, 300}, false},  // five pixels right of the video
        {{300, 650}, true},   // transport bar
    };
    for (const DragCase& c : cases) {
        dialog.move(100, 100);
        test::Press(&dialog, c.press);
        test::Drag(&dialog, c.press + QPoint(30, 20));
        test::Release(&dialog, c.press + QPoint(30, 20));
        EXPECT_EQ(dialog.pos(), c.moves ? QPoint(130, 120) : QPoint(100, 100)) << c.press.x() << "," << c.press.y();
    }
}

TEST_F(DialogFixture, ExitAcceptsEscapeAndCloseReject)
{
    dialog.show();
    test::Click(dialog.GetDlgItem(id::kExit), {5, 5});
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());

    dialog.show();
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &esc);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.isVisible());

    dialog.show();
    dialog.setResult(QDialog::Accepted);
    dialog.close();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST_F(DialogFixture, MinimizeAndRestoreRecentres)
{
    dialog.show();
    dialog.move(3, 4);
    test::Click(dialog.GetDlgItem(id::kMinimize), {5, 5});
    EXPECT_TRUE(dialog.windowState() & Qt::WindowMinimized);
    dialog.showNormal();
    const QRect screen = dialog.screen()->geometry();
    EXPECT_EQ(dialog.pos(), QPoint(screen.x() + (screen.width() - 734) / 2, screen.y() + (screen.height() - 766) / 2));
}

TEST_F(DialogFixture, WindowMenuCarriesTheAboutItem)
{
    const auto actions = dialog.WindowMenu()->actions();
    ASSERT_EQ(actions.size(), 6);
    EXPECT_EQ(actions[0]->text(), "Restore");
    EXPECT_EQ(actions[2]->text(), "Minimize");
    EXPECT_EQ(actions[3]->text(), "Close");
    EXPECT_TRUE(actions[4]->isSeparator());
    EXPECT_EQ(actions[5]->text(), QString::fromUtf8("VorqPlayer 정보(&A)..."));
    dialog.show();
    actions[3]->trigger();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(DialogFixture, AltSpaceOpensTheWindowMenuWhateverHasTheFocus)
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

TEST_F(DialogFixture, ControlsForwardTheirNotifications)
{
    using Signal = void (PlayerDialog::*)();
    const std::pair<int, Signal> buttons[] = {
        {id::kPlay, &PlayerDialog::PlayClicked}, {id::kRew, &PlayerDialog::RewClicked},
        {id::kR, &PlayerDialog::RClicked}, {id::kF, &PlayerDialog::FClicked},
        {id::kFf, &PlayerDialog::FfClicked}, {id::kFileOpen, &PlayerDialog::FileOpenClicked},
        {id::kPrint, &PlayerDialog::PrintClicked}, {id::kSpeakerMin, &PlayerDialog::SpeakerClicked},
        {id::kCh1, &PlayerDialog::Ch1Clicked}, {id::kCh4, &PlayerDialog::Ch4Clicked},
        {id::kCh9, &PlayerDialog::Ch9Clicked}, {id::kCh16, &PlayerDialog::Ch16Clicked},
    };
    for (const auto& [button, signal] : buttons) {
        QSignalSpy spy(&dialog, signal);
        // FileOpen and Print go on to open their dialogs: close them as they come up.
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [] {
            if (QWidget* modal = QApplication::activeModalWidget())
                modal->close();
        });
        closer.start(10);
        test::Click(dialog.GetDlgItem(button), {3, 3});
        EXPECT_EQ(spy.count(), 1) << button;
    }

    QSignalSpy volume(&dialog, &PlayerDialog::VolumeTrackEnded);
    test::Click(dialog.GetVolumeSlider(), {57, 7});
    EXPECT_EQ(volume.count(), 1);
    EXPECT_EQ(dialog.GetVolumeSlider()->GetPos(), 7);

    QSignalSpy seek(&dialog, &PlayerDialog::SeekScrolled);
    dialog.GetSeekSlider()->setRange(0, 100);
    test::Click(dialog.GetSeekSlider(), {356, 10});
    test::Settle();
    ASSERT_EQ(seek.count(), 2);
    EXPECT_EQ(seek[0][0].toInt(), ui::SeekSlider::kThumbTrack);
    EXPECT_EQ(seek[1][0].toInt(), ui::SeekSlider::kThumbPosition);
    EXPECT_EQ(seek[1][1].toInt(), 50);
}

} // namespace
