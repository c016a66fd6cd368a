#include <gtest/gtest.h>

#include "display/control/DigitalZoom.h"
#include "display/control/TileGrid.h"

namespace {

using display::DigitalZoom;
using display::TileGrid;

// Which channel each tile shows, and how a first channel is rounded to its page, is checked
// through the control (PlayerControlTest); here: the tiles' places, on the control's own size
// and full screen on 1920x1080, where the 704x576 shape is kept at 1320x1080.
TEST(TileGrid, TilesCoverTheScreenWithoutOverlapAtEitherSize)
{
    for (const QSize screen : {QSize(704, 576), QSize(1320, 1080)}) {
        for (int tiles : {1, 4, 9, 16}) {
            SCOPED_TRACE(testing::Message() << screen.width() << " " << tiles);
            const TileGrid grid = TileGrid(0, tiles).Over(screen);
            int area = 0;
            for (int tile = 0; tile < tiles; ++tile) {
                const QRect rect = grid.TileRect(tile);
                area += rect.width() * rect.height();
                EXPECT_EQ(grid.TileAt(rect.topLeft()), tile);
                EXPECT_EQ(grid.TileAt(rect.bottomRight()), tile);
            }
            EXPECT_EQ(area, screen.width() * screen.height());
            EXPECT_EQ(grid.TileAt({screen.width(), 10}), -1);
            EXPECT_EQ(grid.TileAt({-1, 10}), -1);
        }
    }
    EXPECT_EQ(TileGrid(0, 16, {1320, 1080}).TileRect(15), QRect(990, 810, 330, 270));
    EXPECT_EQ(TileGrid(3, 1, {1320, 1080}), TileGrid(3, 1).Over({1320, 1080}));
    const TileGrid grid(4, 4);
    EXPECT_EQ(grid.TileOf(6, 16), 2);
    EXPECT_EQ(grid.TileOf(3, 16), -1);
    EXPECT_EQ(grid.TileOf(6, 6), -1);
}

// Each step zooms about a point; a drag pans only as far as the picture fills the view.
TEST(DigitalZoom, KeepsThePointUnderThePointerWithinOneToEightTimesAndPansWithinThePicture)
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
    zoom.Pan({-0.3, -0.3});
    EXPECT_EQ(zoom.Visible(), QRectF(0, 0, 1, 1));
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
    // Dragging left and down shows more of the right, and nothing above the top.
    zoom.Pan({-0.2, 0.1});
    EXPECT_EQ(zoom.Visible(), QRectF(0.1, 0, 0.5, 0.5));
    zoom.Pan({-5, -5});
    EXPECT_EQ(zoom.Visible(), QRectF(0.5, 0.5, 0.5, 0.5));
    zoom.Reset();
    EXPECT_EQ(zoom.Visible(), QRectF(0, 0, 1, 1));
}

} // namespace
