#pragma once
// What the player window offers an operator beyond its fixed controls: the keys, the key list,
// the note after a snapshot, the time preview over the seek slider, "Go to Time...", "Find
// Motion..." and the full-screen view. Each key drives the same button or slider the mouse would, so it acts
// exactly when that control would.
#include <QObject>
#include <QPointer>
#include <memory>
#include <string>

#include "motion/MotionEvent.h"
#include "recording/SystemTime.h"
#include "ui/KeyListWindow.h"
#include "ui/MotionSearchWindow.h"
#include "ui/PlayerKeys.h"
#include "ui/RegionSelector.h"
#include "ui/capture/Snapshot.h"

class QMenu;

namespace ui {

class FullScreenView;
class PlayerDialog;
class RunningPlayer;
class SnapshotNote;
class TimePreview;

class OperatorTools : public QObject {
    Q_OBJECT
public:
    // Context-menu commands, after the window's own.
    static constexpr int kCmdFullScreen = 32790;
    static constexpr int kCmdGoToTime = 32791;
    static constexpr int kCmdFindMotion = 32792;

    OperatorTools(PlayerDialog& dialog, RunningPlayer& player);
    ~OperatorTools() override;

    void Run(PlayerCommand command);
    // The separator and the items that follow the window's own in its context menu.
    void AddMenuItems(QMenu& menu);
    // True when the command was one of the items above.
    bool OnMenuCommand(int command);
    void ShowSnapshotNote(const capture::SnapshotOutcome& outcome);

    // "Go to Time...": asks for a recorded time, then GoToTime.
    void AskGoToTime();
    // Moves playback to a recorded time through the seek slider's path; a time outside the
    // recording gets a message and changes nothing. False when nothing moved.
    bool GoToTime(const recording::SystemTime& time);
    // GoToTime for a typed text (see recording::ParseTypedTime); a time of day alone is taken
    // on the day of day. A text that is no time gets a message.
    bool GoToText(const std::string& text, const recording::SystemTime& day);

    // "Find Motion...": the current channel alone, a rectangle drawn over it, then the search
    // window; its events are marked on the seek slider until the next open.
    void FindMotion();
    // Pauses and goes to the event's start through the path of Go to Time. Playback that has
    // not started yet is started first, and the move made once it stands.
    void GoToEvent(const motion::MotionEvent& event);
    RegionSelector* Selector() const { return m_selector; }
    MotionSearchWindow* Search() const { return m_search; }

    // F and "Full Screen": the display control alone on the screen, or back in the window.
    void ToggleFullScreen();
    FullScreenView* FullScreen() const { return m_fullScreen; }

    KeyListWindow* KeyList() const { return m_keyList; }
    const SnapshotNote& Note() const { return *m_note; }
    const TimePreview& Preview() const { return *m_preview; }

private:
    void Click(int buttonId);
    void StepVolume(int delta);
    void StepChannel(int delta);
    void ShowKeyList();
    bool CanGoToTime() const;
    void SearchRegion(int channel, const QRect& region);
    void MarkEvents(const std::vector<motion::MotionEvent>& events);

    PlayerDialog& m_dialog;
    RunningPlayer& m_player;
    PlayerKeys m_keys;
    SnapshotNote* m_note;
    std::unique_ptr<TimePreview> m_preview;
    FullScreenView* m_fullScreen; // owned by the window
    QPointer<KeyListWindow> m_keyList;
    QPointer<RegionSelector> m_selector;
    QPointer<MotionSearchWindow> m_search;
};

} // namespace ui
