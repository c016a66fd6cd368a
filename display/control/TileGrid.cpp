#include "display/control/TileGrid.h"

#include <algorithm>

namespace display {

TileGrid::TileGrid(int first, int tiles, QSize screen)
    : m_tiles(IsValidTileCount(tiles) ? tiles : 16), m_screen(screen.isEmpty() ? QSize(kScreenWidth, kScreenHeight) : screen)
{
    m_side = m_tiles == 1 ? 1 : m_tiles == 4 ? 2 : m_tiles == 9 ? 3 : 4;
    first = std::clamp(first, 0, kChannels - 1);
    m_first = first - first % m_tiles;
}

QRect TileGrid::TileRect(int tile) const
{
    if (tile < 0 || tile >= m_tiles)
        return {};
    const int col = tile % m_side;
    const int row = tile / m_side;
    const int x0 = col * m_screen.width() / m_side;
    const int x1 = (col + 1) * m_screen.width() / m_side;
    const int y0 = row * m_screen.height() / m_side;
    const int y1 = (row + 1) * m_screen.height() / m_side;
    return QRect(x0, y0, x1 - x0, y1 - y0);
}

int TileGrid::ChannelOf(int tile, int channelCount) const
{
    if (tile < 0 || tile >= m_tiles)
        return -1;
    const int channel = m_first + tile;
    return channel < std::min(channelCount, kChannels) ? channel : -1;
}

int TileGrid::TileAt(QPoint point) const
{
    if (point.x() < 0 || point.y() < 0 || point.x() >= m_screen.width() || point.y() >= m_screen.height())
        return -1;
    for (int tile = 0; tile < m_tiles; ++tile) {
        if (TileRect(tile).contains(point))
            return tile;
    }
    return -1;
}

int TileGrid::TileOf(int channel, int channelCount) const
{
    const int tile = channel - m_first;
    return ChannelOf(tile, channelCount) == channel ? tile : -1;
}

} // namespace display
