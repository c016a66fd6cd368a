#pragma once
// A one-line text control painted the way the skin's labels are: the control's background in one
// colour and the text drawn on an opaque band of a second colour that is only as wide as the text.
#include <QColor>
#include <QString>
#include <QWidget>
#include <optional>

namespace ui {

class StaticText : public QWidget {
    Q_OBJECT
public:
    explicit StaticText(QWidget* parent = nullptr, const QString& text = {});

    void SetText(const QString& text);
    // Breaks the text between words onto further lines, as far as the control's height shows them.
    void SetWordWrap(bool wrap);
    QString Text() const { return m_text; }
    // background: the control's fill; none keeps the window's default background.
    void SetColors(const QColor& text, const QColor& textBack, std::optional<QColor> background);

    QColor TextColor() const { return m_textColor; }
    QColor TextBackColor() const { return m_textBack; }
    std::optional<QColor> BackgroundColor() const { return m_background; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
    QColor m_textColor = Qt::black;
    QColor m_textBack = Qt::white;
    std::optional<QColor> m_background;
    bool m_wrap = false;
};

} // namespace ui
