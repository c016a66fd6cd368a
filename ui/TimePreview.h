#pragma once
#include <QLabel>
#include <QString>

namespace playback {
class PlayerCore;
}

namespace ui {

class SeekSlider;

// While the seek slider's thumb is dragged, a tip just above the thumb shows the recorded date
// and time of the position under it, in the chosen time format. It goes when the button is let go.
class TimePreview : public QObject {
    Q_OBJECT
public:
    TimePreview(SeekSlider& slider, const playback::PlayerCore& core);
    ~TimePreview() override;

    // The text for a slider position.
    QString TextAt(int position) const;
    // The tip, for the tests; visible only while dragging.
    const QLabel& Tip() const { return *m_tip; }

    // The slider's scroll report.
    void OnScrolled(int code, int position);

private:
    SeekSlider& m_slider;
    const playback::PlayerCore& m_core;
    QLabel* m_tip;
};

} // namespace ui
