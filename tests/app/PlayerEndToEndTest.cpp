// The running player as a user meets it: the real window, the real display control loaded
// from its library, real encoded recordings, the real play and seek threads and clock.
#include <QTest>
#include <gtest/gtest.h>

#include "app/startup/ControlLibrary.h"
#include "display/DispId.h"
#include "playback/PlayState.h"
#include "support/TempDir.h"
#include "tools/sample/SampleWriter.h"
#include "ui/ControlIds.h"
#include "ui/FullScreenView.h"
#include "ui/OperatorTools.h"
#include "ui/MessageBox.h"
#include "ui/PlayerDialog.h"
#include "ui/RunningPlayer.h"
#include "ui/SeekSlider.h"
#include "ui/SkinButton.h"
#include "ui/StaticText.h"

namespace {

using namespace std::chrono_literals;

class PlayerEndToEnd : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_library = new app::ControlLibrary;
        ASSERT_TRUE(s_library->LoadAndRegister());
        s_dir = new testsupport::TempDir;
        Write("four.vrc", 4, 0b0001, 8);
        Write("one.vrc", 1, 0, 3);
        // Long enough that no speed reaches either end while a test presses through the speeds.
        sample::SampleOptions o;
        o.channels = 4;
        o.seconds = 600;
        o.reuseGop = true;
        ASSERT_EQ(sample::SampleWriter::Write(s_dir->File("long.vrc"), o), "");
    }
    static void TearDownTestSuite()
    {
        delete s_dir;
        s_library->Release();
        delete s_library;
    }
    static void Write(const std::string& name, int channels, uint32_t audio, int seconds)
    {
        sample::SampleOptions o;
        o.channels = channels;
        o.audioMask = audio;
        o.seconds = seconds;
        ASSERT_EQ(sample::SampleWriter::Write(s_dir->File(name), o), "");
    }

    void SetUp() override
    {
        ui::SetMessageBoxHandler([this](const QString& text) { m_messages.push_back(text.toStdString()); });
        m_dialog = std::make_unique<ui::PlayerDialog>();
        m_dialog->show();
    }
    void TearDown() override
    {
        m_dialog.reset();
        ui::SetMessageBoxHandler({});
    }

    ui::RunningPlayer& Player() { return m_dialog->Player(); }
    playback::PlayerCore& Core() { return Player().Core(); }
    QString Text(int id) { return static_cast<ui::StaticText*>(m_dialog->GetDlgItem(id))->Text(); }
    void Click(int id) { QTest::mouseClick(m_dialog->GetDlgItem(id), Qt::LeftButton, {}, QPoint(5, 5)); }
    void Open(const std::string& name)
    {
        Player().OpenFile(QString::fromStdString(s_dir->File(name)));
        ASSERT_TRUE(m_messages.empty());
    }
    bool WaitFor(const std::function<bool()>& condition, int ms = 8000) { return QTest::qWaitFor(condition, ms); }
    bool Shown()
    {
        std::vector<uint8_t> buffer(display::kCaptureBufferSize);
        int32_t w = 0, h = 0, bpp = 0;
        return Player().Control().CaptureImage(buffer.data(), &w, &h, &bpp) >= 0;
    }

    static app::ControlLibrary* s_library;
    static testsupport::TempDir* s_dir;
    std::vector<std::string> m_messages;
    std::unique_ptr<ui::PlayerDialog> m_dialog;
};

app::ControlLibrary* PlayerEndToEnd::s_library = nullptr;
testsupport::TempDir* PlayerEndToEnd::s_dir = nullptr;

TEST_F(PlayerEndToEnd, OpensPlaysAndShowsTheRecordedTime)
{
    Open("four.vrc");
    EXPECT_EQ(Text(ui::id::kTotalTime), "00 : 00 : 00 / 00 : 00 : 08");
    EXPECT_EQ(Text(ui::id::kOsd), "");
    EXPECT_FALSE(Shown());

    Click(ui::id::kPlay);
    ASSERT_TRUE(WaitFor([&] { return Text(ui::id::kOsd).startsWith("2024-06-03 09:00:0"); }));
    ASSERT_TRUE(WaitFor([&] { return Text(ui::id::kTotalTime) == "00 : 00 : 02 / 00 : 00 : 08"; }));
    EXPECT_TRUE(Shown());
    EXPECT_EQ(m_dialog->GetSeekSlider()->maximum(), 6);
    EXPECT_GE(m_dialog->GetSeekSlider()->value(), 1);
}

TEST_F(PlayerEndToEnd, PausesAndResumesFromTheFrameShown)
{
    Open("four.vrc");
    Click(ui::id::kPlay);
    ASSERT_TRUE(WaitFor([&] { return Core().m_nPosSec >= 1; }));
    Click(ui::id::kPlay);
    EXPECT_EQ(Core().m_nPlayState, playback::kPaused);
    const recording::SystemTime shown = Core().m_ShownTime.Load();
    EXPECT_EQ(Core().m_PosTime.Load(), shown);
    QTest::qWait(300);
    EXPECT_EQ(Core().m_ShownTime.Load(), shown); // nothing is handed over while paused
    Click(ui::id::kPlay);
    EXPECT_EQ(Core().m_nPlayState, playback::kPlay);
    ASSERT_TRUE(WaitFor([&] { return !(Core().m_ShownTime.Load() == shown); }));
}

TEST_F(PlayerEndToEnd, FastForwardAndRewindCycleTheirTexts)
{
    Open("long.vrc");
    Click(ui::id::kPlay);
    // Rewinding from the first second would reach the start, and pause, before the next press.
    ASSERT_TRUE(WaitFor([&] { return Text(ui::id::kOsd) >= "2024-06-03 09:00:02"; }));
    const char* ff[] = {"( FF 2X )", "( FF 4X )", "( FF 8X )", "( FF 16X )", "( FF 32X )", "( FF 2X )"};
    const char* tips[] = {"2X", "4X", "8X", "16X", "FF", "2X"};
    for (int i = 0; i < 6; ++i) {
        Click(ui::id::kFf);
        EXPECT_EQ(Text(ui::id::kSpeed), ff[i]);
        EXPECT_EQ(m_dialog->GetDlgItem(ui::id::kFf)->toolTip(), tips[i]);
    }
    for (const char* rew : {"( Rew 1X )", "( Rew 2X )", "( Rew 4X )"}) {
        Click(ui::id::kRew);
        EXPECT_EQ(Text(ui::id::kSpeed), rew);
    }
    Click(ui::id::kPlay);
    EXPECT_EQ(Core().m_nPlayState, playback::kPaused);
    EXPECT_EQ(Text(ui::id::kSpeed), "");
}

TEST_F(PlayerEndToEnd, SeekSliderMovesPlaybackToThePosition)
{
    Open("four.vrc");
    Click(ui::id::kPlay);
    ASSERT_TRUE(WaitFor([&] { return !Text(ui::id::kOsd).isEmpty(); }));
    m_dialog->GetSeekSlider()->setValue(5);
    Core().Transport().OnSeekSlider(playback::TransportCommands::kThumbPosition, true, 5);
    ASSERT_TRUE(WaitFor([&] { return Text(ui::id::kOsd).startsWith("2024-06-03 09:00:05"); }));
    EXPECT_GE(Core().m_nPosSec, 5);
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
    ASSERT_TRUE(WaitFor([&] { return Text(ui::id::kOsd).startsWith("2024-06-03 09:00:00"); }));
}

TEST_F(PlayerEndToEnd, OpeningAnotherRecordingWhilePlaying)
{
    Open("one.vrc");
    Click(ui::id::kPlay);
    ASSERT_TRUE(WaitFor([&] { return !Text(ui::id::kOsd).isEmpty(); }));
    Open("four.vrc");
    EXPECT_EQ(Core().m_nPlayState, playback::kPaused);
    EXPECT_EQ(Text(ui::id::kTotalTime), "00 : 00 : 00 / 00 : 00 : 08");
    Click(ui::id::kPlay);
    ASSERT_TRUE(WaitFor([&] { return Text(ui::id::kTotalTime) == "00 : 00 : 01 / 00 : 00 : 08"; }));
    EXPECT_TRUE(Text(ui::id::kOsd).startsWith("2024-06-03 09:00:01"));
}

TEST_F(PlayerEndToEnd, AnOpenAfterPlayingShowsTheIdlePictureWhetherItSucceedsOrFails)
{
    QWidget* display = m_dialog->GetDlgItem(ui::id::kDisplay);
    QTest::qWait(50);
    const QImage idle = display->grab().toImage();
    testsupport::WriteBytes(s_dir->File("short.vrc"), std::vector<uint8_t>(100, 0));
    for (const char* next : {"one.vrc", "short.vrc"}) {
        Open("four.vrc");
        Click(ui::id::kPlay);
        ASSERT_TRUE(WaitFor([&] { return Core().m_nPosSec >= 1 && Shown(); }));
        Player().OpenFile(QString::fromStdString(s_dir->File(next)));
        m_messages.clear();
        // Not one tile keeps a picture of the recording played before, even after the layout
        // is changed back and forth.
        for (int tiles : {16, 1}) {
            Player().OnChannelLayout(tiles);
            QTest::qWait(100);
            EXPECT_FALSE(Shown()) << next;
            EXPECT_EQ(display->grab().toImage(), idle) << next;
        }
    }
}

TEST_F(PlayerEndToEnd, ClosingWhilePlayingStopsTheThreadsFirst)
{
    Open("four.vrc");
    Click(ui::id::kPlay);
    ASSERT_TRUE(WaitFor([&] { return Core().m_nPosSec >= 1; }));
    m_dialog.reset(); // ASan and TSan runs watch this
    SUCCEED();
}

TEST_F(PlayerEndToEnd, FullScreenShowsTheControlLargerAndEscapeBringsItBack)
{
    Open("four.vrc");
    Click(ui::id::kPlay);
    ASSERT_TRUE(WaitFor([&] { return Shown(); }));
    QWidget* display = m_dialog->GetDlgItem(ui::id::kDisplay);
    const QRect window = m_dialog->geometry();

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
    // The snapshot keeps the full 704x576 frame.
    std::vector<uint8_t> buffer(display::kCaptureBufferSize);
    int32_t w = 0, h = 0, bpp = 0;
    ASSERT_GE(Player().Control().CaptureImage(buffer.data(), &w, &h, &bpp), 0);
    EXPECT_EQ(QSize(w, h), QSize(704, 576));

    QTest::keyClick(view, Qt::Key_Escape);
    EXPECT_FALSE(view->IsActive());
    EXPECT_FALSE(view->isVisible());
    EXPECT_EQ(display->parentWidget(), m_dialog.get());
    EXPECT_EQ(display->geometry(), QRect(15, 30, 704, 576));
    EXPECT_EQ(m_dialog->geometry(), window);
    EXPECT_TRUE(Shown());
}

} // namespace
