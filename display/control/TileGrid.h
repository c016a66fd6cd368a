#pragma once
#include <QPoint>
#include <QRect>
#include <QSize>

namespace display {

constexpr int kChannels = 16;
constexpr int kScreenWidth = 704;
constexpr int kScreenHeight = 576;

// Which channels the control shows and where: a square grid of 1, 4, 9 or 16 tiles over the
// screen (704x576 in the player window, larger in full screen), showing channels from `first` on. Tile edges are rounded to whole pixels,
// so neighbouring tiles may differ by one pixel.
class TileGrid {
public:
    TileGrid() = default;
    // first is rounded down to a multiple of tiles (and kept within 0..15).
    TileGrid(int first, int tiles, QSize screen = QSize(kScreenWidth, kScreenHeight));
    // The same tiles over another screen size.
    TileGrid Over(QSize screen) const { return TileGrid(m_first, m_tiles, screen); }

    static bool IsValidTileCount(int tiles) { return tiles == 1 || tiles == 4 || tiles == 9 || tiles == 16; }

    int First() const { return m_first; }
    int Tiles() const { return m_tiles; }
    int Side() const { return m_side; }
    QSize Screen() const { return m_screen; }

    QRect TileRect(int tile) const;
    // The channel of a tile, or -1 for a tile past channel 15 or past channelCount.
    int ChannelOf(int tile, int channelCount) const;
    // The tile under a point of the screen, or -1.
    int TileAt(QPoint point) const;
    // The tile showing a channel, or -1 when it is not on the screen.
    int TileOf(int channel, int channelCount) const;
    bool operator==(const TileGrid&) const = default;

private:
    int m_first = 0;
    int m_tiles = 16;
    int m_side = 4;
    QSize m_screen{kScreenWidth, kScreenHeight};
};

} // namespace display
