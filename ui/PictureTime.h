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
// control has painted for the current channel. It puts that time on the time display, the
// elapsed time and the seek bar (unless the user holds its thumb), and keeps it as the core's
// m_CurTime; a picture that did not change changes nothing, so a pause keeps them all.
// The control says when it is about to paint new pictures, and the texts change then, so that
// both are painted together; it is also asked every 5 ms for what that left out. The texts
// change at most every 30 ms: pictures that come every 40 ms reach the screen on its
// refreshes, 33 ms apart now and then at 60 Hz, and a text held back then would lag its
// picture by a frame.
// While the control shows no picture (before the first frame after an open) the texts are the
// engine's.
class PictureTime : public QObject {
    Q_OBJECT
public:
    static constexpr int kPollMs = 5;
    static constexpr int kLeastGapMs = 30;

    PictureTime(PlayerDialog& dialog, display::CVorquil_Ctrl_Player& control, playback::PlayerCore& core);

    // Reads the control and updates what changed, at once (the timer calls it when due).
    void Update();
    // Update, unless the texts changed less than kLeastGapMs ago: the timer calls it, and so
    // does the control's notice of new pictures, so that the texts are painted with them.
    void UpdateWhenDue();
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
