#include "ui/RunningPlayer.h"

#include <QApplication>
#include <QComboBox>
#include <QDropEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <filesystem>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

#include "display/ControlRegistry.h"
#include "display/DispId.h"
#include "playback/PlayState.h"
#include "playback/PlayerCore.h"
#include "support/RecordingBuilder.h"
#include "support/RecordingDisplay.h"
#include "support/TempDir.h"
#include "tools/sample/StorageWriter.h"
#include "ui/ControlIds.h"
#include "ui/FullScreenView.h"
#include "ui/MessageBox.h"
#include "ui/OperatorTools.h"
#include "ui/PlayerDialog.h"
#include "ui/RecentFolder.h"
#include "ui/SeekSlider.h"
#include "ui/SnapshotNote.h"
#include "ui/StaticText.h"
#include "ui/TimePreview.h"
#include "ui/VolumeSlider.h"

namespace {

using testsupport::RecordingDisplay;
using Call = RecordingDisplay::Call;

RecordingDisplay* g_display = nullptr;

// A display control that logs what the window asks of it.
display::ControlInstance MakeFakeControl(QWidget* parent, display::DisplayEventSink*)
{
    return {new QWidget(parent), g_display};
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

    // Opens a recording of the given channel count, video channels and audio channels.
    void Open(uint8_t chCount, int videoChannels, int audioChannels)
    {
        testsupport::RecordingBuilder b;
        for (int k = 0; k < videoChannels; ++k)
            b.VideoRun(k, 1268121907, 0, 100, 40, 25, 3000);
        for (int k = 0; k < audioChannels; ++k)
            b.AudioRun(k, 1268121907, 0, 50, 20, 160);
        b.ChCount(chCount).Build().Write(m_dir.File("r.vrc"));
        Player().OpenFile(QString::fromStdString(m_dir.File("r.vrc")));
        ASSERT_TRUE(m_messages.empty());
    }
    std::vector<std::vector<int32_t>> LayoutCalls() const
    {
        std::vector<std::vector<int32_t>> out;
        for (const Call& c : m_display.CallsOf(display::kSetLayout))
            out.push_back(c.ints);
        return out;
    }

    RecordingDisplay m_display;
    std::vector<std::string> m_messages;
    testsupport::TempDir m_dir;
    std::unique_ptr<ui::PlayerDialog> m_dialog;
};

TEST_F(RunningPlayerTest, IntroducesItselfToTheDisplayInOrder)
{
    const std::vector<Call> calls = m_display.Calls();
    ASSERT_GE(calls.size(), 25u);
    EXPECT_EQ(calls[0].dispid, display::kSetOwnerWindow);
    for (int k = 0; k < 16; ++k) {
        EXPECT_EQ(calls[1 + k].dispid, display::kSetChannelTitle);
        EXPECT_EQ(calls[1 + k].ints, std::vector<int32_t>{k});
        EXPECT_EQ(calls[1 + k].text, u"CH-" + QString::number(k + 1).toStdU16String());
    }
    EXPECT_EQ(calls[17].text, u"Kelvora Player");
    EXPECT_EQ(calls[18].text, u"                  Ver 1.2.0.1");
    const std::vector<int32_t> rest[] = {{display::kSetVolume, 0}, {47, 0}, {46, 0}, {45, 0},
                                         {44, 0},                  {48, 0}, {display::kSetVolume, 8}};
    for (size_t i = 0; i < std::size(rest); ++i) {
        EXPECT_EQ(calls[19 + i].dispid, rest[i][0]) << i;
        EXPECT_EQ(calls[19 + i].ints, std::vector<int32_t>{rest[i][1]}) << i;
    }
}

TEST_F(RunningPlayerTest, LayoutButtonsActByTheRecordingsChannelCount)
{
    const struct {
        const char* name;
        uint8_t chCount;
        int video;
        int audio;
        std::vector<int> acting; // of 1, 4, 9, 16
    } cases[] = {
        {"no recording", 0, 0, 0, {1}},
        {"four channels", 4, 4, 0, {1, 4}},
        {"eight channels", 8, 8, 0, {1, 4, 9}},
        {"sixteen channels", 16, 16, 0, {1, 4, 9, 16}},
        {"one video channel", 1, 1, 0, {}},
        {"one channel with audio", 1, 1, 1, {1}},
    };
    for (const auto& c : cases) {
        if (c.chCount)
            Open(c.chCount, c.video, c.audio);
        m_display.SetResult(display::kCurrentChannel, 2);
        m_display.Clear();
        for (int tiles : {1, 4, 9, 16})
            Player().OnChannelLayout(tiles);
        std::vector<std::vector<int32_t>> expected;
        for (int tiles : c.acting)
            expected.push_back({2, tiles});
        EXPECT_EQ(LayoutCalls(), expected) << c.name;
    }
}

TEST_F(RunningPlayerTest, DoubleClickReturnsASingleChannelRecordingToItsChannel)
{
    Player().OnDisplayEvent(display::kLayoutToggled);
    EXPECT_TRUE(LayoutCalls().empty()); // no channel selected
    Open(1, 1, 0);
    m_display.Clear();
    Player().OnDisplayEvent(display::kEvent4);
    Player().OnDisplayEvent(display::kLayoutToggled);
    EXPECT_EQ(LayoutCalls(), (std::vector<std::vector<int32_t>>{{0, 1}}));
}

TEST_F(RunningPlayerTest, ContextMenuShowsAndChangesTheChoices)
{
    auto checked = [](QMenu& menu) {
        std::vector<std::string> out;
        for (QAction* a : menu.actions()) {
            if (a->isChecked())
                out.push_back(a->text().toStdString());
            if (a->menu())
                for (QAction* f : a->menu()->actions())
                    if (f->isChecked())
                        out.push_back(f->text().toStdString());
        }
        return out;
    };
    auto menu = Player().BuildContextMenu();
    ASSERT_EQ(menu->actions().size(), 7);
    EXPECT_EQ(menu->actions()[1]->text(), "Time format");
    EXPECT_TRUE(menu->actions()[2]->isSeparator());
    EXPECT_EQ(menu->actions()[3]->text(), "About...");
    // The operator's items follow the window's own, in a group of their own.
    EXPECT_TRUE(menu->actions()[4]->isSeparator());
    EXPECT_EQ(menu->actions()[5]->text(), "Full Screen");
    EXPECT_EQ(menu->actions()[6]->text(), "Go to Time...");
    EXPECT_FALSE(menu->actions()[6]->isEnabled()); // nothing open to go in
    EXPECT_EQ(checked(*menu), std::vector<std::string>{"YYYY-MM-DD"});

    Player().OnMenuCommand(ui::RunningPlayer::kCmdIFrameOnly);
    Player().OnMenuCommand(32781);
    EXPECT_EQ(Player().Core().m_nTimeFormat, 5);
    EXPECT_EQ(checked(*Player().BuildContextMenu()), (std::vector<std::string>{"I-Frame Only", "MM/dd/YYYY"}));
    Player().OnMenuCommand(32779);
    Player().OnMenuCommand(ui::RunningPlayer::kCmdIFrameOnly);
    EXPECT_EQ(Player().Core().m_nTimeFormat, 6);
    EXPECT_EQ(Player().Core().m_bIFrameOnly, 0);
}

TEST_F(RunningPlayerTest, RejectedFileShowsItsMessageAndLeavesTheWindowEmpty)
{
    std::vector<uint8_t> bytes(2037, 0);
    testsupport::WriteBytes(m_dir.File("short.vrc"), bytes);
    Player().OpenFile(QString::fromStdString(m_dir.File("short.vrc")));
    EXPECT_EQ(m_messages, std::vector<std::string>{"C1001 : Broken or corrupted data file."});
    EXPECT_EQ(Player().Core().m_bFileChosen, 0);
    EXPECT_EQ(m_dialog->Player().Core().m_bFileOpened, 0);

    m_messages.clear();
    Player().OpenFile(QString::fromStdString(m_dir.File("other.bin")));
    EXPECT_TRUE(m_messages.empty()); // neither extension: nothing happens
}

// A drop opens the first local file as the open dialog would; the dialog then starts in its folder.
TEST_F(RunningPlayerTest, DroppedFileOpensAndTheOpenDialogStartsInItsFolder)
{
    const std::filesystem::path folder = std::filesystem::path(m_dir.File("drop"));
    std::filesystem::create_directory(folder);
    testsupport::RecordingBuilder b;
    b.VideoRun(0, 1268121907, 0, 100, 40, 25, 3000);
    b.ChCount(4).Build().Write((folder / "r.vrc").string());
    const QString path = QString::fromStdString((folder / "r.vrc").string());

    QMimeData data;
    data.setUrls({QUrl(QStringLiteral("https://example.com/x.vrc")), QUrl::fromLocalFile(path),
                  QUrl::fromLocalFile(QString::fromStdString(m_dir.File("short.vrc")))});
    QDragEnterEvent enter(QPoint(300, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_dialog.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(300, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_dialog.get(), &drop);
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(Player().Core().m_bFileOpened, 1);
    EXPECT_EQ(static_cast<QLineEdit*>(m_dialog->GetDlgItem(ui::id::kPathBox))->text(), path);

    QString shownFolder;
    QTimer::singleShot(0, [&shownFolder] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            shownFolder = dialog->directory().absolutePath();
            dialog->reject();
        }
    });
    Player().OnFileOpen();
    EXPECT_EQ(shownFolder, QString::fromStdString(folder.string()));

    QMimeData remote;
    remote.setUrls({QUrl(QStringLiteral("https://example.com/x.vrc"))});
    QDragEnterEvent refused(QPoint(300, 300), Qt::CopyAction, &remote, Qt::LeftButton, Qt::NoModifier);
    refused.ignore();
    QApplication::sendEvent(m_dialog.get(), &refused);
    EXPECT_FALSE(refused.isAccepted());
}

TEST(RecentFolder, ChoosesTheKeptFolderThenTheDemoFolderThenHome)
{
    testsupport::TempDir home;
    const QString h = QString::fromStdString(home.Path().string());
    const QString kept = QString::fromStdString(home.File("kept"));
    const QString demo = QString::fromStdString(home.File("Storage/Demo"));
    std::filesystem::create_directories(kept.toStdString());
    EXPECT_EQ(ui::RecentFolder::Choose(kept, h), kept);
    EXPECT_EQ(ui::RecentFolder::Choose(h + "/gone", h), h); // no demo folder yet
    EXPECT_EQ(ui::RecentFolder::Choose({}, h), h);
    std::filesystem::create_directories(demo.toStdString());
    EXPECT_EQ(ui::RecentFolder::Choose(h + "/gone", h), demo);
    EXPECT_EQ(ui::RecentFolder::Choose({}, h), demo);
}

TEST_F(RunningPlayerTest, HiddenStorageControlsListAndExportAFolder)
{
    for (int id : {ui::id::kOpenVdxFile, ui::id::kMakeChdFile, ui::id::kCombineFiles, ui::id::kFolderList}) {
        EXPECT_FALSE(m_dialog->GetDlgItem(id)->isVisibleTo(m_dialog.get())) << id;
        EXPECT_FALSE(m_dialog->GetDlgItem(id)->isEnabled()) << id;
    }
    ASSERT_EQ(sample::StorageWriter::Write(m_dir.Path().string(), 2, 1), "");
    auto* folders = qobject_cast<QComboBox*>(m_dialog->GetDlgItem(ui::id::kFolderList));
    auto* path = qobject_cast<QLineEdit*>(m_dialog->GetDlgItem(ui::id::kPathBox));

    Player().StorageChosen(QString::fromStdString(m_dir.Path().string()));
    EXPECT_EQ(path->text().toStdString(), m_dir.Path().string() + "/");
    ASSERT_EQ(folders->count(), 3);
    EXPECT_EQ(folders->itemText(0), "VX02/DISK0005");
    EXPECT_EQ(folders->itemText(1), "VX01/DISK0001");

    folders->setCurrentIndex(1);
    Player().OnMakeChannelFiles();
    for (const char* file : {"DISK0001_00.chv", "DISK0001_01.chv"})
        EXPECT_TRUE(std::filesystem::exists(m_dir / "VX01/DISK0001/Ch" / file)) << file;
    EXPECT_TRUE(m_messages.empty());

    // The export tells what it could not write.
    const std::filesystem::path ch = m_dir / "VX01/DISK0001/Ch";
    std::filesystem::remove_all(ch);
    testsupport::WriteBytes(ch.string(), {1});
    Player().OnMakeChannelFiles();
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_TRUE(m_messages[0].starts_with("The channel files could not be written:\n" + (ch / "DISK0001_00.chv").string() +
                                          ": Not a directory, "))
        << m_messages[0];

    Player().StorageChosen({}); // a cancelled chooser leaves the path box alone
    EXPECT_EQ(path->text().toStdString(), m_dir.Path().string() + "/");
}

// One key press and release as the window system delivers them.
void PressKey(QWindow* window, Qt::Key key, Qt::KeyboardModifiers modifiers = {}, const QString& text = {})
{
    QTest::simulateEvent(window, true, key, modifiers, text, false);
    QTest::simulateEvent(window, false, key, modifiers, text, false);
}

struct KeyCase {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    void (ui::PlayerDialog::*signal)();
};

TEST_F(RunningPlayerTest, EachKeyDrivesItsButton)
{
    using D = ui::PlayerDialog;
    const KeyCase keys[] = {
        {Qt::Key_Space, {}, &D::PlayClicked},        {Qt::Key_Right, {}, &D::FClicked},
        {Qt::Key_Left, {}, &D::RClicked},            {Qt::Key_M, {}, &D::SpeakerClicked},
        {Qt::Key_Plus, Qt::ShiftModifier, &D::FfClicked}, {Qt::Key_Plus, Qt::KeypadModifier, &D::FfClicked},
        {Qt::Key_Minus, {}, &D::RewClicked},         {Qt::Key_1, {}, &D::Ch1Clicked},
        {Qt::Key_4, {}, &D::Ch4Clicked},             {Qt::Key_9, {}, &D::Ch9Clicked},
        {Qt::Key_0, {}, &D::Ch16Clicked},            {Qt::Key_O, Qt::ControlModifier, &D::FileOpenClicked},
        {Qt::Key_P, Qt::ControlModifier, &D::PrintClicked},
        {Qt::Key_Up, {}, &D::VolumeTrackEnded},      {Qt::Key_Down, {}, &D::VolumeTrackEnded},
        {Qt::Key_O, {}, nullptr},                    {Qt::Key_M, Qt::AltModifier, nullptr},
    };
    m_dialog->show();
    QWindow* window = m_dialog->windowHandle();
    // The play button has the focus from the start: Space must not press it a second time.
    ASSERT_EQ(m_dialog->focusWidget(), m_dialog->GetDlgItem(ui::id::kPlay));
    // Open and Print go on to their dialogs: close them as they come up.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [] {
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });
    closer.start(10);
    std::vector<std::unique_ptr<QSignalSpy>> spies;
    for (auto signal : {&D::PlayClicked, &D::FClicked, &D::RClicked, &D::SpeakerClicked, &D::FfClicked,
                        &D::RewClicked, &D::Ch1Clicked, &D::Ch4Clicked, &D::Ch9Clicked, &D::Ch16Clicked,
                        &D::FileOpenClicked, &D::PrintClicked, &D::VolumeTrackEnded})
        spies.push_back(std::make_unique<QSignalSpy>(m_dialog.get(), signal));
    const auto counts = [&] {
        std::vector<int> out;
        for (const auto& spy : spies)
            out.push_back(static_cast<int>(spy->count()));
        return out;
    };
    for (const KeyCase& k : keys) {
        const std::vector<int> before = counts();
        QSignalSpy expected(m_dialog.get(), k.signal ? k.signal : &D::PlayClicked);
        PressKey(window, k.key, k.modifiers);
        const std::vector<int> after = counts();
        int changed = 0;
        for (size_t i = 0; i < after.size(); ++i)
            changed += after[i] - before[i];
        EXPECT_EQ(changed, k.signal ? 1 : 0) << k.key;
        if (k.signal)
            EXPECT_EQ(expected.count(), 1) << k.key;
    }
    // Up then Down: one step each way, as the slider's own drag would end.
    EXPECT_EQ(m_dialog->GetVolumeSlider()->GetPos(), 8);
}

TEST_F(RunningPlayerTest, ChannelKeysStepTheCurrentChannelWithinTheRecording)
{
    m_dialog->show();
    QWindow* window = m_dialog->windowHandle();
    PressKey(window, Qt::Key_PageDown); // nothing open: no channel to go to
    EXPECT_TRUE(m_display.CallsOf(display::kSetCurrentChannel).empty());

    Open(4, 4, 0);
    m_display.SetResult(display::kCurrentChannel, 3);
    PressKey(window, Qt::Key_PageDown);
    m_display.SetResult(display::kCurrentChannel, 0);
    PressKey(window, Qt::Key_PageUp);
    PressKey(window, Qt::Key_PageDown);
    std::vector<std::vector<int32_t>> made;
    for (const Call& c : m_display.CallsOf(display::kSetCurrentChannel))
        made.push_back(c.ints);
    EXPECT_EQ(made, (std::vector<std::vector<int32_t>>{{0}, {3}, {1}}));

    // A focused slider keeps its own keys.
    m_dialog->GetSeekSlider()->setFocus();
    PressKey(window, Qt::Key_PageDown);
    EXPECT_EQ(m_display.CallsOf(display::kSetCurrentChannel).size(), 3u);
}

TEST_F(RunningPlayerTest, PeriodAndCommaStepWhilePausedAndKeepTheTimeShown)
{
    Open(1, 1, 0);
    m_dialog->show();
    QWindow* window = m_dialog->windowHandle();
    playback::PlayerCore& core = Player().Core();
    const auto pushes = [&] { return m_display.CallsOf(display::kPushFrame).size(); };
    PressKey(window, Qt::Key_Period, {}, QStringLiteral(".")); // nothing played yet
    PressKey(window, Qt::Key_Space);
    ASSERT_TRUE(QTest::qWaitFor([&] { return pushes() > 3; }, 5000));
    PressKey(window, Qt::Key_Space);
    ASSERT_EQ(core.m_nPlayState, playback::kPaused);
    QTest::qWait(50);
    const size_t paused = pushes();
    const auto osd = [&] { return static_cast<ui::StaticText*>(m_dialog->GetDlgItem(ui::id::kOsd))->Text(); };
    ASSERT_EQ(osd(), "");
    PressKey(window, Qt::Key_Period, {}, QStringLiteral("."));
    ASSERT_TRUE(QTest::qWaitFor([&] { return osd() != ""; }, 5000));
    EXPECT_EQ(pushes(), paused + 1);
    EXPECT_TRUE(osd().startsWith("2010-03-09 08:05:0")) << osd().toStdString();
    // Comma: back to the key frame at the start, the time still shown.
    PressKey(window, Qt::Key_Comma, {}, QStringLiteral(","));
    ASSERT_TRUE(QTest::qWaitFor([&] { return pushes() == paused + 2; }, 5000));
    const std::vector<int32_t> key = m_display.CallsOf(display::kPushFrame).back().ints;
    EXPECT_EQ(key[1], 0); // milliseconds
    EXPECT_EQ(key[4], 1); // a key frame
    ASSERT_TRUE(QTest::qWaitFor([&] { return osd() == "2010-03-09 08:05:07"; }, 5000));
}

TEST_F(RunningPlayerTest, KeyListNamesEveryKey)
{
    m_dialog->show();
    PressKey(m_dialog->windowHandle(), Qt::Key_Question, Qt::ShiftModifier, QStringLiteral("?"));
    ui::KeyListWindow* list = Player().Tools().KeyList();
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->isVisible());
    EXPECT_EQ(list->Table()->rowCount(), static_cast<int>(ui::PlayerKeys::Table().size()) + 4);
    EXPECT_EQ(list->Table()->item(0, 0)->text(), "Space");
}

TEST_F(RunningPlayerTest, GoToTimeLandsOnTheSecondAndRefusesTimesOutside)
{
    testsupport::RecordingBuilder b;
    b.VideoRun(0, 1268121907, 0, 250, 40, 25, 3000).ChCount(1).Build().Write(m_dir.File("ten.vrc"));
    Player().OpenFile(QString::fromStdString(m_dir.File("ten.vrc")));
    playback::PlayerCore& core = Player().Core();
    ASSERT_EQ(core.m_nSeekMax, 8);
    const auto at = [&](int second) { return core.TimeAtSecond(second); };
    // As the slider, it acts once playback has started; paused, the position stays put.
    core.Transport().OnPlay();
    ASSERT_TRUE(QTest::qWaitFor([&] { return core.m_bSeekDone == 1; }, 5000));
    core.Transport().OnPlay();

    EXPECT_TRUE(Player().Tools().GoToTime(at(7)));
    EXPECT_EQ(core.m_nPosSec, 7);
    EXPECT_EQ(m_dialog->GetSeekSlider()->value(), 7);
    recording::SystemTime expected = at(7);
    EXPECT_EQ(core.m_PosTime.Load(), expected);
    EXPECT_TRUE(m_messages.empty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return core.m_bSeekDone == 1; }, 5000));
    EXPECT_EQ(core.m_nPosSec, 7);

    for (int outside : {-1, 9}) {
        m_messages.clear();
        EXPECT_FALSE(Player().Tools().GoToTime(at(outside)));
        ASSERT_EQ(m_messages.size(), 1u);
        EXPECT_NE(m_messages[0].find("is outside the recording, which runs from 2010-03-09 08:05:07 to "
                                     "2010-03-09 08:05:15"),
                  std::string::npos)
            << m_messages[0];
        EXPECT_EQ(core.m_nPosSec, 7);
    }
}

TEST_F(RunningPlayerTest, TimePreviewShowsTheRecordedTimeUnderTheThumbWhileDragging)
{
    testsupport::RecordingBuilder b;
    b.VideoRun(0, 1268121907, 0, 250, 40, 25, 3000).ChCount(1).Build().Write(m_dir.File("ten.vrc"));
    Player().OpenFile(QString::fromStdString(m_dir.File("ten.vrc")));
    const ui::TimePreview& preview = Player().Tools().Preview();
    EXPECT_EQ(preview.TextAt(2), "2010-03-09 08:05:09");
    Player().OnMenuCommand(32781);
    EXPECT_EQ(preview.TextAt(2), "03/09/2010 08:05:09");

    m_dialog->show();
    ui::SeekSlider* slider = m_dialog->GetSeekSlider();
    const QRect groove = slider->ChannelRect();
    const auto send = [&](QEvent::Type type, int x, Qt::MouseButtons held) {
        QMouseEvent e(type, QPointF(x, 10), slider->mapToGlobal(QPointF(x, 10)), Qt::LeftButton, held, {});
        QApplication::sendEvent(slider, &e);
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    };
    send(QEvent::MouseButtonPress, groove.left(), Qt::LeftButton);
    send(QEvent::MouseMove, groove.center().x(), Qt::LeftButton);
    EXPECT_TRUE(preview.Tip().isVisible());
    EXPECT_EQ(preview.Tip().text(), preview.TextAt(slider->value()));
    // Above the thumb, clear of the slider.
    EXPECT_LE(preview.Tip().geometry().bottom(), slider->mapToGlobal(QPoint(0, 0)).y());
    send(QEvent::MouseButtonRelease, groove.center().x(), Qt::NoButton);
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

    capture::SnapshotOutcome saved{capture::SnapshotOutcome::Result::Saved, "/home/u/Storage/Capture/x.bmp", {}};
    EXPECT_EQ(ui::SnapshotNote::TextOf(saved), "Snapshot saved: /home/u/Storage/Capture/x.bmp");
    capture::SnapshotOutcome failed{capture::SnapshotOutcome::Result::Failed, "/ro/x.bmp", "the file could not be written"};
    EXPECT_EQ(ui::SnapshotNote::TextOf(failed), "Snapshot not saved: the file could not be written (/ro/x.bmp)");
}

} // namespace
