#pragma once
#include <chrono>
#include <cstdint>
#include <vector>

#include <QObject>

class QWidget;

namespace display {
class CVorquil_Ctrl_Player;
}

namespace avoffset {

// Notes on the steady clock when the display control starts painting the first picture of
// each recorded second of channel 1 (its tile at the top left of a grid of the given number
// of columns, playing a sample recording from its start). Which picture is about to be painted is read from the control's
// capture, composed from the same pictures as the paint: the sample's white bar stands at a
// known place in each frame, which gives the frame number modulo the sweep, and the frame
// numbers seen before give the rest.
class PaintClock : public QObject {
public:
    using Clock = std::chrono::steady_clock;
    struct Second {
        int64_t second = 0;
        int64_t frame = 0; // the frame painted: 25 x second unless the first was never shown
        Clock::time_point painted;
    };

    PaintClock(QWidget& control, display::CVorquil_Ctrl_Player& player, int columns);

    const std::vector<Second>& Seconds() const { return m_seconds; }
    // Paints whose picture could not be read (no picture, or no bar found).
    int Unread() const { return m_unread; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The frame number modulo the bar's sweep, or -1.
    int FrameInSweep();

    QWidget& m_control;
    display::CVorquil_Ctrl_Player& m_player;
    std::vector<uint8_t> m_buffer;
    int m_sweep = 0;
    int m_columns = 2;
    int64_t m_frame = -1;
    int m_unread = 0;
    std::vector<Second> m_seconds;
};

} // namespace avoffset
