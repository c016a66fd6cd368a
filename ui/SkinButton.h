#pragma once
// A push button drawn from bitmap resources: a resting, a pressed, a hover and a checked look.
// Clicks, keyboard use and the click notification are those of a plain button.
#include <QAbstractButton>
#include <QPixmap>

namespace ui {

class SkinButton : public QAbstractButton {
    Q_OBJECT
public:
    enum class Type { Push = 0, CheckBox = 2, Radio = 4 };

    explicit SkinButton(QWidget* parent = nullptr, Type type = Type::Push);

    // Resource ids of the normal, down, over and checked looks; 0 leaves a look empty. Does not
    // repaint: owners call update() where the new look must show at once.
    void SetBitmaps(int normal, int down, int over, int checked);
    // A push button never becomes checked.
    void SetCheck(bool checked);
    bool GetCheck() const { return m_bChecked; }
    bool IsHover() const { return m_bHover; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    bool m_bChecked = false;
    Type m_nType;
    bool m_bHover = false;
    bool m_bButtonDown = false;
    QPixmap m_bmpNormal;
    QPixmap m_bmpDown;
    QPixmap m_bmpOver;
    QPixmap m_bmpChecked;
};

} // namespace ui
