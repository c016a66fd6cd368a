#pragma once
#include <functional>

#include <QString>

namespace ui {

// Shows a message the user must acknowledge: a warning box with an OK button and the program's
// name as caption. Tests install a handler instead, so that no test blocks on a modal box.
void MessageBox(const QString& text);

using MessageBoxHandler = std::function<void(const QString& text)>;
// Replaces the box by a handler; an empty handler restores the box.
void SetMessageBoxHandler(MessageBoxHandler handler);

} // namespace ui
