#include "res/Resources.h"

namespace res {

QPixmap LoadBitmap(int id)
{
    if (id <= 0)
        return {};
    return QPixmap(QStringLiteral(":/bitmaps/%1.bmp").arg(id));
}

QIcon LoadAppIcon()
{
    return QIcon(QStringLiteral(":/icons/%1.png").arg(kAppIconId));
}

} // namespace res
