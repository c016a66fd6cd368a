#pragma once
// The volume control: a flat track, blue up to the value, with a rectangular thumb. It keeps its
// own range and value, moves the value to wherever the user presses or drags, and tells its parent
// when a press ends (end of tracking); the parent then reads GetPos.
#include <QWidget>

namespace ui {

class VolumeSlider : public QWidget {
    Q_OBJECT
public:
    static constexpr QColor kBack{169, 169, 169};
    static constexpr QColor kDark{65, 65, 65};
    static constexpr QColor kTrackBlue{35, 205, 246};
    static constexpr QColor kTrackGrey{91, 91, 91};
    static constexpr QColor kThumbFace{222, 219, 222};

    explicit VolumeSlider(QWidget* parent = nullptr);

    bool SetRange(int min, int max);
    // pos is an offset from the minimum; a value outside the range is refused.
    bool SetPos(int pos);
    // Moves the value by steps, stopping at the range's ends; false when it did not move.
    bool Step(int steps);
    int GetPos() const { return m_nMin + m_nPos; }

    // Where the thumb, with its border, was last painted.
    QRect ThumbRect() const { return m_rcThumb; }
    bool IsDragging() const { return m_bDragging; }

signals:
    // After every left-button release on the slider.
    void TrackEnded();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // A notch moves the value one step and ends tracking, as a key does.
    void wheelEvent(QWheelEvent* event) override;

private:
    void SetPosFromPoint(int x);

    bool m_bDragging = false;
    bool m_bHot = false;
    int m_nPos = 50;
    QRect m_rcThumb;
    int m_nMax = 100;
    int m_nMin = 0;
    int m_nRange = 100;
    int m_wheelRest = 0; // eighths of a degree not yet a whole notch
};

} // namespace ui
