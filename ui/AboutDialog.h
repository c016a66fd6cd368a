#pragma once
// The skinned about box: a dark title band, a white body, the program's version and a close
// button in the top-right corner. Dragging anywhere on it moves it.
#include "ui/WindowDragger.h"

#include <QDialog>
#include <QFont>

namespace ui {

class SkinButton;
class StaticText;

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr QColor kBand{57, 57, 57};

    explicit AboutDialog(QWidget* parent = nullptr);

    SkinButton* OkButton() const { return m_btnOk; }
    SkinButton* CancelButton() const { return m_btnCancel; }
    StaticText* VersionLine() const { return m_version; }
    StaticText* SecondLine() const { return m_second; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    SkinButton* m_btnCancel;
    SkinButton* m_btnOk;
    StaticText* m_version;
    StaticText* m_second;
    QFont m_TitleFont;
    WindowDragger m_dragger;
};

} // namespace ui
