#pragma once
// Bitmaps and the icon compiled into the program, looked up by their numeric resource id.
#include <QIcon>
#include <QPixmap>

namespace res {

inline constexpr int kAppIconId = 108;

// The bitmap with the given id (":/bitmaps/<id>.bmp"); a null pixmap when there is none.
QPixmap LoadBitmap(int id);
// The program icon.
QIcon LoadAppIcon();

} // namespace res
