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
#include <mutex>
#include <sys/stat.h>
#include <utility>

#include "app/startup/ControlLibrary.h"
#include "display/DispId.h"
#include "playback/PlayState.h"
#include "recording/TimeConversion.h"
#include "support/FileSizeLimit.h"
#include "support/TempDir.h"
#include "tools/sample/BitmapFont.h"
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
            {"gop1.vrc", {.channels = 4, .seconds = 8, .gop = 25, .stampOffsetMs = 3}},
            {"gop2.vrc", {.channels = 4, .seconds = 8, .gop = 50, .stampOffsetMs = 3}},
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
    // The picture once the play loop has served the step asked for and the control has drawn
    // everything it was given: a loaded machine may take longer than any fixed wait for either.
    std::vector<uint8_t> Settled()
    {
        EXPECT_TRUE(WaitFor([&] { return Core().m_nStepRequest == playback::PlayerCore::kNoRequest; }));
        // A step being served holds the turn lock until its frames are handed over.
        Core().m_turnLock.lock();
        Core().m_turnLock.unlock();
        std::vector<uint8_t> last;
        EXPECT_TRUE(WaitFor([&] {
            QTest::qWait(150);
            int32_t running = 1;
            Player().Control().QueryRunning(&running);
            const std::vector<uint8_t> before = std::exchange(last, Captured());
            return running == 0 && !last.empty() && before == last;
        }));
        return last;
    }
    static void PressS(QWidget& window, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::simulateEvent(window.windowHandle(), true, Qt::Key_S, modifiers, QStringLiteral("s"), false);
    }
    // The clock the sample writer burns into a picture, "hh:mm:ss.mmm" in 5x7 dots of 8 pixels
    // from (32, 208), read back from a picture of one tile alone.
    static QString BurnedClock(const QImage& picture)
    {
        static const std::string kChars = "0123456789:.";
        QString clock;
        for (int i = 0; i < 12; ++i) {
            std::array<uint8_t, sample::BitmapFont::kRows> rows{};
            for (int row = 0; row < sample::BitmapFont::kRows; ++row) {
                for (int col = 0; col < sample::BitmapFont::kColumns; ++col)
                    rows[row] |= qGray(picture.pixel(36 + i * 48 + col * 8, 212 + row * 8)) > 128 ? 0x10 >> col : 0;
            }
            const auto c = std::find_if(kChars.begin(), kChars.end(), [&](char c) { return sample::BitmapFont::Glyph(c) == rows; });
            clock += c == kChars.end() ? '?' : *c;
        }
        return clock;
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
    ASSERT_TRUE(WaitForOsd("2024-06-03 09:00:02"));
    ASSERT_TRUE(WaitFor([&] { return Text(ui::id::kTotalTime) == "00 : 00 : 02 / 00 : 00 : 08"; }));
    EXPECT_EQ(m_dialog->GetSeekSlider()->maximum(), 6);
    EXPECT_GE(m_dialog->GetSeekSlider()->value(), 1);

    Click(ui::id::kPlay);
    EXPECT_EQ(Core().m_nPlayState, playback::kPaused);
    const recording::SystemTime shown = Core().m_ShownTime.Load();
    EXPECT_EQ(Core().m_PosTime.Load(), shown);
    QTest::qWait(300);
    EXPECT_EQ(Core().m_ShownTime.Load(), shown); // nothing is handed over while paused
    QString osd = Text(ui::id::kOsd);

    // S: the paused picture, whole and upright, in a file named by its time, which is on screen,
    // and its channel, and a note naming it.
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
                          (osd.replace(' ', '-').remove(':').toStdString() + "-CAM 01.bmp");
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
    const std::string ms = std::to_string(1000 + Core().m_CurTime.Load().wMilliseconds).substr(1);
    second.replace_filename(osd.toStdString() + "." + ms + "-CAM 01.bmp");
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
    // Rewinding from the first seconds could reach the start, and pause, before the last press
    // (the time shown is the picture's, a little behind what is handed over under load).
    ASSERT_TRUE(WaitFor([&] { return Text(ui::id::kOsd) >= "2024-06-03 09:00:05"; }));
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
    // The picture, and its time with it, goes back before the last key frame's (a loaded
    // machine may drop the first second's frames until the next key frame).
    ASSERT_TRUE(WaitFor([&] { return Text(ui::id::kOsd) < "2024-06-03 09:00:02"; }));
}

// Paused, each way of moving shows its frame in every tile: Go to Time before the first Play,
// '.' (every tile a frame on, also right after a pause) and ',' (the very same picture as
// before it), and the slider let go at its end, which stops playing on the last frame.
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
    // Each tile: 288 rows (bottom row first) of 352 pixels of 4 bytes.
    const auto expectEveryTileMoved = [](const std::vector<uint8_t>& before, const std::vector<uint8_t>& after) {
        ASSERT_EQ(after.size(), before.size());
        for (size_t tile = 0; tile < 4; ++tile) {
            bool moved = false;
            for (size_t row = tile / 2 * 288; row < tile / 2 * 288 + 288 && !moved; ++row) {
                const size_t offset = (row * 704 + tile % 2 * 352) * 4;
                moved = !std::equal(before.begin() + offset, before.begin() + offset + 352 * 4, after.begin() + offset);
            }
            EXPECT_TRUE(moved) << "tile " << tile;
        }
    };
    expectEveryTileMoved(at3, press(Qt::Key_Period, "."));
    EXPECT_EQ(Core().m_ShownTime.Load(), Core().TimeOfKey(3040));
    EXPECT_EQ(press(Qt::Key_Comma, ","), at3);

    // Paused after playing, the decoders still hold every frame: '.' moves the wall at once.
    Click(ui::id::kPlay);
    ASSERT_TRUE(WaitFor([&] { return Core().m_nPosSec >= 4; }));
    Click(ui::id::kPlay);
    const std::vector<uint8_t> paused = Settled();
    expectEveryTileMoved(paused, press(Qt::Key_Period, "."));
    Click(ui::id::kPlay);
    m_dialog->GetSeekSlider()->setValue(m_dialog->GetSeekSlider()->maximum());
    Core().Transport().OnSeekSlider(playback::TransportCommands::kThumbPosition, true, Core().m_nSeekMax);
    ASSERT_TRUE(WaitFor([&] { return Core().m_bAtEnd == 1; }));
    EXPECT_EQ(Core().m_nPlayState, playback::kPaused);
    EXPECT_EQ(Core().m_ShownTime.Load(), Core().TimeOfKey(Core().m_EndInfo[0].f_msec));
    // '-' there rewinds from the last frame: the picture goes back past the last key frame.
    const auto shownSecond = [&] { return recording::SystemTimeToFTime(Core().m_ShownTime.Load()).value_or(0); };
    const int32_t lastSecond = shownSecond();
    press(Qt::Key_Minus, "-");
    ASSERT_TRUE(WaitFor([&] { return shownSecond() < lastSecond - 1; }));
}

// An open while playing pauses and starts afresh: whether it succeeds or fails, not one tile
// keeps a picture of the recording played before, even after the layout changes back and forth.
// A file that cannot be played is checked whole before anything changes: the recording that
// plays goes on, and the message names the file and why. One that opens starts afresh.
TEST_F(PlayerEndToEnd, AnOpenWhilePlayingStartsAfreshOnlyWhenTheNewFileOpens)
{
    QWidget* display = m_dialog->GetDlgItem(ui::id::kDisplay);
    QTest::qWait(50);
    const QImage idle = display->grab().toImage();
    testsupport::WriteBytes(s_dir->File("short.vrc"), std::vector<uint8_t>(100, 0));
    ASSERT_EQ(::mkfifo(s_dir->File("pipe.vrc").c_str(), 0600), 0);
    const std::string loop = s_dir->File("loop.vrc");
    fs::create_symlink(loop, loop);
    const std::string latin1 = s_dir->File("caf\xE9.vrc");
    fs::copy_file(File("one.vrc"), latin1);
    Open("four.vrc");
    Click(ui::id::kPlay);
    ASSERT_TRUE(WaitFor([&] { return Core().m_nPosSec >= 1 && Shown(); }));
    const std::pair<std::string, std::string> refused[] = {
        {"short.vrc", "C1001 : Broken or corrupted data file.\n" + s_dir->File("short.vrc") + ": it has 100 bytes"},
        {"pipe.vrc", "Cannot open " + s_dir->File("pipe.vrc") + ": it is a named pipe (FIFO)"},
        {"loop.vrc", "Cannot open " + loop + ": Too many levels of symbolic links."},
        {"missing.vrc", "Cannot open " + s_dir->File("missing.vrc") + ": No such file or directory."},
    };
    for (const auto& [name, says] : refused) {
        Player().OpenFile(s_dir->File(name));
        ASSERT_EQ(m_messages.size(), 1u) << name;
        EXPECT_TRUE(m_messages[0].starts_with(says)) << m_messages[0];
        m_messages.clear();
        EXPECT_NE(Core().m_nPlayState, playback::kPaused) << name;
        EXPECT_EQ(qobject_cast<QLineEdit*>(m_dialog->GetDlgItem(ui::id::kPathBox))->text().toStdString(),
                  File("four.vrc"));
    }
    // A name that is not UTF-8 opens as any other.
    Player().OpenFile(latin1);
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(Core().m_nPlayState, playback::kPaused);
    EXPECT_EQ(Core().m_bFileOpened, 1);
    for (int tiles : {16, 1}) {
        Player().OnChannelLayout(tiles);
        QTest::qWait(100);
        EXPECT_FALSE(Shown());
        EXPECT_EQ(display->grab().toImage(), idle);
    }
    Click(ui::id::kPlay);
    EXPECT_TRUE(WaitForOsd("2024-06-03 09:00:00"));
}

// A recording cut, written over or replaced while it plays stops within a second or so, says
// so and shows the idle picture rather than tiles of different times.
TEST_F(PlayerEndToEnd, ARecordingThatChangesWhilePlayingStopsAndSaysSo)
{
    QWidget* display = m_dialog->GetDlgItem(ui::id::kDisplay);
    QTest::qWait(50);
    const QImage idle = display->grab().toImage();
    const std::string playing = s_dir->File("changing.vrc");
    const std::string other = File("one.vrc");
    const std::pair<const char*, std::function<void()>> changes[] = {
        {"its size went from", [&] { fs::resize_file(playing, fs::file_size(playing) / 2); }},
        {"its size went from", [&] { std::ofstream(playing, std::ios::binary | std::ios::trunc) << std::ifstream(other, std::ios::binary).rdbuf(); }},
        {"another file has taken its name", [&] {
             fs::copy_file(other, playing + ".new");
             fs::rename(playing + ".new", playing);
         }},
    };
    for (const auto& [why, change] : changes) {
        SCOPED_TRACE(why);
        fs::copy_file(File("four.vrc"), playing, fs::copy_options::overwrite_existing);
        Open("changing.vrc");
        Click(ui::id::kPlay);
        ASSERT_TRUE(WaitFor([&] { return Core().m_nPosSec >= 1 && Shown(); }));
        change();
        ASSERT_TRUE(WaitFor([&] { return !m_messages.empty(); }));
        EXPECT_TRUE(m_messages[0].starts_with("The recording " + playing +
                                              " changed or became unreadable while it was playing (" + why))
            << m_messages[0];
        EXPECT_TRUE(m_messages[0].ends_with("). Open it again to see what it holds now."));
        m_messages.clear();
        EXPECT_EQ(Core().m_nPlayState, playback::kPaused);
        EXPECT_EQ(Core().m_bFileOpened, 0);
        QTest::qWait(100);
        EXPECT_FALSE(Shown());
        EXPECT_EQ(display->grab().toImage(), idle);
        EXPECT_TRUE(qobject_cast<QLineEdit*>(m_dialog->GetDlgItem(ui::id::kPathBox))->text().isEmpty());
    }
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

// The time display, the elapsed time, the seek bar and the snapshot's name are those of the
// picture on screen, read from its burned-in clock: for the channel chosen (stamped 6 ms after
// the first), while playing, after a seek and paused, with key frames 1 s and 2 s apart.
TEST_F(PlayerEndToEnd, TheTimeOnScreenIsThePictures)
{
    Player().Time().SetShowMilliseconds(true);
    QWidget* display = m_dialog->GetDlgItem(ui::id::kDisplay);
    QString clock;
    const auto agree = [&] { // the picture painted now, and the texts made from it
        clock = BurnedClock(display->grab().toImage());
        Player().Time().Update();
        return Text(ui::id::kOsd) == "2024-06-03 " + clock &&
               Text(ui::id::kTotalTime).startsWith("00 : 00 : 0" + clock.mid(7, 1)) &&
               m_dialog->GetSeekSlider()->value() == clock.mid(7, 1).toInt();
    };
    for (const char* name : {"gop1.vrc", "gop2.vrc"}) {
        SCOPED_TRACE(name);
        Open(name);
        Player().Control().SetCurrentChannel(2);
        Click(ui::id::kCh1);
        Click(ui::id::kPlay);
        // A display that lags drops frames up to the next key frame, which may skip second 1.
        ASSERT_TRUE(WaitFor([&] { return Text(ui::id::kOsd) >= "2024-06-03 09:00:01"; }));
        for (int i = 0; i < 4; ++i, QTest::qWait(90))
            EXPECT_TRUE(agree()) << clock.toStdString() << " shows " << Text(ui::id::kOsd).toStdString();
        m_dialog->GetSeekSlider()->setValue(3);
        Core().Transport().OnSeekSlider(playback::TransportCommands::kThumbPosition, true, 3);
        // Where a search lands depends on the key frames; that it lands past the picture before is enough here.
        ASSERT_TRUE(WaitFor([&] { return Text(ui::id::kOsd) >= "2024-06-03 09:00:03"; }));
        Click(ui::id::kPlay);
        Settled();
        EXPECT_TRUE(agree()) << clock.toStdString() << " shows " << Text(ui::id::kOsd).toStdString();
        EXPECT_TRUE(clock.endsWith('6')) << "channel 3's stamps";
        // Two snapshots of the paused picture: its second, then its millisecond, and the channel.
        const fs::path folder = s_dir->Path() / "Storage" / "Capture";
        const std::string second = "2024-06-03-" + clock.left(8).remove(':').toStdString();
        for (const std::string& stem : {second, second + "." + clock.right(3).toStdString()}) {
            PressS(*m_dialog);
            const QImage saved(QString::fromStdString((folder / (stem + "-CAM 03.bmp")).string()));
            EXPECT_EQ(BurnedClock(saved), clock) << stem;
        }
    }
}

// Double-click switches between a tile alone and the grid, also after a recording of one
// channel was shown alone.
TEST_F(PlayerEndToEnd, DoubleClickTogglesTheGridAfterAOneChannelRecording)
{
    Open("one.vrc");
    Open("four.vrc");
    QWidget* display = m_dialog->GetDlgItem(ui::id::kDisplay);
    for (int i = 0; i < 2; ++i)
        QTest::mouseDClick(display, Qt::LeftButton, {}, QPoint(100, 100));
    QTest::mouseClick(display, Qt::LeftButton, {}, QPoint(600, 500));
    EXPECT_EQ(Player().Control().CurrentChannel(), 3) << "the four tiles are back";
}
