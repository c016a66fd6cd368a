// The running player as a user meets it: the real window, the real display control loaded
// from its library, real encoded recordings, the real play and seek threads and clock.
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <utility>

#include "app/startup/ControlLibrary.h"
#include "display/DispId.h"
#include "playback/PlayState.h"
#include "support/FileSizeLimit.h"
#include "support/TempDir.h"
#include "tools/sample/SampleWriter.h"
#include "ui/ControlIds.h"
#include "ui/FullScreenView.h"
#include "ui/MessageBox.h"
#include "ui/OperatorTools.h"
#include "ui/PlayerDialog.h"
#include "ui/RunningPlayer.h"
#include "ui/SeekSlider.h"
#include "ui/SnapshotNote.h"
#include "ui/StaticText.h"

namespace {

namespace fs = std::filesystem;

class PlayerEndToEnd : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_library = new app::ControlLibrary;
        ASSERT_TRUE(s_library->LoadAndRegister());
        s_dir = new testsupport::TempDir;
        // Snapshots go under the home folder: a fresh one, so the test sees every file written.
        ::setenv("HOME", s_dir->Path().c_str(), 1);
    }
    static void TearDownTestSuite()
    {
        delete s_dir;
        s_library->Release();
        delete s_library;
    }

    void SetUp() override
    {
        ui::SetMessageBoxHandler([this](const QString& text) { m_messages.push_back(text.toStdString()); });
        m_dialog = std::make_unique<ui::PlayerDialog>();
        m_dialog->show();
    }
    // Whatever still plays is closed with the window: ASan and TSan runs watch the threads stop.
    void TearDown() override
    {
        m_dialog.reset();
        ui::SetMessageBoxHandler({});
    }

    ui::RunningPlayer& Player() { return m_dialog->Player(); }
    playback::PlayerCore& Core() { return Player().Core(); }
    QString Text(int id) { return static_cast<ui::StaticText*>(m_dialog->GetDlgItem(id))->Text(); }
    void Click(int id) { QTest::mouseClick(m_dialog->GetDlgItem(id), Qt::LeftButton, {}, QPoint(5, 5)); }
    bool WaitFor(const std::function<bool()>& condition) { return QTest::qWaitFor(condition, 8000); }
    bool WaitForOsd(const char* prefix)
    {
        return WaitFor([&] { return Text(ui::id::kOsd).startsWith(prefix); });
    }
    // Written when a test first needs it; the long one outlasts any press through the speeds.
    std::string File(const std::string& name)
    {
        const std::map<std::string, sample::SampleOptions> recordings = {
            {"four.vrc", {.channels = 4, .audioMask = 0b0001, .seconds = 8}},
            {"one.vrc", {.channels = 1, .seconds = 3}},
            {"long.vrc", {.channels = 4, .seconds = 600, .reuseGop = true}},
        };
        const std::string path = s_dir->File(name);
        if (!fs::exists(path)) {
            EXPECT_EQ(sample::SampleWriter::Write(path, recordings.at(name)), "");
        }
        return path;
    }
    void Open(const std::string& name)
    {
        Player().OpenFile(QString::fromStdString(File(name)));
        ASSERT_TRUE(m_messages.empty());
    }
    // The picture the control holds for a snapshot, empty when it has none.
    std::vector<uint8_t> Captured(QSize* size = nullptr)
    {
        std::vector<uint8_t> buffer(display::kCaptureBufferSize);
        int32_t w = 0, h = 0, bpp = 0;
        const int32_t bytes = Player().Control().CaptureImage(buffer.data(), &w, &h, &bpp);
        buffer.resize(std::max(bytes, 0));
        if (size)
            *size = QSize(w, h);
        return buffer;
    }
    bool Shown() { return !Captured().empty(); }
    // The picture once the control has drawn everything it was given.
    std::vector<uint8_t> Settled()
    {
        std::vector<uint8_t> last;
        EXPECT_TRUE(WaitFor([&] {
            QTest::qWait(150);
            const std::vector<uint8_t> before = std::exchange(last, Captured());
            return !last.empty() && before == last;
        }));
        return last;
    }
    static void PressS(QWidget& window, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::simulateEvent(window.windowHandle(), true, Qt::Key_S, modifiers, QStringLiteral("s"), false);
    }
    static QColor Mean(const QImage& image)
    {
        return image.scaled(1, 1, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).pixelColor(0, 0);
    }

    static inline app::ControlLibrary* s_library = nullptr;
    static inline testsupport::TempDir* s_dir = nullptr;
    std::vector<std::string> m_messages;
    std::unique_ptr<ui::PlayerDialog> m_dialog;
};

// One window through a user's first minute: play, pause, a snapshot of the paused picture,
// resume, seek.
TEST_F(PlayerEndToEnd, PlaysPausesSnapsAndSeeks)
{
    Open("four.vrc");
    EXPECT_EQ(Text(ui::id::kTotalTime), "00 : 00 : 00 / 00 : 00 : 08");
    EXPECT_EQ(Text(ui::id::kOsd), "");
    EXPECT_FALSE(Shown());
    PressS(*m_dialog); // nothing on screen: a note, no message
    EXPECT_EQ(Player().Tools().Note().text(), "No snapshot: no picture on screen");

    Click(ui::id::kPlay);
    // The pause just after a second ends, so that the time display still names that second.
    ASSERT_TRUE(WaitForOsd("2024-06-03 09:00:02"));
    QString osd = Text(ui::id::kOsd);
    ASSERT_TRUE(WaitFor([&] { return Text(ui::id::kTotalTime) == "00 : 00 : 02 / 00 : 00 : 08"; }));
    EXPECT_EQ(m_dialog->GetSeekSlider()->maximum(), 6);
    EXPECT_GE(m_dialog->GetSeekSlider()->value(), 1);

    Click(ui::id::kPlay);
    EXPECT_EQ(Core().m_nPlayState, playback::kPaused);
    const recording::SystemTime shown = Core().m_ShownTime.Load();
    EXPECT_EQ(Core().m_PosTime.Load(), shown);
    QTest::qWait(300);
    EXPECT_EQ(Core().m_ShownTime.Load(), shown); // nothing is handed over while paused

    // S: the paused picture, whole and upright, in a file named by the time that was on
    // screen, and a note naming it.
    const QImage screen = m_dialog->GetDlgItem(ui::id::kDisplay)->grab().toImage();
    PressS(*m_dialog);
    QSize size;
    const std::vector<uint8_t> picture = Captured(&size);
    ASSERT_EQ(size, QSize(704, 576));
    const QImage snapped = QImage(picture.data(), 704, 576, QImage::Format_RGB32).mirrored();
    for (const QRect tile : {QRect(0, 0, 352, 288), QRect(352, 0, 352, 288), QRect(0, 288, 352, 288)}) {
        const QColor want = Mean(screen.copy(tile)), got = Mean(snapped.copy(tile));
        EXPECT_GT(want.lightness(), 20);
        for (auto component : {&QColor::red, &QColor::green, &QColor::blue})
            EXPECT_NEAR((want.*component)(), (got.*component)(), 16) << tile.x() << "," << tile.y();
    }
    const fs::path file = s_dir->Path() / "Storage" / "Capture" /
                          (osd.replace(' ', '-').remove(':').toStdString() + ".bmp");
    std::ifstream in(file, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    ASSERT_EQ(bytes.size(), 54 + picture.size()) << file;
    EXPECT_TRUE(std::equal(picture.begin(), picture.end(), bytes.begin() + 54));
    // An image viewer reads it as the picture: the headers say what the rows hold.
    EXPECT_EQ(QImage(QString::fromStdString(file.string())).convertToFormat(QImage::Format_RGB32), snapped);
    EXPECT_EQ(Player().Tools().Note().text(), "Snapshot saved: " + QString::fromStdString(file.string()));
    EXPECT_TRUE(m_messages.empty());
    // Alt+S, or S typed into another window, takes none: the full disk's file is the second.
    PressS(*m_dialog, Qt::AltModifier);
    QLineEdit other;
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    PressS(other);
    EXPECT_EQ(other.text(), "s");
    {
        // A full disk: the user hears of it, with the file and the reason.
        testsupport::FileSizeLimit full(4096);
        PressS(*m_dialog);
    }
    fs::path second = file;
    second.replace_filename(file.stem().string() + "-2.bmp");
    EXPECT_EQ(m_messages, std::vector<std::string>{"The snapshot could not be saved as \"" + second.string() +
                                                   "\": File too large."});
    EXPECT_FALSE(fs::exists(second));

    Click(ui::id::kPlay);
    EXPECT_EQ(Core().m_nPlayState, playback::kPlay);
    ASSERT_TRUE(WaitFor([&] { return !(Core().m_ShownTime.Load() == shown); }));
    m_dialog->GetSeekSlider()->setValue(5);
    Core().Transport().OnSeekSlider(playback::TransportCommands::kThumbPosition, true, 5);
    ASSERT_TRUE(WaitForOsd("2024-06-03 09:00:05"));
    EXPECT_GE(Core().m_nPosSec, 5);
}

TEST_F(PlayerEndToEnd, FastForwardAndRewindCycleTheirTexts)
{
    Open("long.vrc");
    Click(ui::id::kPlay);
    // Rewinding from the first second would reach the start, and pause, before the next press.
    ASSERT_TRUE(WaitFor([&] { return Text(ui::id::kOsd) >= "2024-06-03 09:00:02"; }));
    const char* ff[] = {"( FF 2X )", "( FF 4X )", "( FF 8X )", "( FF 16X )", "( FF 32X )", "( FF 2X )"};
    for (int i = 0; i < 6; ++i) {
        Click(ui::id::kFf);
        EXPECT_EQ(Text(ui::id::kSpeed), ff[i]);
    }
    for (const char* rew : {"( Rew 1X )", "( Rew 2X )", "( Rew 4X )"}) {
        Click(ui::id::kRew);
        EXPECT_EQ(Text(ui::id::kSpeed), rew);
    }
    Click(ui::id::kPlay);
    EXPECT_EQ(Core().m_nPlayState, playback::kPaused);
    EXPECT_EQ(Text(ui::id::kSpeed), "");
}

TEST_F(PlayerEndToEnd, EndOfStreamPausesAndPlayStartsOver)
{
    Open("one.vrc");
    Click(ui::id::kPlay);
    for (int i = 0; i < 5; ++i)
        Click(ui::id::kFf); // 32x
    ASSERT_TRUE(WaitFor([&] { return Core().m_bAtEnd == 1; }));
    EXPECT_EQ(Core().m_nPlayState, playback::kPaused);
    ASSERT_TRUE(WaitFor([&] { return Text(ui::id::kSpeed).isEmpty(); }));
    Click(ui::id::kPlay);
    EXPECT_EQ(Core().m_bAtEnd, 0);
    EXPECT_EQ(Core().m_nPosSec, 0);
    ASSERT_TRUE(WaitForOsd("2024-06-03 09:00:00"));
}

// Paused, each way of moving shows its frame in every tile: Go to Time before the first Play,
// '.' (every tile a frame on) and ',' (the very same picture as before it), and the slider let
// go at its end, which stops playing on the last frame.
TEST_F(PlayerEndToEnd, NavigationShowsItsFrameInEveryTile)
{
    Open("four.vrc");
    ASSERT_TRUE(Player().Tools().GoToText("09:00:03", Core().TimeAtSecond(0)));
    const std::vector<uint8_t> at3 = Settled();
    EXPECT_EQ(Core().m_nPlayState, playback::kPaused);
    EXPECT_EQ(m_dialog->GetSeekSlider()->value(), 3);
    const auto press = [&](Qt::Key key, const char* text) {
        QTest::simulateEvent(m_dialog->windowHandle(), true, key, {}, QString::fromLatin1(text), false);
        QTest::qWait(50);
        return Settled();
    };
    const std::vector<uint8_t> next = press(Qt::Key_Period, ".");
    ASSERT_EQ(next.size(), at3.size());
    EXPECT_EQ(Core().m_ShownTime.Load(), Core().TimeOfKey(3040));
    // Each tile: 288 rows (bottom row first) of 352 pixels of 4 bytes.
    for (size_t tile = 0; tile < 4; ++tile) {
        bool moved = false;
        for (size_t row = tile / 2 * 288; row < tile / 2 * 288 + 288 && !moved; ++row) {
            const size_t offset = (row * 704 + tile % 2 * 352) * 4;
            moved = !std::equal(at3.begin() + offset, at3.begin() + offset + 352 * 4, next.begin() + offset);
        }
        EXPECT_TRUE(moved) << "tile " << tile;
    }
    EXPECT_EQ(press(Qt::Key_Comma, ","), at3);

    Click(ui::id::kPlay);
    ASSERT_TRUE(WaitFor([&] { return Core().m_nPosSec >= 4; }));
    m_dialog->GetSeekSlider()->setValue(m_dialog->GetSeekSlider()->maximum());
    Core().Transport().OnSeekSlider(playback::TransportCommands::kThumbPosition, true, Core().m_nSeekMax);
    ASSERT_TRUE(WaitFor([&] { return Core().m_bAtEnd == 1; }));
    EXPECT_EQ(Core().m_nPlayState, playback::kPaused);
    EXPECT_EQ(Core().m_ShownTime.Load(), Core().TimeOfKey(Core().m_EndInfo[0].f_msec));
}

// An open while playing pauses and starts afresh: whether it succeeds or fails, not one tile
// keeps a picture of the recording played before, even after the layout changes back and forth.
TEST_F(PlayerEndToEnd, AnOpenWhilePlayingStartsAfreshWhetherItSucceedsOrFails)
{
    QWidget* display = m_dialog->GetDlgItem(ui::id::kDisplay);
    QTest::qWait(50);
    const QImage idle = display->grab().toImage();
    testsupport::WriteBytes(s_dir->File("short.vrc"), std::vector<uint8_t>(100, 0));
    for (const auto& [playing, next] : {std::pair{"four.vrc", "short.vrc"}, {"one.vrc", "four.vrc"}}) {
        Open(playing);
        Click(ui::id::kPlay);
        ASSERT_TRUE(WaitFor([&] { return Core().m_nPosSec >= 1 && Shown(); }));
        Player().OpenFile(QString::fromStdString(File(next)));
        m_messages.clear();
        EXPECT_EQ(Core().m_nPlayState, playback::kPaused) << next;
        if (next == std::string("four.vrc")) {
            EXPECT_EQ(Text(ui::id::kTotalTime), "00 : 00 : 00 / 00 : 00 : 08");
        }
        for (int tiles : {16, 1}) {
            Player().OnChannelLayout(tiles);
            QTest::qWait(100);
            EXPECT_FALSE(Shown()) << next;
            EXPECT_EQ(display->grab().toImage(), idle) << next;
        }
    }
    Click(ui::id::kPlay);
    ASSERT_TRUE(WaitFor([&] { return Text(ui::id::kTotalTime) == "00 : 00 : 01 / 00 : 00 : 08"; }));
    EXPECT_TRUE(Text(ui::id::kOsd).startsWith("2024-06-03 09:00:01"));
}

TEST_F(PlayerEndToEnd, FullScreenShowsTheControlLargerAndEscapeBringsItBack)
{
    Open("four.vrc");
    Click(ui::id::kPlay);
    ASSERT_TRUE(WaitFor([&] { return Shown(); }));
    QWidget* display = m_dialog->GetDlgItem(ui::id::kDisplay);

    QTest::simulateEvent(m_dialog->windowHandle(), true, Qt::Key_F, {}, QStringLiteral("f"), false);
    ui::FullScreenView* view = Player().Tools().FullScreen();
    ASSERT_TRUE(view->IsActive());
    EXPECT_EQ(display->parentWidget(), view);
    // A 1920x1080 screen: the control's shape kept, centred, black at the sides.
    view->setGeometry(0, 0, 1920, 1080);
    EXPECT_EQ(display->geometry(), QRect(300, 0, 1320, 1080));
    ASSERT_TRUE(WaitFor([&] {
        const QImage shot = display->grab().toImage();
        return shot.size() == QSize(1320, 1080) && shot.pixelColor(660, 540).lightness() > 40;
    }));
    QSize snapshot; // keeps the full frame
    Captured(&snapshot);
    EXPECT_EQ(snapshot, QSize(704, 576));

    QTest::keyClick(view, Qt::Key_Escape);
    EXPECT_FALSE(view->IsActive());
    EXPECT_EQ(display->parentWidget(), m_dialog.get());
    EXPECT_EQ(display->geometry(), QRect(15, 30, 704, 576));
    EXPECT_TRUE(Shown());
}

} // namespace
