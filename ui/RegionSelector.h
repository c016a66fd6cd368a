#pragma once
// The rectangle a motion search looks in, drawn with the mouse over the display control's
// single tile: a press starts it, a release ends it, Esc gives up.
#include <QRect>
#include <QWidget>

namespace ui {

class RegionSelector : public QWidget {
    Q_OBJECT
public:
    static constexpr QColor kEdge{255, 210, 0};

    // Covers `display` and takes the keyboard until a rectangle is chosen or given up.
    explicit RegionSelector(QWidget* display);

    // The rectangle drawn so far, in the display's pixels.
    QRect Region() const { return m_region; }

signals:
    void Chosen(const QRect& region);
    void Cancelled();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPoint m_anchor;
    QRect m_region;
    bool m_dragging = false;
};

} // namespace ui
