#include <gtest/gtest.h>

#include "display/control/DigitalZoom.h"
#include "display/control/TileGrid.h"

namespace {

using display::DigitalZoom;
using display::TileGrid;

struct GridCase {
    int first, tiles, channelCount;
    int wantFirst;
    std::vector<int> channels; // per tile
};

class TileGridChannels : public ::testing::TestWithParam<GridCase> {};

TEST_P(TileGridChannels, RoundsFirstDownAndEmptiesTilesPastTheChannels)
{
    const GridCase& c = GetParam();
    const TileGrid grid(c.first, c.tiles);
    EXPECT_EQ(grid.First(), c.wantFirst);
    ASSERT_EQ(grid.Tiles(), static_cast<int>(c.channels.size()));
    for (int tile = 0; tile < grid.Tiles(); ++tile)
        EXPECT_EQ(grid.ChannelOf(tile, c.channelCount), c.channels[tile]) << "tile " << tile;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TileGridChannels,
    ::testing::Values(GridCase{0, 1, 16, 0, {0}}, GridCase{7, 1, 16, 7, {7}}, GridCase{7, 4, 16, 4, {4, 5, 6, 7}},
                      GridCase{8, 9, 16, 0, {0, 1, 2, 3, 4, 5, 6, 7, 8}},
                      GridCase{10, 9, 16, 9, {9, 10, 11, 12, 13, 14, 15, -1, -1}},
                      GridCase{15, 16, 16, 0, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}},
                      GridCase{2, 4, 3, 0, {0, 1, 2, -1}}, GridCase{-3, 4, 16, 0, {0, 1, 2, 3}},
                      GridCase{40, 1, 16, 15, {15}}, GridCase{1, 5, 16, 0, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}}),
    [](const auto& info) {
        const GridCase& c = info.param;
        const std::string first = c.first < 0 ? "Minus" + std::to_string(-c.first) : std::to_string(c.first);
        return "first" + first + "tiles" + std::to_string(c.tiles) + "of" +
               std::to_string(c.channelCount);
    });

TEST(TileGrid, TilesCoverTheScreenWithoutOverlap)
{
    for (int tiles : {1, 4, 9, 16}) {
        const TileGrid grid(0, tiles);
        int area = 0;
        for (int tile = 0; tile < tiles; ++tile) {
            const QRect rect = grid.TileRect(tile);
            area += rect.width() * rect.height();
            EXPECT_EQ(grid.TileAt(rect.topLeft()), tile);
            EXPECT_EQ(grid.TileAt(rect.bottomRight()), tile);
        }
        EXPECT_EQ(area, 704 * 576) << tiles;
    }
    EXPECT_EQ(TileGrid(0, 4).TileAt({704, 10}), -1);
    EXPECT_EQ(TileGrid(0, 4).TileAt({-1, 10}), -1);
}

TEST(TileGrid, FindsTheTileOfAChannel)
{
    const TileGrid grid(4, 4);
    EXPECT_EQ(grid.TileOf(6, 16), 2);
    EXPECT_EQ(grid.TileOf(3, 16), -1);
    EXPECT_EQ(grid.TileOf(6, 6), -1);
}

TEST(TileGridScreen, LargerScreensGiveLargerTiles)
{
    // Full screen on 1920x1080 with the 704x576 shape kept: 1320x1080.
    const QSize screen(1320, 1080);
    EXPECT_EQ(TileGrid(0, 16, screen).TileRect(15), QRect(990, 810, 330, 270));
    EXPECT_EQ(TileGrid(0, 4, screen).TileRect(0), QRect(0, 0, 660, 540));
    EXPECT_EQ(TileGrid(3, 1, screen).TileRect(0), QRect(0, 0, 1320, 1080));
    EXPECT_EQ(TileGrid(0, 16, screen).TileAt(QPoint(1000, 1000)), 15);
    EXPECT_EQ(TileGrid(0, 16).Over(screen), TileGrid(0, 16, screen));
    EXPECT_EQ(TileGrid(0, 16).TileAt(QPoint(1000, 100)), -1);
}

struct ZoomStep {
    QPointF anchor;
    double factor;
    double wantScale;
    bool anchorHeld; // false where the picture would leave the view's edge
};

TEST(DigitalZoom, KeepsThePointUnderThePointerWithinOneToEightTimes)
{
    const std::vector<ZoomStep> steps{
        {{0.5, 0.5}, 2.0, 2.0, true},   {{0.1, 0.9}, 2.0, 4.0, true},  {{0.97, 0.03}, 1.5, 6.0, true},
        {{0.3, 0.6}, 4.0, 8.0, true},   {{0.3, 0.6}, 2.0, 8.0, true},  {{0.8, 0.2}, 0.5, 4.0, true},
        {{0.5, 0.5}, 0.01, 1.0, false}, {{0.0, 0.0}, 4.0, 4.0, true},  {{1.0, 1.0}, 0.5, 2.0, false},
    };
    DigitalZoom zoom;
    for (size_t i = 0; i < steps.size(); ++i) {
        const ZoomStep& step = steps[i];
        const QPointF before = zoom.ToPicture(step.anchor);
        zoom.ZoomAbout(step.anchor, step.factor);
        EXPECT_DOUBLE_EQ(zoom.Scale(), step.wantScale) << "step " << i;
        const QRectF visible = zoom.Visible();
        EXPECT_NEAR(visible.width(), 1.0 / step.wantScale, 1e-12) << "step " << i;
        EXPECT_TRUE(visible.left() >= 0 && visible.top() >= 0 && visible.right() <= 1 + 1e-12 &&
                    visible.bottom() <= 1 + 1e-12)
            << "step " << i;
        const QPointF after = zoom.ToPicture(step.anchor);
        EXPECT_EQ(std::abs(after.x() - before.x()) < 1e-12 && std::abs(after.y() - before.y()) < 1e-12,
                  step.anchorHeld)
            << "step " << i;
    }
    // Zoomed out from the bottom right corner: pinned to the top left instead of leaving the view.
    EXPECT_EQ(zoom.Visible(), QRectF(0, 0, 0.5, 0.5));
}

TEST(DigitalZoom, PansOnlyAsFarAsThePictureFillsTheViewAndResets)
{
    DigitalZoom zoom;
    zoom.Pan({-0.3, -0.3});
    EXPECT_EQ(zoom.Visible(), QRectF(0, 0, 1, 1));
    zoom.ZoomAbout({0, 0}, 2.0);
    // Dragging left and down shows more of the right, and nothing above the top.
    zoom.Pan({-0.2, 0.1});
    EXPECT_EQ(zoom.Visible(), QRectF(0.1, 0, 0.5, 0.5));
    zoom.Pan({-5, -5});
    EXPECT_EQ(zoom.Visible(), QRectF(0.5, 0.5, 0.5, 0.5));
    zoom.Reset();
    EXPECT_EQ(zoom.Scale(), 1.0);
    EXPECT_EQ(zoom.Visible(), QRectF(0, 0, 1, 1));
}

} // namespace
