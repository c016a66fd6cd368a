#pragma once
// The position bar: a slider whose press moves the thumb straight to the pointer, drawn flat, that
// reports each change to its parent with a queued scroll notification and tells whether the left
// button has been released, so that the parent seeks only once the user lets go.
#include <QSlider>

namespace ui {

class SeekSlider : public QSlider {
    Q_OBJECT
public:
    // Scroll notification codes, as a trackbar reports them.
    enum ScrollCode {
        kLineUp = 0,
        kLineDown = 1,
        kPageUp = 2,
        kPageDown = 3,
        kThumbPosition = 4,
        kThumbTrack = 5,
        kTop = 6,
        kBottom = 7,
        kEndTrack = 8,
    };

    static constexpr QColor kThumbOutline{57, 57, 57};
    static constexpr QColor kThumbFill{100, 100, 100};
    static constexpr QColor kThumbPressedFill{180, 180, 180};
    static constexpr QColor kChannelOutline{20, 20, 20};
    static constexpr QColor kChannelFill{34, 35, 37};
    static constexpr QColor kChannelPlayed{0, 150, 200};
    static constexpr QColor kMark{255, 210, 0};

    explicit SeekSlider(QWidget* parent = nullptr);

    // 1 after a left-button release, 0 from a left press until the release.
    int IsReleased() const { return m_bReleased; }
    // While the user holds the thumb, nothing else moves it.
    bool IsDragging() const { return m_bDragging; }

    // The groove the thumb travels along; its left and right ends map to the range's ends.
    QRect ChannelRect() const;
    QRect ThumbRect() const;

    // Spans of positions [first, last] drawn over the groove (the events a motion search
    // found); empty: none.
    void SetMarks(const QList<QPair<int, int>>& spans);
    const QList<QPair<int, int>>& Marks() const { return m_marks; }

signals:
    // Delivered queued, like a posted message; position is the value when the report was made.
    void Scrolled(int code, int position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    bool SetPosFromPoint(int x);
    void Post(int code);

    int m_bReleased = 0;
    bool m_bDragging = false;
    bool m_bMoved = false;
    int m_keyAction = SliderNoAction;
    QList<QPair<int, int>> m_marks;
};

} // namespace ui
