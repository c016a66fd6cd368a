#include <gtest/gtest.h>

#include "display/control/DigitalZoom.h"
#include "display/control/TileGrid.h"

namespace {

using display::DigitalZoom;
using display::TileGrid;

// Which channel each tile shows, and how a first channel is rounded to its page, is checked
// through the control (PlayerControlTest); here: the tiles' places.
TEST(TileGrid, TilesCoverTheScreenWithoutOverlapAndFindTheirChannels)
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
    const TileGrid grid(4, 4);
    EXPECT_EQ(grid.TileOf(6, 16), 2);
    EXPECT_EQ(grid.TileOf(3, 16), -1);
    EXPECT_EQ(grid.TileOf(6, 6), -1);
}

TEST(TileGrid, LargerScreensGiveLargerTiles)
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

TEST(DigitalZoom, KeepsThePointUnderThePointerWithinOneToEightTimes)
{
    struct Step {
        QPointF anchor;
        double factor, wantScale;
        bool anchorHeld; // false where the picture would leave the view's edge
    };
    const Step steps[] = {
        {{0.5, 0.5}, 2.0, 2.0, true},   {{0.1, 0.9}, 2.0, 4.0, true},  {{0.97, 0.03}, 1.5, 6.0, true},
        {{0.3, 0.6}, 4.0, 8.0, true},   {{0.3, 0.6}, 2.0, 8.0, true},  {{0.8, 0.2}, 0.5, 4.0, true},
        {{0.5, 0.5}, 0.01, 1.0, false}, {{0.0, 0.0}, 4.0, 4.0, true},  {{1.0, 1.0}, 0.5, 2.0, false},
    };
    DigitalZoom zoom;
    for (const Step& step : steps) {
        SCOPED_TRACE(&step - steps);
        const QPointF before = zoom.ToPicture(step.anchor);
        zoom.ZoomAbout(step.anchor, step.factor);
        EXPECT_DOUBLE_EQ(zoom.Scale(), step.wantScale);
        const QRectF visible = zoom.Visible();
        EXPECT_NEAR(visible.width(), 1.0 / step.wantScale, 1e-12);
        EXPECT_TRUE(visible.left() >= 0 && visible.top() >= 0 && visible.right() <= 1 + 1e-12 &&
                    visible.bottom() <= 1 + 1e-12);
        const QPointF after = zoom.ToPicture(step.anchor);
        EXPECT_EQ(std::abs(after.x() - before.x()) < 1e-12 && std::abs(after.y() - before.y()) < 1e-12, step.anchorHeld);
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
