#include "ui/PlayerSettings.h"

namespace ui {

QSettings PlayerSettings() { return QSettings(QStringLiteral("kelvora-player"), QStringLiteral("kelvora-player")); }

} // namespace ui
