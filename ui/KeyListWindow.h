#pragma once
#include <QDialog>

class QTableWidget;

namespace ui {

// A small window beside the player that lists its keys: the operator's keys and the few keys
// the window has always had. It stays open while the player goes on.
class KeyListWindow : public QDialog {
    Q_OBJECT
public:
    explicit KeyListWindow(QWidget* parent = nullptr);

    QTableWidget* Table() const { return m_table; }

private:
    QTableWidget* m_table = nullptr;
};

} // namespace ui
