#include "ui/MessageBox.h"

#include <mutex>

#include <QMessageBox>

namespace ui {
namespace {

struct HandlerSlot {
    std::mutex mutex;
    MessageBoxHandler handler;
};

HandlerSlot& Slot()
{
    static HandlerSlot slot;
    return slot;
}

} // namespace

void MessageBox(const QString& text)
{
    MessageBoxHandler handler;
    {
        std::lock_guard lock(Slot().mutex);
        handler = Slot().handler;
    }
    if (handler) {
        handler(text);
        return;
    }
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Kelvora Player"), text, QMessageBox::Ok);
    box.exec();
}

void SetMessageBoxHandler(MessageBoxHandler handler)
{
    std::lock_guard lock(Slot().mutex);
    Slot().handler = std::move(handler);
}

} // namespace ui
