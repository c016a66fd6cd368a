#include "ui/StaticText.h"

#include <QPainter>

namespace ui {

StaticText::StaticText(QWidget* parent, const QString& text) : QWidget(parent), m_text(text) {}

void StaticText::SetText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    update();
}

void StaticText::SetWordWrap(bool wrap)
{
    m_wrap = wrap;
    update();
}

void StaticText::SetColors(const QColor& text, const QColor& textBack, std::optional<QColor> background)
{
    m_textColor = text;
    m_textBack = textBack;
    m_background = background;
    update();
}

void StaticText::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), m_background.value_or(palette().color(QPalette::Window)));
    if (m_text.isEmpty())
        return;
    const int flags = Qt::AlignLeft | Qt::AlignTop | (m_wrap ? Qt::TextWordWrap : 0);
    const QRect area = contentsRect();
    // The text's band starts at the label's left edge, over any margin before the text.
    QRect band = p.fontMetrics().boundingRect(area, flags, m_text);
    band.setLeft(0);
    band &= rect();
    p.fillRect(band, m_textBack);
    p.setPen(m_textColor);
    p.drawText(area, flags, m_text);
}

} // namespace ui
