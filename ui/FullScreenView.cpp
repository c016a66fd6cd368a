#include "ui/FullScreenView.h"

#include <QGraphicsOpacityEffect>
#include <QKeyEvent>
#include <QLabel>
#include <QPropertyAnimation>
#include <QScreen>

#include "ui/PlayerDialog.h"

namespace ui {

namespace {
constexpr int kStripHeight = 36;
constexpr int kFadeMs = 600;
} // namespace

FullScreenView::FullScreenView(QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::FramelessWindowHint), m_strip(new QLabel(this)),
      m_stripOpacity(new QGraphicsOpacityEffect(m_strip)), m_stripFade(new QPropertyAnimation(m_stripOpacity, "opacity", this))
{
    setWindowTitle(QStringLiteral("Kelvora Player - Full Screen"));
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    m_strip->setAlignment(Qt::AlignCenter);
    m_strip->setStyleSheet(QStringLiteral("background-color: rgba(0, 0, 0, 160); color: rgb(0, 192, 255);"));
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(20);
    font.setBold(true);
    m_strip->setFont(font);
    m_strip->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_strip->setGraphicsEffect(m_stripOpacity);
    m_stripFade->setDuration(kFadeMs);
    m_stripTimer.setSingleShot(true);
    m_stripTimer.setInterval(kStripShownMs);
    connect(&m_stripTimer, &QTimer::timeout, this, &FullScreenView::FadeStrip);
}

void FullScreenView::SetStripText(const QString& text) { m_strip->setText(text); }

qreal FullScreenView::StripOpacity() const { return m_stripOpacity->opacity(); }

void FullScreenView::PlaceStrip()
{
    const QRect picture = FittedRect(size());
    m_strip->setGeometry(picture.left(), picture.bottom() + 1 - kStripHeight, picture.width(), kStripHeight);
    m_strip->raise();
}

void FullScreenView::ShowStrip()
{
    m_stripFade->stop();
    m_stripOpacity->setOpacity(1.0);
    m_strip->show();
    m_stripTimer.start();
}

void FullScreenView::FadeStrip()
{
    m_stripFade->setStartValue(m_stripOpacity->opacity());
    m_stripFade->setEndValue(0.0);
    m_stripFade->start();
}

QRect FullScreenView::FittedRect(QSize area)
{
    const QSize shape(PlayerDialog::kDisplayWidth, PlayerDialog::kDisplayHeight);
    const QSize fitted = shape.scaled(area, Qt::KeepAspectRatio);
    return QRect(QPoint((area.width() - fitted.width()) / 2, (area.height() - fitted.height()) / 2), fitted);
}

void FullScreenView::Enter(QWidget* display)
{
    if (IsActive())
        return;
    m_display = display;
    m_home = display->parentWidget();
    m_homeGeometry = display->geometry();
    if (QScreen* screen = m_home ? m_home->screen() : nullptr)
        setGeometry(screen->geometry());
    display->setParent(this);
    display->setGeometry(FittedRect(size()));
    display->show();
    // The strip comes back whenever the mouse moves over the picture too.
    m_displayTracked = display->hasMouseTracking();
    display->setMouseTracking(true);
    display->installEventFilter(this);
    PlaceStrip();
    ShowStrip();
    showFullScreen();
    raise();
    activateWindow();
    setFocus();
}

void FullScreenView::Leave()
{
    if (!IsActive())
        return;
    QWidget* display = m_display;
    m_display = nullptr;
    m_stripTimer.stop();
    display->removeEventFilter(this);
    display->setMouseTracking(m_displayTracked);
    hide();
    if (m_home) {
        display->setParent(m_home);
        display->setGeometry(m_homeGeometry);
        display->show();
        display->raise();
        m_home->activateWindow();
    }
    emit Left();
}

void FullScreenView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_display)
        m_display->setGeometry(FittedRect(size()));
    PlaceStrip();
}

bool FullScreenView::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove)
        ShowStrip();
    return QWidget::eventFilter(watched, event);
}

void FullScreenView::mouseMoveEvent(QMouseEvent* event)
{
    ShowStrip();
    QWidget::mouseMoveEvent(event);
}

// The window manager's close (a close button, Alt+F4) leaves full screen as Esc does.
void FullScreenView::closeEvent(QCloseEvent* event)
{
    Leave();
    QWidget::closeEvent(event);
}

void FullScreenView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        Leave();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace ui
