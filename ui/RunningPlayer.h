#pragma once
#include <QObject>
#include <QString>
#include <memory>

#include "display/CVorquil_Ctrl_Player.h"
#include "display/DispatchTarget.h"
#include "platform/SteadyClock.h"
#include "playback/PlayerCore.h"
#include "ui/PictureTime.h"
#include "ui/QtPlayerView.h"
#include "ui/capture/CaptureTimeSource.h"
#include "ui/capture/PrintSettings.h"
#include "ui/capture/Snapshot.h"
#include "ui/capture/SnapshotKeyFilter.h"

class QMenu;
class QPoint;

namespace ui {

class OperatorTools;
class PlayerDialog;

// The running player behind the window: the display control's wrapper, the playback core
// with its threads, and the handlers that connect the window's controls to them. The player
// window owns one for its whole life; it stops the threads before the window's controls go.
class RunningPlayer : public QObject {
    Q_OBJECT
public:
    // Context-menu commands.
    static constexpr int kCmdAbout = 32772;
    static constexpr int kCmdIFrameOnly = 32773;
    // The time-format commands in the order of the formats 1..6.
    static constexpr int kCmdTimeFormats[6] = {32775, 32776, 32777, 32778, 32781, 32779};
    static constexpr int kCmdShowMilliseconds = 32782;

    RunningPlayer(PlayerDialog& dialog, display::DispatchTarget* control);
    ~RunningPlayer() override;

    playback::PlayerCore& Core() { return m_core; }
    display::CVorquil_Ctrl_Player& Control() { return m_ctrlPlayer; }
    capture::PrintSettings& PrintChoices() { return m_printSettings; }
    OperatorTools& Tools() { return *m_tools; }
    PictureTime& Time() { return m_time; }

    // The file dialog, then OpenFile with its answer.
    void OnFileOpen();
    // Opens a chosen recording: what the file dialog's answer, a file dropped on the window and
    // the command line's file go to. The folder of one that opens is where the dialog starts next.
    void OpenFile(const QString& path);
    // The same for a path in the file system's bytes, which need not be UTF-8.
    void OpenFile(const std::string& path);
    // A layout button: 1, 4, 9 or 16 tiles.
    void OnChannelLayout(int tiles);
    // The display control's events.
    void OnDisplayEvent(int32_t eventId);
    // The context menu as it is now (the caller owns it), and what its commands do.
    std::unique_ptr<QMenu> BuildContextMenu();
    void OnMenuCommand(int command);
    void ShowContextMenu(const QPoint& globalPos);
    void OnPrint();
    // The storage commands behind the window's hidden buttons: the folder chooser, then the
    // listing of what it chose (an empty path after a cancel); the export of the folder
    // list's selected entry; and "Combine Files", which does nothing.
    void OnOpenStorage();
    void StorageChosen(const QString& path);
    void OnMakeChannelFiles();

private:
    void IntroduceToDisplay();
    void ConnectControls();
    capture::CaptureTimeSource TimeSource();

    PlayerDialog& m_dialog;
    display::CVorquil_Ctrl_Player m_ctrlPlayer;
    QtPlayerView m_view;
    platform::SteadyClock m_clock;
    playback::PlayerCore m_core;
    PictureTime m_time;
    capture::PrintSettings m_printSettings;
    capture::Snapshot m_snapshot;
    capture::SnapshotKeyFilter m_snapshotKeys;
    QString m_szStoragePath;
    std::unique_ptr<OperatorTools> m_tools;
};

} // namespace ui
