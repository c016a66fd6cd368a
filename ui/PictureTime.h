#pragma once
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include "display/CVorquil_Ctrl_Player.h"
#include "recording/SystemTime.h"

namespace playback {
class PlayerCore;
}

namespace ui {

class PlayerDialog;

// The one source of every time the window shows: the recorded time of the picture the display
// control has painted for the current channel. At most every 40 ms it puts that time on the time
// display, the elapsed time and the seek bar (unless the user holds its thumb), and keeps it as
// the core's m_CurTime; a picture that did not change changes nothing, so a pause keeps them all.
// The control is asked every 5 ms, so that a new picture's time follows it within a poll; the
// texts change at most about every 40 ms (a poll less, so that they do not fall ever further
// behind pictures that come every 40 ms).
// While the control shows no picture (before the first frame after an open) the texts are the
// engine's.
class PictureTime : public QObject {
    Q_OBJECT
public:
    static constexpr int kIntervalMs = 40;
    static constexpr int kPollMs = 5;

    PictureTime(PlayerDialog& dialog, display::CVorquil_Ctrl_Player& control, playback::PlayerCore& core);

    // Reads the control and updates what changed, at once (the timer calls it when due).
    void Update();
    // After an open: what was shown belonged to the recording before.
    void Forget();

    // "Show Milliseconds": the time display adds ".mmm"; remembered between runs.
    bool ShowsMilliseconds() const { return m_milliseconds; }
    void SetShowMilliseconds(bool on);

    // A channel's name as the recording gives it, or "CH-n" when it gives none.
    QString ChannelName(int channel) const;
    // The speed as the full-screen strip names it.
    QString SpeedText() const;

signals:
    // The full-screen strip's text: recorded time, speed and channel name.
    void StripChanged(const QString& text);

private:
    struct Shown {
        int channel = -1;
        int32_t fTime = 0;
        int32_t msec = 0;
        int format = 0;
        bool milliseconds = false;
        bool operator==(const Shown&) const = default;
    };

    void Apply(const Shown& shown);
    int64_t ElapsedSeconds(const Shown& shown) const;

    PlayerDialog& m_dialog;
    display::CVorquil_Ctrl_Player& m_control;
    playback::PlayerCore& m_core;
    QTimer m_timer;
    QElapsedTimer m_sinceApplied;
    Shown m_applied;
    QString m_strip;
    bool m_milliseconds = false;
};

} // namespace ui
