#pragma once
#include <QPointer>
#include <QRect>
#include <QWidget>

namespace ui {

// The display control alone on the whole of a screen: black around it, its 704x576 shape kept,
// in the layout it had. The control itself moves here, so its tiles grow and decode larger
// pictures and clicks on them act as in the window; leaving puts it back where it was.
class FullScreenView : public QWidget {
    Q_OBJECT
public:
    // A window of the player window's own, so that the player window's modal run lets it have input.
    explicit FullScreenView(QWidget* owner);

    // Takes the control from its window onto the screen that window is on.
    void Enter(QWidget* display);
    // Returns the control to its window, at its old place.
    void Leave();
    bool IsActive() const { return m_display != nullptr; }

    // The largest rectangle of the control's shape that fits an area, centred in it.
    static QRect FittedRect(QSize area);

signals:
    void Left();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPointer<QWidget> m_display;
    QPointer<QWidget> m_home;
    QRect m_homeGeometry;
};

} // namespace ui
