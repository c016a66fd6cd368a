#include "ui/FullScreenView.h"

#include <QKeyEvent>
#include <QScreen>

#include "ui/PlayerDialog.h"

namespace ui {

FullScreenView::FullScreenView(QWidget* owner) : QWidget(owner, Qt::Window | Qt::FramelessWindowHint)
{
    setWindowTitle(QStringLiteral("Kelvora Player - Full Screen"));
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setFocusPolicy(Qt::StrongFocus);
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
