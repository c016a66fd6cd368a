#pragma once
#include <QPointer>
#include <QRect>
#include <QTimer>
#include <QWidget>

class QGraphicsOpacityEffect;
class QLabel;
class QPropertyAnimation;

namespace ui {

// The display control alone on the whole of a screen: black around it, its 704x576 shape kept,
// in the layout it had. The control itself moves here, so its tiles grow and decode larger
// pictures and clicks on them act as in the window; leaving puts it back where it was, also when
// the window manager closes the view. A strip along the bottom names the picture's recorded
// time, the speed and the channel; it fades after 3 s without the mouse moving and comes back
// when it moves.
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

    static constexpr int kStripShownMs = 3000;
    void SetStripText(const QString& text);
    const QLabel& Strip() const { return *m_strip; }
    // The strip's opacity: 1 shown, 0 faded out.
    qreal StripOpacity() const;

signals:
    void Left();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void PlaceStrip();
    void ShowStrip();
    void FadeStrip();

    QPointer<QWidget> m_display;
    QPointer<QWidget> m_home;
    QRect m_homeGeometry;
    bool m_displayTracked = false; // the control's own mouse tracking, given back on leaving
    QLabel* m_strip;
    QGraphicsOpacityEffect* m_stripOpacity;
    QPropertyAnimation* m_stripFade;
    QTimer m_stripTimer;
};

} // namespace ui
