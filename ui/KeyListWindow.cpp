#include "ui/KeyListWindow.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>
#include <utility>
#include <vector>

#include "ui/PlayerKeys.h"

namespace ui {
namespace {

// The keys that are not the operator's table: they keep the meaning they always had.
const std::pair<const char*, const char*> kWindowKeys[] = {
    {"S", "Snapshot to ~/Storage/Capture"},
    {"Esc", "Close the player (full screen: back to the window)"},
    {"Tab", "Next control"},
    {"Alt+Space", "Window menu"},
};

} // namespace

KeyListWindow::KeyListWindow(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Kelvora Player - Keys"));
    QFont dialogFont("Arial");
    dialogFont.setPixelSize(12);
    setFont(dialogFont);

    std::vector<std::pair<QString, QString>> rows;
    for (const PlayerKey& k : PlayerKeys::Table())
        rows.emplace_back(QString::fromLatin1(k.keyName), QString::fromLatin1(k.action));
    for (const auto& [key, action] : kWindowKeys)
        rows.emplace_back(QString::fromLatin1(key), QString::fromLatin1(action));

    m_table = new QTableWidget(static_cast<int>(rows.size()), 2, this);
    m_table->setHorizontalHeaderLabels({QStringLiteral("Key"), QStringLiteral("Does")});
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    m_table->setFocusPolicy(Qt::NoFocus);
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        m_table->setItem(r, 0, new QTableWidgetItem(rows[r].first));
        m_table->setItem(r, 1, new QTableWidgetItem(rows[r].second));
    }
    m_table->resizeColumnsToContents();
    m_table->resizeRowsToContents();
    m_table->horizontalHeader()->setStretchLastSection(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table);
    const int height = m_table->horizontalHeader()->height() + m_table->verticalHeader()->length() + 4;
    resize(m_table->horizontalHeader()->length() + 60, height + 24);
}

} // namespace ui
