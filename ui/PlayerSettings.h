#pragma once
#include <QSettings>

namespace ui {

// Where the player keeps what it remembers between runs.
QSettings PlayerSettings();

} // namespace ui
