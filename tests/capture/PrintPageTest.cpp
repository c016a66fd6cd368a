#include <optional>

#include <gtest/gtest.h>

#include "capture/FakeCaptureControl.h"
#include "capture/RecordingPrinting.h"
#include "display/CVorquil_Ctrl_Player.h"
#include "ui/capture/PrintPage.h"

namespace {

using capture::PageOrientation;

// The lower edge of a bottom-aligned text's rectangle.
int LowerEdge(const QRect& r) { return r.y() + r.height(); }

struct LayoutCase {
    const char* what;
    QSize page;
    PageOrientation orientation;
    int frameWidth;
    int frameHeight;
    int scale;
    QRect picture;
    int timeLowerEdge;
    int noteLowerEdge;
};

class PrintLayout : public testing::TestWithParam<LayoutCase> {};

TEST_P(PrintLayout, ScaleAndPlaces)
{
    const LayoutCase c = GetParam();
    const capture::PrintLayout layout = capture::ComputePrintLayout(c.page, c.orientation, c.frameWidth, c.frameHeight);
    EXPECT_EQ(layout.scale, c.scale) << c.what;
    EXPECT_EQ(layout.picture, c.picture) << c.what;
    EXPECT_EQ(LowerEdge(layout.timeText), c.timeLowerEdge) << c.what;
    EXPECT_EQ(LowerEdge(layout.noteText), c.noteLowerEdge) << c.what;
    EXPECT_EQ(layout.timeText.x(), 0);
    EXPECT_EQ(layout.timeText.width(), c.page.width());
    EXPECT_EQ(layout.noteText.width(), c.page.width());
}

INSTANTIATE_TEST_SUITE_P(
    Pages, PrintLayout,
    testing::Values(
        LayoutCase{"portrait 4800 wide", {4800, 6400}, PageOrientation::Portrait, 704, 576, 6,
                   QRect(288, 0, 4224, 3456), 3256, 3576},
        LayoutCase{"landscape 4800 x 3600", {4800, 3600}, PageOrientation::Landscape, 704, 576, 4,
                   QRect(992, 0, 2816, 2304), 2104, 2424},
        LayoutCase{"odd margin truncates", {4801, 6400}, PageOrientation::Portrait, 704, 576, 6,
                   QRect(288, 0, 4224, 3456), 3256, 3576},
        LayoutCase{"landscape one step stays", {1000, 800}, PageOrientation::Landscape, 704, 576, 1,
                   QRect(148, 0, 704, 576), 376, 696},
        LayoutCase{"frame wider than the page", {600, 800}, PageOrientation::Portrait, 704, 576, 0,
                   QRect(300, 0, 0, 0), -200, 120},
        LayoutCase{"landscape page lower than the frame is wide", {1000, 600}, PageOrientation::Landscape, 704, 576,
                   0, QRect(500, 0, 0, 0), -200, 120},
        LayoutCase{"other orientation", {4800, 6400}, PageOrientation::Other, 704, 576, 0, QRect(2400, 0, 0, 0), -200,
                   120},
        LayoutCase{"frame of width 0", {4800, 6400}, PageOrientation::Portrait, 0, 576, 0, QRect(2400, 0, 0, 0), -200,
                   120}),
    [](const testing::TestParamInfo<LayoutCase>& info) { return "Case" + std::to_string(info.index); });

capture::CapturedFrame Frame(int32_t width, int32_t height, uint32_t top, uint32_t bottom)
{
    testsupport::FakeCaptureControl control;
    control.Deliver(width, height, 32, testsupport::TwoColourFrame(width, height, top, bottom));
    display::CVorquil_Ctrl_Player player(&control);
    return capture::GrabFrame(player).value();
}

TEST(PrintPage, TooWideFramePrintsOnlyTheTexts)
{
    testsupport::PrintedPage record;
    testsupport::RecordingPrintSurface surface({600, 800}, PageOrientation::Portrait, record);

    capture::PrintPage(surface, Frame(704, 576, 0xFF0000, 0x0000FF), std::nullopt, QStringLiteral("note"));

    EXPECT_TRUE(record.images.empty());
    ASSERT_EQ(record.texts.size(), 1u);
    EXPECT_EQ(LowerEdge(record.texts[0].rect), 120);
    EXPECT_TRUE(record.finished);
}

} // namespace
