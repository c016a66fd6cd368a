#include <gtest/gtest.h>

#include "ui/capture/PrintPage.h"

namespace {

using capture::PageOrientation;

// The lower edge of a bottom-aligned text's rectangle.
int LowerEdge(const QRect& r) { return r.y() + r.height(); }

// The picture at the top, centred, as many whole times the frame as the page allows; the stamp
// ends 200 above its lower edge, the note 120 below it, both across the page.
TEST(PrintLayout, ScalesAndPlacesThePictureAndTexts)
{
    const struct {
        const char* what;
        QSize page;
        PageOrientation orientation;
        int frameWidth;
        int scale;
        QRect picture;
    } cases[] = {
        {"portrait, odd margin truncated", {4801, 6400}, PageOrientation::Portrait, 704, 6, {288, 0, 4224, 3456}},
        {"landscape, one step smaller", {4800, 3600}, PageOrientation::Landscape, 704, 4, {992, 0, 2816, 2304}},
        {"landscape, one step stays", {1000, 800}, PageOrientation::Landscape, 704, 1, {148, 0, 704, 576}},
        {"frame wider than the page", {600, 800}, PageOrientation::Portrait, 704, 0, {300, 0, 0, 0}},
        {"other orientation", {4800, 6400}, PageOrientation::Other, 704, 0, {2400, 0, 0, 0}},
        {"frame of width 0", {4800, 6400}, PageOrientation::Portrait, 0, 0, {2400, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const capture::PrintLayout layout = capture::ComputePrintLayout(c.page, c.orientation, c.frameWidth, 576);
        EXPECT_EQ(layout.scale, c.scale);
        EXPECT_EQ(layout.picture, c.picture);
        EXPECT_EQ(LowerEdge(layout.timeText), c.picture.height() - 200);
        EXPECT_EQ(LowerEdge(layout.noteText), c.picture.height() + 120);
        EXPECT_EQ(layout.timeText.x(), 0);
        EXPECT_EQ(layout.timeText.width(), c.page.width());
        EXPECT_EQ(layout.noteText.width(), c.page.width());
    }
}

} // namespace
