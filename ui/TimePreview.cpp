#include "ui/TimePreview.h"

#include "playback/PlayerCore.h"
#include "recording/TimeText.h"
#include "ui/SeekSlider.h"

namespace ui {

TimePreview::TimePreview(SeekSlider& slider, const playback::PlayerCore& core)
    : m_slider(slider), m_core(core), m_tip(new QLabel(nullptr, Qt::ToolTip))
{
    m_tip->setForegroundRole(QPalette::ToolTipText);
    m_tip->setBackgroundRole(QPalette::ToolTipBase);
    m_tip->setPalette(QPalette(QColor(255, 255, 225)));
    m_tip->setAutoFillBackground(true);
    m_tip->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_tip->setMargin(3);
    QFont font("Arial");
    font.setPixelSize(12);
    m_tip->setFont(font);
}

TimePreview::~TimePreview() { delete m_tip; }

QString TimePreview::TextAt(int position) const
{
    return QString::fromStdString(recording::FormatDateTime(m_core.TimeAtSecond(position), m_core.m_nTimeFormat.load()));
}

void TimePreview::OnScrolled(int code, int position)
{
    const bool dragging = code == SeekSlider::kThumbTrack && !m_slider.IsReleased() && m_core.m_bFileOpened != 0;
    if (!dragging) {
        m_tip->hide();
        return;
    }
    m_tip->setText(TextAt(position));
    m_tip->adjustSize();
    const QRect thumb = m_slider.ThumbRect();
    const QPoint above = m_slider.mapToGlobal(QPoint(thumb.center().x(), thumb.top()));
    m_tip->move(above.x() - m_tip->width() / 2, above.y() - m_tip->height() - 4);
    m_tip->show();
}

} // namespace ui
