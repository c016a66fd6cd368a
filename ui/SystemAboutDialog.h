#pragma once
// The plain about box of the window menu: icon, version line, a notice and an OK button.
#include <QDialog>

class QPushButton;

namespace ui {

class SystemAboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit SystemAboutDialog(QWidget* parent = nullptr);

    QPushButton* OkButton() const { return m_ok; }

private:
    QPushButton* m_ok;
};

} // namespace ui
