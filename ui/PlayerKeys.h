#pragma once
// The operator's keys of the player window and its full-screen view. The table names each key
// and what it does; the filter turns a key press into its command before the focused control
// sees it, so Space plays whichever button has the focus. Keys with a meaning of their own are
// not in the table (S snapshot, Esc close, Tab focus, Alt+Space window menu), and a focused
// slider keeps its arrows and page keys.
#include <QKeyCombination>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>
#include <span>
#include <vector>

class QKeyEvent;

namespace ui {

enum class PlayerCommand {
    PlayPause,
    JumpForward,
    JumpBack,
    VolumeUp,
    VolumeDown,
    Mute,
    FastForward,
    Rewind,
    Layout1,
    Layout4,
    Layout9,
    Layout16,
    NextChannel,
    PreviousChannel,
    Open,
    Print,
    FullScreen,
    StepForward,
    StepBack,
    KeyList,
};

struct PlayerKey {
    QKeyCombination key;
    PlayerCommand command;
    const char* keyName;
    const char* action;
};

class PlayerKeys : public QObject {
    Q_OBJECT
public:
    static std::span<const PlayerKey> Table();
    // The command of a key press, if any (Shift and the keypad do not count, so + works from
    // either keyboard).
    static std::optional<PlayerCommand> CommandOf(const QKeyEvent& key);

    // Installs itself on the application for as long as it lives.
    explicit PlayerKeys(std::function<void(PlayerCommand)> run, QObject* parent = nullptr);
    // A window whose keys are taken (the player window, the full-screen view).
    void Watch(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool IsWatched(QObject* watched) const;

    std::function<void(PlayerCommand)> m_run;
    std::vector<QPointer<QWidget>> m_windows;
};

} // namespace ui
