#include "ui/RunningPlayer.h"

#include <QApplication>
#include <QComboBox>
#include <QDropEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QWheelEvent>
#include <QWindow>
#include <filesystem>
#include <functional>
#include <optional>
#include <gtest/gtest.h>

#include "MouseInput.h"
#include "display/ControlRegistry.h"
#include "display/DispId.h"
#include "playback/PlayState.h"
#include "playback/PlayerCore.h"
#include "support/RecordingBuilder.h"
#include "support/RecordingDisplay.h"
#include "support/TempDir.h"
#include "tools/sample/SampleWriter.h"
#include "tools/sample/StorageWriter.h"
#include "ui/AboutDialog.h"
#include "ui/ControlIds.h"
#include "ui/FullScreenView.h"
#include "ui/MessageBox.h"
#include "ui/MotionSearchWindow.h"
#include "ui/OperatorTools.h"
#include "ui/PlayerDialog.h"
#include "ui/RecentFolder.h"
#include "ui/SeekSlider.h"
#include "ui/SkinButton.h"
#include "ui/SnapshotNote.h"
#include "ui/StaticText.h"
#include "ui/TimePreview.h"
#include "ui/PictureTime.h"
#include "ui/VolumeSlider.h"

namespace {

using testsupport::RecordingDisplay;
using Ints = std::vector<std::vector<int32_t>>;
using D = ui::PlayerDialog;

constexpr int32_t kMorning = 1268121907;   // 2010-03-09 08:05:07
constexpr int32_t kAfternoon = 1267974249; // 2010-03-07 15:04:09

RecordingDisplay* g_display = nullptr;

// A display control that logs what the window asks of it.
display::ControlInstance MakeFakeControl(QWidget* parent, display::DisplayEventSink*)
{
    return {new QWidget(parent), g_display};
}

// Picks the entries of `path` in the open pop-up menus by keyboard, as the user would.
std::function<bool()> PickFromMenu(QStringList path)
{
    return [path]() mutable {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        for (QAction* a : menu ? menu->actions() : QList<QAction*>()) {
            if (a->text() != path.front())
                continue;
            menu->setActiveAction(a); // a submenu opens at once
            if (path.size() == 1)
                QTest::keyClick(menu, Qt::Key_Return);
            path.pop_front();
            return path.isEmpty();
        }
        return false;
    };
}

// One key press and release as the window system delivers them.
void PressKey(QWindow* window, Qt::Key key, Qt::KeyboardModifiers modifiers = {}, const QString& text = {})
{
    QTest::simulateEvent(window, true, key, modifiers, text, false);
    QTest::simulateEvent(window, false, key, modifiers, text, false);
}

class RunningPlayerTest : public testing::Test {
protected:
    void SetUp() override
    {
        g_display = &m_display;
        display::ControlRegistry::Register(display::kPlayerControlClassId, &MakeFakeControl);
        ui::SetMessageBoxHandler([this](const QString& text) { m_messages.push_back(text.toStdString()); });
        m_dialog = std::make_unique<ui::PlayerDialog>();
    }
    void TearDown() override
    {
        m_dialog.reset();
        display::ControlRegistry::Unregister(display::kPlayerControlClassId);
        ui::SetMessageBoxHandler({});
    }
    ui::RunningPlayer& Player() { return m_dialog->Player(); }
    playback::PlayerCore& Core() { return Player().Core(); }
    QString Text(int id) const { return static_cast<ui::StaticText*>(m_dialog->GetDlgItem(id))->Text(); }

    // Opens a recording with video in each of its channels and audio in its first ones.
    void Open(int channels, int audioChannels = 0, int frames = 100, int32_t start = kMorning)
    {
        testsupport::RecordingBuilder b;
        for (int k = 0; k < channels; ++k)
            b.VideoRun(k, start, 0, frames, 40, 25, 3000);
        for (int k = 0; k < audioChannels; ++k)
            b.AudioRun(k, start, 0, 50, 20, 160);
        b.Build().Write(m_dir.File("r.vrc"));
        Player().OpenFile(QString::fromStdString(m_dir.File("r.vrc")));
        ASSERT_EQ(m_messages, std::vector<std::string>{});
    }
    Ints IntsOf(int32_t dispid) const
    {
        Ints out;
        for (const auto& c : m_display.CallsOf(dispid))
            out.push_back(c.ints);
        return out;
    }
    size_t Pushes() const { return m_display.CallsOf(display::kPushFrame).size(); }
    // On the title band, where nothing else takes the click.
    void RightClickWindow() { QTest::mouseClick(m_dialog->windowHandle(), Qt::RightButton, {}, {400, 12}); }

    RecordingDisplay m_display;
    std::vector<std::string> m_messages;
    testsupport::TempDir m_dir;
    std::unique_ptr<ui::PlayerDialog> m_dialog;
};

TEST_F(RunningPlayerTest, LayoutButtonsActByTheChannelCountAndADoubleClickReturnsToTheOneChannel)
{
    // Recordings with video in every channel; the layouts of 1, 4, 9 and 16 tiles that act.
    const struct { int channels, audio; std::vector<int> acting; } cases[] = {
        {0, 0, {1}}, // no recording
        {8, 0, {1, 4, 9}},
        {16, 0, {1, 4, 9, 16}},
        {1, 1, {1}},
        {1, 0, {}},
    };
    for (const auto& c : cases) {
        if (c.channels)
            Open(c.channels, c.audio);
        m_display.SetResult(display::kCurrentChannel, 2);
        m_display.Clear();
        for (int tiles : {1, 4, 9, 16})
            Player().OnChannelLayout(tiles);
        Ints expected;
        for (int tiles : c.acting)
            expected.push_back({2, tiles});
        EXPECT_EQ(IntsOf(display::kSetLayout), expected) << c.channels << " " << c.audio;
    }
    // A double-click that leaves the single view brings a one-channel recording back to it.
    m_display.Clear();
    Player().OnDisplayEvent(display::kEvent4);
    Player().OnDisplayEvent(display::kLayoutToggled);
    EXPECT_EQ(IntsOf(display::kSetLayout), (Ints{{0, 1}}));
}

TEST_F(RunningPlayerTest, ContextMenuReadsInOrderAndTogglesIFrameOnly)
{
    const auto menu = Player().BuildContextMenu();
    QStringList texts;
    for (QAction* a : menu->actions())
        texts << (a->isSeparator() ? "-" : a->text());
    // The operator's items follow the window's own, in a group of their own.
    EXPECT_EQ(texts, QStringList({"I-Frame Only", "Time format", "Show Milliseconds", "-", "About...", "-",
                                  "Full Screen", "Go to Time...", "Find Motion..."}));
    EXPECT_FALSE(menu->actions()[7]->isEnabled()); // nothing open to go in
    EXPECT_FALSE(menu->actions()[8]->isEnabled());
    for (int expected : {1, 0}) {
        Player().OnMenuCommand(ui::RunningPlayer::kCmdIFrameOnly);
        EXPECT_EQ(Core().m_bIFrameOnly, expected);
        EXPECT_EQ(Player().BuildContextMenu()->actions()[0]->isChecked(), expected == 1);
    }
}

// A pause keeps the picture's time; a format chosen from the menu shows at once and through the
// steps (Comma and Period in turn keep it in the first second), milliseconds when asked for.
TEST_F(RunningPlayerTest, StepsWhilePausedShowTheTimeInTheFormatChosenFromTheMenu)
{
    Open(1, 0, 100, kAfternoon);
    Player().Time().SetShowMilliseconds(false); // remembered from any run before
    m_dialog->show();
    QWindow* window = m_dialog->windowHandle();
    PressKey(window, Qt::Key_Period, {}, QStringLiteral(".")); // nothing played yet
    PressKey(window, Qt::Key_Space);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Pushes() > 3; }, 5000));
    PressKey(window, Qt::Key_Space);
    ASSERT_EQ(Core().m_nPlayState, playback::kPaused);
    QTest::qWait(50);
    ASSERT_TRUE(Text(ui::id::kOsd).startsWith("2010-03-07 15:04:09"));
    // A slow machine may pause some frames on: the frame before is decoded again from the key
    // frame at the start, however many that takes.
    const size_t played = Pushes();
    const auto lastMs = [&] { return m_display.CallsOf(display::kPushFrame).back().ints[1]; };
    const int32_t pausedMs = lastMs();
    PressKey(window, Qt::Key_Comma, {}, QStringLiteral(","));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Pushes() > played && lastMs() == pausedMs - 40; }, 5000));
    const std::vector<int32_t> key = m_display.CallsOf(display::kPushFrame)[played].ints;
    EXPECT_EQ(key[1], 0); // milliseconds: back to the key frame at the start
    EXPECT_EQ(key[4], 1);
    const struct { const char* entry; const char* shown; } formats[] = {
        {"MM-DD-YYYY", "03-07-2010 15:04:09"}, {"DD-MM-YYYY", "07-03-2010 15:04:09"},
        {"YYYY/MM/DD", "2010/03/07 15:04:09"}, {"MM/dd/YYYY", "03/07/2010 15:04:09"},
        {"DD/MM/YYYY", "07/03/2010 15:04:09"}, {"YYYY-MM-DD", "2010-03-07 15:04:09"},
    };
    bool forward = true;
    for (const auto& f : formats) {
        test::Answers answers({PickFromMenu({"Time format", f.entry})});
        RightClickWindow();
        ASSERT_TRUE(answers.Done()) << f.entry;
        EXPECT_TRUE(QTest::qWaitFor([&] { return Text(ui::id::kOsd) == f.shown; }, 5000)) << f.entry;
        const size_t pushed = Pushes();
        PressKey(window, forward ? Qt::Key_Period : Qt::Key_Comma, {}, forward ? "." : ",");
        EXPECT_TRUE(QTest::qWaitFor([&] { return Pushes() > pushed; }, 5000)) << f.entry;
        QTest::qWait(3 * ui::PictureTime::kLeastGapMs);
        EXPECT_EQ(Text(ui::id::kOsd), f.shown) << f.entry;
        forward = !forward;
    }
    test::Answers answers({PickFromMenu({"Show Milliseconds"})});
    RightClickWindow();
    const QString shown = QStringLiteral("2010-03-07 15:04:09.%1").arg(pausedMs - 40, 3, 10, QLatin1Char('0'));
    EXPECT_TRUE(QTest::qWaitFor([&] { return Text(ui::id::kOsd) == shown; }, 5000)) << Text(ui::id::kOsd).toStdString();
    EXPECT_TRUE(ui::PictureTime(*m_dialog, Player().Control(), Core()).ShowsMilliseconds()) << "remembered";
    Player().Time().SetShowMilliseconds(false);
}

TEST_F(RunningPlayerTest, AboutFromTheContextMenuOpensTheSkinnedBoxOverTheWindow)
{
    m_dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_dialog.get()));
    QString shown;
    // Any other box is left open, to be closed as the answers run out of time.
    const auto answerAbout = [&] {
        auto* box = qobject_cast<ui::AboutDialog*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return false;
        shown = box->VersionLine()->Text();
        test::Click(box->OkButton(), {5, 5});
        return true;
    };
    test::Answers answers({PickFromMenu({"About..."}), answerAbout});
    RightClickWindow();
    ASSERT_TRUE(answers.Done());
    EXPECT_EQ(shown, "Kelvora Player Version 1.3.0.0 (Build 100226)");
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_TRUE(m_dialog->isVisible());
}

TEST_F(RunningPlayerTest, RejectedFileShowsItsMessageAndWhy)
{
    testsupport::WriteBytes(m_dir.File("short.vrc"), std::vector<uint8_t>(2037, 0));
    Player().OpenFile(QString::fromStdString(m_dir.File("short.vrc")));
    EXPECT_EQ(m_messages, std::vector<std::string>{"C1001 : Broken or corrupted data file.\n" + m_dir.File("short.vrc") +
                                                   ": it has 2,037 bytes, fewer than the 2,038 of the smallest recording."});
    EXPECT_EQ(Core().m_bFileChosen, 0);
    m_messages.clear();
    Player().OpenFile(QString::fromStdString(m_dir.File("other.bin")));
    EXPECT_TRUE(m_messages.empty()); // neither extension: nothing happens
}

// A drop opens the first local file as the open dialog would, and that dialog then starts there;
// the file's name need not be UTF-8, and the path box shows its other bytes as \xNN.
TEST_F(RunningPlayerTest, DroppedFileOpensAndItsFolderIsWhereTheOpenDialogStarts)
{
    const std::filesystem::path folder = m_dir / "drop";
    std::filesystem::create_directory(folder);
    const QByteArray path = QByteArray::fromStdString((folder / "r\xE9.vrc").string());
    testsupport::RecordingBuilder().VideoRun(0, kMorning, 0, 100, 40, 25, 3000).Build().Write(path.toStdString());
    QMimeData data;
    data.setUrls({QUrl(QStringLiteral("https://example.com/x.vrc")), QUrl::fromEncoded("file://" + path.toPercentEncoding("/"))});
    QDragEnterEvent enter(QPoint(300, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    enter.ignore();
    QApplication::sendEvent(m_dialog.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(300, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_dialog.get(), &drop);
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(Core().m_bFileOpened, 1);
    EXPECT_EQ(Core().m_pszFilePath, path.toStdString());
    EXPECT_EQ(qobject_cast<QLineEdit*>(m_dialog->GetDlgItem(ui::id::kPathBox))->text(),
              QString::fromStdString(folder.string()) + "/r\\xE9.vrc");
    EXPECT_EQ(ui::RecentFolder::StartFolder(), QString::fromStdString(folder.string()));
}

TEST(RecentFolder, ChoosesTheKeptFolderThenTheDemoFolderThenHome)
{
    testsupport::TempDir home;
    const QString h = QString::fromStdString(home.Path().string());
    const QString kept = QString::fromStdString(home.File("kept"));
    std::filesystem::create_directories(kept.toStdString());
    EXPECT_EQ(ui::RecentFolder::Choose(kept, h), kept);
    EXPECT_EQ(ui::RecentFolder::Choose(h + "/gone", h), h); // no demo folder yet
    std::filesystem::create_directories(home.File("Storage/Demo"));
    EXPECT_EQ(ui::RecentFolder::Choose({}, h), h + "/Storage/Demo");
}

// Hidden controls: a smoke check of the storage folder list and its channel-file export.
TEST_F(RunningPlayerTest, HiddenStorageControlsListAndExportAFolder)
{
    ASSERT_EQ(sample::StorageWriter::Write(m_dir.Path().string(), 2, 1), "");
    auto* folders = qobject_cast<QComboBox*>(m_dialog->GetDlgItem(ui::id::kFolderList));
    Player().StorageChosen(QString::fromStdString(m_dir.Path().string()));
    ASSERT_EQ(folders->count(), 3);
    folders->setCurrentIndex(folders->findText("VX01/DISK0001"));
    Player().OnMakeChannelFiles();
    EXPECT_TRUE(std::filesystem::exists(m_dir / "VX01/DISK0001/Ch/DISK0001_01.chv"));
}

TEST_F(RunningPlayerTest, EachKeyDrivesItsButton)
{
    const struct { Qt::Key key; Qt::KeyboardModifiers modifiers; void (D::*signal)(); } keys[] = {
        {Qt::Key_Space, {}, &D::PlayClicked},        {Qt::Key_Right, {}, &D::FClicked},
        {Qt::Key_Left, {}, &D::RClicked},            {Qt::Key_M, {}, &D::SpeakerClicked},
        {Qt::Key_Plus, Qt::ShiftModifier, &D::FfClicked}, {Qt::Key_Plus, Qt::KeypadModifier, &D::FfClicked},
        {Qt::Key_Minus, {}, &D::RewClicked},         {Qt::Key_1, {}, &D::Ch1Clicked},
        {Qt::Key_4, {}, &D::Ch4Clicked},             {Qt::Key_9, {}, &D::Ch9Clicked},
        {Qt::Key_0, {}, &D::Ch16Clicked}, {Qt::Key_O, Qt::ControlModifier, &D::FileOpenClicked},
        {Qt::Key_P, Qt::ControlModifier, &D::PrintClicked},
        {Qt::Key_Up, {}, &D::VolumeTrackEnded},      {Qt::Key_Down, {}, &D::VolumeTrackEnded},
        {Qt::Key_O, {}, nullptr},                    {Qt::Key_M, Qt::AltModifier, nullptr},
    };
    m_dialog->show();
    // The play button has the focus from the start: Space must not press it a second time.
    ASSERT_EQ(m_dialog->focusWidget(), m_dialog->GetDlgItem(ui::id::kPlay));
    test::Answers closer({&test::CloseModalBox}); // Open and Print go on to their dialogs
    std::vector<std::pair<void (D::*)(), std::unique_ptr<QSignalSpy>>> spies;
    for (const auto& k : keys)
        if (k.signal)
            spies.emplace_back(k.signal, std::make_unique<QSignalSpy>(m_dialog.get(), k.signal));
    for (const auto& k : keys) {
        std::vector<qsizetype> before;
        for (const auto& [signal, spy] : spies)
            before.push_back(spy->count());
        PressKey(m_dialog->windowHandle(), k.key, k.modifiers);
        for (size_t i = 0; i < spies.size(); ++i)
            EXPECT_EQ(spies[i].second->count() - before[i], spies[i].first == k.signal ? 1 : 0)
                << k.key << "+" << k.modifiers << " spy " << i;
    }
    // Up then Down: one step each way, as the slider's own drag would end.
    ui::VolumeSlider* volume = m_dialog->GetVolumeSlider();
    EXPECT_EQ(volume->GetPos(), 8);
    // Keys and the wheel stop at either end of 0..15.
    for (int i = 0; i < 12; ++i)
        PressKey(m_dialog->windowHandle(), Qt::Key_Down);
    EXPECT_EQ(volume->GetPos(), 0);
    for (const auto& [notches, want] : {std::pair{20, 15}, {-3, 12}}) {
        QWheelEvent wheel({5, 5}, volume->mapToGlobal(QPointF(5, 5)), {}, {0, notches * 120}, {}, {}, Qt::NoScrollPhase, false);
        QApplication::sendEvent(volume, &wheel);
        EXPECT_EQ(volume->GetPos(), want);
        EXPECT_EQ(Core().m_nVolume, want);
    }
}

TEST_F(RunningPlayerTest, ChannelKeysStepTheCurrentChannelAndQuestionMarkListsTheKeys)
{
    m_dialog->show();
    QWindow* window = m_dialog->windowHandle();
    PressKey(window, Qt::Key_PageDown); // nothing open: no channel to go to
    EXPECT_TRUE(IntsOf(display::kSetCurrentChannel).empty());
    Open(4);
    const std::pair<int, Qt::Key> presses[] = {{3, Qt::Key_PageDown}, {0, Qt::Key_PageUp}, {0, Qt::Key_PageDown}};
    for (auto [current, key] : presses) {
        m_display.SetResult(display::kCurrentChannel, current);
        PressKey(window, key);
    }
    EXPECT_EQ(IntsOf(display::kSetCurrentChannel), (Ints{{0}, {3}, {1}}));
    // A focused slider keeps its own keys.
    m_dialog->GetSeekSlider()->setFocus();
    PressKey(window, Qt::Key_PageDown);
    EXPECT_EQ(IntsOf(display::kSetCurrentChannel).size(), 3u);
    PressKey(window, Qt::Key_Question, Qt::ShiftModifier, QStringLiteral("?"));
    ASSERT_NE(Player().Tools().KeyList(), nullptr);
    EXPECT_EQ(Player().Tools().KeyList()->Table()->item(0, 0)->text(), "Space");
}

TEST_F(RunningPlayerTest, GoToTimeTakesWhatAPersonTypesUpToTheLastSecond)
{
    // 10 s from 08:05:07: the slider ends at 8, the last recorded second is 9 (08:05:16).
    Open(1, 0, 250);
    playback::PlayerCore& core = Core();
    ASSERT_EQ(core.m_nSeekMax, 8);
    const recording::SystemTime day = core.TimeAtSecond(0);
    struct Case {
        const char* typed;
        int second; // -1: refused, with a message, and nothing moves
    };
    const Case cases[] = {{"2010-03-09 08:05:09", 2}, {" 08:05:10 ", 3}, {"8:5:11", 4},  {"8:05:16", 9},
                          {"08:05:17", -1},            {"8:05", -1},     {"08:5x:11", -1}, {"", -1},
                          {"2010-03-09 08:05:07", 0}};
    int at = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        m_messages.clear();
        EXPECT_EQ(Player().Tools().GoToText(c.typed, day), c.second >= 0);
        EXPECT_EQ(m_messages.size(), c.second >= 0 ? 0u : 1u);
        at = c.second >= 0 ? c.second : at;
        EXPECT_EQ(core.m_SeekTarget.Load(), core.TimeAtSecond(at));
        EXPECT_EQ(m_dialog->GetSeekSlider()->value(), std::min(at, 8));
        ASSERT_TRUE(QTest::qWaitFor([&] { return core.m_bSeekDone == 1; }, 5000));
    }
    m_messages.clear();
    Player().Tools().GoToText("08:05:17", day);
    EXPECT_EQ(m_messages, (std::vector<std::string>{
                              "2010-03-09 08:05:17 is outside the recording, which runs from 2010-03-09 08:05:07 to "
                              "2010-03-09 08:05:16."}));
}

// From the menu: Esc gives the rectangle up; a drawn one is searched (the sample's bar sweeps
// through the lower half), its events marked and listed, and choosing one pauses there.
TEST_F(RunningPlayerTest, FindMotionSearchesTheDrawnRectangleAndGoesToAnEvent)
{
    const sample::SampleOptions o{.channels = 1, .seconds = 6};
    ASSERT_EQ(sample::SampleWriter::Write(m_dir.File("s.vrc"), o), "");
    Player().OpenFile(QString::fromStdString(m_dir.File("s.vrc")));
    m_dialog->show();
    ui::OperatorTools& tools = Player().Tools();
    for (const bool cancel : {true, false}) {
        test::Answers menu({PickFromMenu({"Find Motion..."})});
        RightClickWindow();
        ASSERT_TRUE(tools.Selector());
        QWidget* selector = tools.Selector();
        const int w = selector->width(), h = selector->height();
        if (cancel) {
            QTest::keyClick(selector, Qt::Key_Escape);
            ASSERT_TRUE(QTest::qWaitFor([&] { return !tools.Selector(); }, 2000));
            EXPECT_FALSE(tools.Search());
            continue;
        }
        test::Press(selector, {2, h / 2});
        test::Drag(selector, {w / 2, h - 4});
        test::Release(selector, {w - 2, h - 2});
    }
    ASSERT_TRUE(tools.Search());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !tools.Search()->IsSearching(); }, 60000));
    QListWidget* list = tools.Search()->Events();
    ASSERT_GE(list->count(), 1);
    const QList<QPair<int, int>> marks = m_dialog->GetSeekSlider()->Marks();
    ASSERT_EQ(marks.size(), list->count());
    std::optional<motion::MotionEvent> chosen;
    QObject::connect(tools.Search(), &ui::MotionSearchWindow::EventChosen, [&](const motion::MotionEvent& e) { chosen = e; });
    emit list->itemActivated(list->item(0));
    ASSERT_TRUE(chosen);
    // Paused on the event's own first frame, not on the first frame of its second.
    const auto shown = [&] {
        int32_t fTime = 0, msec = -1;
        Player().Control().ShownTime(&fTime, &msec);
        return std::pair{fTime, msec};
    };
    const std::pair start{chosen->start.f_time, static_cast<int32_t>(chosen->start.f_msec % 1000)};
    ASSERT_TRUE(QTest::qWaitFor([&] { return Core().m_bSeekDone == 1 && shown() == start; }, 10000))
        << shown().first << "." << shown().second << " for " << start.first << "." << start.second;
    EXPECT_EQ(Core().m_nPosSec, marks[0].first);
    EXPECT_EQ(Core().m_nPlayState, playback::kPaused);
    Player().OpenFile(QString::fromStdString(m_dir.File("s.vrc")));
    EXPECT_TRUE(m_dialog->GetSeekSlider()->Marks().isEmpty());
}

TEST_F(RunningPlayerTest, TimePreviewShowsTheRecordedTimeUnderTheThumbWhileDragging)
{
    Open(1, 0, 250);
    const ui::TimePreview& preview = Player().Tools().Preview();
    EXPECT_EQ(preview.TextAt(2), "2010-03-09 08:05:09");
    m_dialog->show();
    ui::SeekSlider* slider = m_dialog->GetSeekSlider();
    const QRect groove = slider->ChannelRect();
    test::Press(slider, {groove.left(), 10});
    test::Drag(slider, {groove.center().x(), 10});
    test::Settle();
    EXPECT_TRUE(preview.Tip().isVisible());
    EXPECT_EQ(preview.Tip().text(), preview.TextAt(slider->value()));
    test::Release(slider, {groove.center().x(), 10});
    test::Settle();
    EXPECT_FALSE(preview.Tip().isVisible());
}

TEST_F(RunningPlayerTest, SnapshotLeavesANoteOnThePictureClearOfTheDateAndTime)
{
    m_dialog->show();
    m_display.SetResult(display::kCaptureImage, -1);
    PressKey(m_dialog->windowHandle(), Qt::Key_S, {}, QStringLiteral("s"));
    const ui::SnapshotNote& note = Player().Tools().Note();
    EXPECT_TRUE(note.isVisible());
    EXPECT_EQ(note.text(), "No snapshot: no picture on screen");
    const QRect onWindow(note.mapTo(m_dialog.get(), QPoint(0, 0)), note.size());
    EXPECT_TRUE(m_dialog->GetDlgItem(ui::id::kDisplay)->geometry().contains(onWindow));
    EXPECT_FALSE(onWindow.intersects(m_dialog->GetDlgItem(ui::id::kOsd)->geometry()));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !note.isVisible(); }, 4000));
    // In full screen as well, the note on the picture there.
    Player().Tools().ToggleFullScreen();
    QWidget* fullScreen = Player().Tools().FullScreen();
    // The key goes to the active window; on a loaded machine the new one may take a while to become it.
    ASSERT_TRUE(QTest::qWaitFor([&] { return fullScreen->isVisible() && fullScreen->isActiveWindow(); }, 5000));
    PressKey(fullScreen->windowHandle(), Qt::Key_S, {}, QStringLiteral("s"));
    EXPECT_TRUE(note.isVisible());
    EXPECT_EQ(note.window(), fullScreen);
    Player().Tools().ToggleFullScreen();
}

} // namespace
