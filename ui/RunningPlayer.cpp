#include "ui/RunningPlayer.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QPushButton>

#include "display/DispId.h"
#include "recording/ChannelExport.h"
#include "recording/ReadableName.h"
#include "recording/StorageListing.h"
#include "res/StringTable.h"
#include "ui/ControlIds.h"
#include "ui/FullScreenView.h"
#include "ui/MessageBox.h"
#include "ui/OperatorTools.h"
#include "ui/PlayerDialog.h"
#include "ui/RecentFolder.h"
#include "ui/SeekSlider.h"
#include "ui/VolumeSlider.h"
#include "ui/capture/PrintDialog.h"
#include "ui/capture/QtPrinting.h"

namespace ui {
namespace {

// The display control's channel titles are built in 20-character buffers.
std::u16string ChannelTitle(int channel) { return u"CH-" + QString::number(channel + 1).toStdU16String(); }

// A snapshot that was asked for but not written must not go unnoticed.
void TellIfNotSaved(const capture::SnapshotOutcome& outcome)
{
    if (outcome.result == capture::SnapshotOutcome::Result::Failed)
        MessageBox(QStringLiteral("The snapshot could not be saved as \"%1\": %2.")
                       .arg(QString::fromStdString(recording::ReadableName(outcome.path.string())), QString::fromStdString(outcome.reason)));
}

} // namespace

RunningPlayer::RunningPlayer(PlayerDialog& dialog, display::DispatchTarget* control)
    : m_dialog(dialog), m_ctrlPlayer(control), m_view(dialog), m_core(m_ctrlPlayer, m_view, m_clock),
      m_time(dialog, m_ctrlPlayer, m_core), m_snapshot(m_ctrlPlayer, TimeSource()), m_snapshotKeys(&dialog, [this] {
          const capture::SnapshotOutcome outcome = m_snapshot.Take();
          m_tools->ShowSnapshotNote(outcome);
          TellIfNotSaved(outcome);
      })
{
    m_core.InitWindowDefaults();
    IntroduceToDisplay();
    // The window has laid itself out: from here on the transport commands act.
    m_core.m_nDisplayMode = 3;
    m_ctrlPlayer.SetVolume(m_core.m_nVolume);
    m_dialog.GetSeekSlider()->setValue(0);
    ConnectControls();
    m_tools = std::make_unique<OperatorTools>(m_dialog, *this);
    m_snapshotKeys.Watch(m_tools->FullScreen());
}

// The threads read through the recording's handles and call the display control: both go
// only after the threads have stopped.
RunningPlayer::~RunningPlayer() { m_core.Shutdown(); }

void RunningPlayer::IntroduceToDisplay()
{
    m_ctrlPlayer.SetOwnerWindow(&m_dialog);
    for (int k = 0; k < playback::PlayerCore::kChannels; ++k)
        m_ctrlPlayer.SetChannelTitle(k, ChannelTitle(k));
    m_ctrlPlayer.SetTitleText(u"Kelvora Player");
    m_ctrlPlayer.SetVersionText(u"                  Ver 1.2.0.1");
    m_ctrlPlayer.SetVolume(0);
    for (int dispid : {display::kInit47, display::kInit46, display::kInit45, display::kInit44, display::kInit48})
        m_ctrlPlayer.InitCall(dispid);
}

void RunningPlayer::ConnectControls()
{
    playback::TransportCommands& t = m_core.Transport();
    connect(&m_dialog, &PlayerDialog::PlayClicked, this, [&t] { t.OnPlay(); });
    connect(&m_dialog, &PlayerDialog::FfClicked, this, [&t] { t.OnFf(); });
    connect(&m_dialog, &PlayerDialog::RewClicked, this, [&t] { t.OnRew(); });
    connect(&m_dialog, &PlayerDialog::RClicked, this, [&t] { t.OnR(); });
    connect(&m_dialog, &PlayerDialog::FClicked, this, [&t] { t.OnF(); });
    connect(&m_dialog, &PlayerDialog::SpeakerClicked, this, [&t] { t.OnSpeaker(); });
    // The position the release reported: the play thread may move the slider before this runs.
    connect(&m_dialog, &PlayerDialog::SeekScrolled, this, [this, &t](int code, int position) {
        t.OnSeekSlider(code, m_dialog.GetSeekSlider()->IsReleased() != 0, position);
    });
    connect(&m_dialog, &PlayerDialog::VolumeTrackEnded, this, [this, &t] {
        t.OnVolumeSlider(playback::TransportCommands::kEndTrack, m_dialog.GetVolumeSlider()->GetPos());
    });
    connect(&m_dialog, &PlayerDialog::FileOpenClicked, this, &RunningPlayer::OnFileOpen);
    connect(&m_dialog, &PlayerDialog::FileDropped, this, [this](const QByteArray& path) { OpenFile(path.toStdString()); });
    connect(&m_dialog, &PlayerDialog::PrintClicked, this, &RunningPlayer::OnPrint);
    connect(&m_dialog, &PlayerDialog::Ch1Clicked, this, [this] { OnChannelLayout(1); });
    connect(&m_dialog, &PlayerDialog::Ch4Clicked, this, [this] { OnChannelLayout(4); });
    connect(&m_dialog, &PlayerDialog::Ch9Clicked, this, [this] { OnChannelLayout(9); });
    connect(&m_dialog, &PlayerDialog::Ch16Clicked, this, [this] { OnChannelLayout(16); });
    const auto button = [this](int id) { return qobject_cast<QPushButton*>(m_dialog.GetDlgItem(id)); };
    connect(button(id::kOpenVdxFile), &QPushButton::clicked, this, &RunningPlayer::OnOpenStorage);
    connect(button(id::kMakeChdFile), &QPushButton::clicked, this, &RunningPlayer::OnMakeChannelFiles);
}

capture::CaptureTimeSource RunningPlayer::TimeSource()
{
    return {[this] { return m_core.m_CurTime.Load(); }, [this] { return static_cast<int>(m_core.m_nTimeFormat); },
            [this] { return m_time.ShowsMilliseconds(); },
            [this](int channel) { return m_time.ChannelName(channel).toStdString(); },
            [this] { return QFileInfo(QString::fromStdString(m_core.m_pszFilePath)).fileName().toStdString(); }};
}

void RunningPlayer::OnFileOpen()
{
    // Qt's own dialog rather than the desktop's, so that keyboard tools and tests can drive it.
    QFileDialog dialog(&m_dialog);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(QStringLiteral("Vrc Files (*.vrc *.crv)"));
    dialog.setDefaultSuffix(QStringLiteral("vrc"));
    dialog.setDirectory(RecentFolder::StartFolder());
    dialog.selectFile(QStringLiteral("Vrc File"));
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        OpenFile(dialog.selectedFiles().first());
}

void RunningPlayer::OpenFile(const QString& path) { OpenFile(QFile::encodeName(path).toStdString()); }

void RunningPlayer::OpenFile(const std::string& path)
{
    playback::OpenCommand& open = m_core.Open();
    const playback::FileOpenResult result = open.OnFileChosen(path);
    // Once the window has been reset for this recording, nothing of the one before stays on
    // screen, whether it opened or not; a refused file leaves the one before as it was.
    if (result.after != playback::FileOpenResult::After::Nothing) {
        m_ctrlPlayer.PushReset();
        m_time.Forget();
        // The marks of a motion search belong to the recording it searched.
        m_dialog.GetSeekSlider()->SetMarks({});
    }
    // The messages come before a failed open clears the window.
    for (const std::string& text : result.BoxTexts())
        MessageBox(QString::fromStdString(recording::ReadableName(text)));
    open.FinishFileOpen(result);
    m_dialog.SetFileChosen(m_core.m_bFileChosen != 0);
    if (result.after == playback::FileOpenResult::After::ClearOsd && m_core.m_bFileOpened)
        RecentFolder::Remember(QFile::decodeName(QByteArray::fromStdString(path)));
}

void RunningPlayer::OnChannelLayout(int tiles)
{
    // Compared as the header's unsigned byte; 0 before any recording was opened.
    const unsigned count = m_core.m_Header.chCount;
    const bool singleChannelRecording = count == 1 && m_core.m_nVideoChCount == 1 && m_core.m_nAudioChCount == 0;
    const bool acts = tiles == 1 ? !singleChannelRecording : tiles == 4 ? count > 1 : tiles == 9 ? count >= 8 : count >= 16;
    if (acts)
        m_ctrlPlayer.SetLayout(m_ctrlPlayer.CurrentChannel(), tiles);
}

void RunningPlayer::OnDisplayEvent(int32_t eventId)
{
    if (eventId == display::kPictureChanging)
        m_time.UpdateWhenDue();
    // A double-click left the single view: a recording of one channel goes back to it.
    if (eventId == display::kLayoutToggled && m_core.m_nDisplayMode != 0 && m_core.m_nSelChannel > -1)
        m_ctrlPlayer.SetLayout(m_core.m_nSelChannel, 1);
}

std::unique_ptr<QMenu> RunningPlayer::BuildContextMenu()
{
    auto menu = std::make_unique<QMenu>(&m_dialog);
    QAction* iframe = menu->addAction(QStringLiteral("I-Frame Only"));
    iframe->setData(kCmdIFrameOnly);
    iframe->setCheckable(true);
    iframe->setChecked(m_core.m_bIFrameOnly != 0);
    QMenu* formats = menu->addMenu(QStringLiteral("Time format"));
    static constexpr const char* kFormatTexts[6] = {"YYYY-MM-DD", "MM-DD-YYYY", "DD-MM-YYYY",
                                                    "YYYY/MM/DD", "MM/dd/YYYY", "DD/MM/YYYY"};
    for (int f = 0; f < 6; ++f) {
        QAction* a = formats->addAction(QString::fromLatin1(kFormatTexts[f]));
        a->setData(kCmdTimeFormats[f]);
        a->setCheckable(true);
        a->setChecked(m_core.m_nTimeFormat == f + 1);
    }
    QAction* milliseconds = menu->addAction(QStringLiteral("Show Milliseconds"));
    milliseconds->setData(kCmdShowMilliseconds);
    milliseconds->setCheckable(true);
    milliseconds->setChecked(m_time.ShowsMilliseconds());
    menu->addSeparator();
    menu->addAction(QStringLiteral("About..."))->setData(kCmdAbout);
    m_tools->AddMenuItems(*menu);
    return menu;
}

void RunningPlayer::OnMenuCommand(int command)
{
    if (command == kCmdIFrameOnly)
        m_core.m_bIFrameOnly = m_core.m_bIFrameOnly == 0 ? 1 : 0;
    for (int f = 0; f < 6; ++f) {
        if (command == kCmdTimeFormats[f])
            m_core.m_nTimeFormat = f + 1;
    }
    if (command == kCmdShowMilliseconds)
        m_time.SetShowMilliseconds(!m_time.ShowsMilliseconds());
    if (command == kCmdAbout)
        m_dialog.OnAbout();
    m_tools->OnMenuCommand(command);
}

void RunningPlayer::ShowContextMenu(const QPoint& globalPos)
{
    const std::unique_ptr<QMenu> menu = BuildContextMenu();
    if (QAction* chosen = menu->exec(globalPos))
        OnMenuCommand(chosen->data().toInt());
}

void RunningPlayer::OnPrint()
{
    capture::QtPrinting printing(TimeSource());
    capture::PrintDialog dialog(m_ctrlPlayer, m_printSettings, TimeSource(), printing, &MessageBox, &m_dialog);
    dialog.exec();
}

void RunningPlayer::OnOpenStorage()
{
    QFileDialog dialog(&m_dialog, res::LoadString(res::kStrSelectFolder), QDir::homePath() + QStringLiteral("/Storage"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    const bool chosen = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    StorageChosen(chosen ? dialog.selectedFiles().first() : QString());
}

void RunningPlayer::StorageChosen(const QString& path)
{
    m_szStoragePath = path;
    if (!path.isEmpty())
        m_dialog.SetPathText(path + QLatin1Char('/'));
    // After a cancel the search still runs, on the empty path: the file system's root.
    const std::string root = path.isEmpty() ? std::string("/") : QFile::encodeName(path).toStdString();
    auto* folders = qobject_cast<QComboBox*>(m_dialog.GetDlgItem(id::kFolderList));
    for (const recording::StorageInsert& entry : recording::FindStorageEntries(root))
        folders->insertItem(entry.index, QFile::decodeName(QByteArray::fromStdString(entry.text)));
}

void RunningPlayer::OnMakeChannelFiles()
{
    const auto* folders = qobject_cast<QComboBox*>(m_dialog.GetDlgItem(id::kFolderList));
    const recording::ChannelExport::Result result =
        recording::ChannelExport::Run(QFile::encodeName(m_szStoragePath + QLatin1Char('/') + folders->currentText()).toStdString());
    // Channel files that lie about what they hold would mislead whoever reads them.
    QStringList failures;
    for (const std::string& failure : result.Failures())
        failures.append(QString::fromStdString(failure));
    if (!failures.isEmpty())
        MessageBox(QStringLiteral("The channel files could not be written:\n") + failures.join(QLatin1Char('\n')));
}

} // namespace ui
