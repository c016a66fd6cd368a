#include <gtest/gtest.h>

#include "display/control/DigitalZoom.h"

namespace {

// The wheel zooming about the pointer is checked through the control (PlayerControlTest);
// here: the limits no sample picture reaches.
TEST(DigitalZoom, StaysWithinOneToEightTimesAndKeepsThePictureFillingTheView)
{
    display::DigitalZoom zoom;
    zoom.Pan({-0.3, -0.3});
    EXPECT_EQ(zoom.Visible(), QRectF(0, 0, 1, 1));
    const QPointF held = zoom.ToPicture({0.3, 0.6});
    zoom.ZoomAbout({0.3, 0.6}, 100);
    EXPECT_EQ(zoom.Scale(), display::DigitalZoom::kMaxScale);
    EXPECT_EQ(zoom.ToPicture({0.3, 0.6}), held);
    // Zoomed out from the bottom right corner: pinned to the top left instead of leaving the view.
    zoom.Reset();
    zoom.ZoomAbout({0.0, 0.0}, 4);
    zoom.ZoomAbout({1.0, 1.0}, 0.5);
    EXPECT_EQ(zoom.Visible(), QRectF(0, 0, 0.5, 0.5));
    zoom.Pan({-5, -5});
    EXPECT_EQ(zoom.Visible(), QRectF(0.5, 0.5, 0.5, 0.5));
    zoom.ZoomAbout({0.5, 0.5}, 0.01);
    EXPECT_EQ(zoom.Visible(), QRectF(0, 0, 1, 1));
}

} // namespace
