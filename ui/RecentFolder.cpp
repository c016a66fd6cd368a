#include "ui/RecentFolder.h"

#include <QDir>
#include <QFileInfo>

#include "ui/PlayerSettings.h"

namespace ui {
namespace {

constexpr char kKey[] = "open/lastFolder";

} // namespace

QString RecentFolder::StartFolder()
{
    return Choose(PlayerSettings().value(QLatin1String(kKey)).toString(), QDir::homePath());
}

void RecentFolder::Remember(const QString& recordingPath)
{
    PlayerSettings().setValue(QLatin1String(kKey), QFileInfo(recordingPath).absolutePath());
}

QString RecentFolder::Choose(const QString& remembered, const QString& home)
{
    // A folder since removed or unmounted is passed over, as if none had been kept.
    if (!remembered.isEmpty() && QFileInfo(remembered).isDir())
        return remembered;
    const QString demo = home + QStringLiteral("/Storage/Demo");
    return QFileInfo(demo).isDir() ? demo : home;
}

} // namespace ui
