#include "ui/RunningPlayer.h"

#include <QApplication>
#include <QComboBox>
#include <QDropEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTimer>
#include <filesystem>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include "display/ControlRegistry.h"
#include "display/DispId.h"
#include "support/RecordingBuilder.h"
#include "support/RecordingDisplay.h"
#include "support/TempDir.h"
#include "tools/sample/StorageWriter.h"
#include "ui/ControlIds.h"
#include "ui/MessageBox.h"
#include "ui/PlayerDialog.h"
#include "ui/RecentFolder.h"

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
    ASSERT_EQ(menu->actions().size(), 4);
    EXPECT_EQ(menu->actions()[1]->text(), "Time format");
    EXPECT_TRUE(menu->actions()[2]->isSeparator());
    EXPECT_EQ(menu->actions()[3]->text(), "About...");
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

    Player().StorageChosen({}); // a cancelled chooser leaves the path box alone
    EXPECT_EQ(path->text().toStdString(), m_dir.Path().string() + "/");
}

} // namespace
