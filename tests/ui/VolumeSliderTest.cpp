#include "ui/VolumeSlider.h"

#include "MouseInput.h"

#include <gtest/gtest.h>
#include <ostream>

using ui::VolumeSlider;

namespace {

class CountingVolume : public VolumeSlider {
public:
    int paints = 0;
protected:
    void paintEvent(QPaintEvent* e) override { ++paints; VolumeSlider::paintEvent(e); }
};

// The player's slider: 115 x 14, range 0..15.
struct VolumeFixture : ::testing::Test {
    CountingVolume slider;
    int ended = 0;
    VolumeFixture()
    {
        slider.setGeometry(0, 0, 115, 14);
        slider.SetRange(0, 15);
        slider.SetPos(8);
        QObject::connect(&slider, &VolumeSlider::TrackEnded, [this] { ++ended; });
    }
    void ShowAndSettle()
    {
        slider.show();
        test::Settle();
        slider.paints = 0;
    }
};

TEST(VolumeSliderValues, RangeAndPositionRules)
{
    VolumeSlider slider;
    EXPECT_EQ(slider.GetPos(), 50) << "value 50 of 0..100 after construction";
    EXPECT_TRUE(slider.SetRange(0, 15));
    EXPECT_TRUE(slider.SetPos(8));
    EXPECT_EQ(slider.GetPos(), 8);
    EXPECT_FALSE(slider.SetPos(16));
    EXPECT_EQ(slider.GetPos(), 8) << "a refused value leaves the old one";
    EXPECT_TRUE(slider.SetPos(15));
    EXPECT_TRUE(slider.SetRange(10, 20));
    EXPECT_TRUE(slider.SetPos(3));
    EXPECT_EQ(slider.GetPos(), 13) << "the position is an offset from the minimum";
}

struct PressCase { int x, expected; };
void PrintTo(const PressCase& c, std::ostream* os) { *os << "press at x " << c.x; }
class VolumePress : public VolumeFixture, public ::testing::WithParamInterface<PressCase> {};

TEST_P(VolumePress, TakesTheValueUnderThePointer)
{
    test::Click(&slider, {GetParam().x, 7});
    EXPECT_EQ(slider.GetPos(), GetParam().expected);
    EXPECT_EQ(ended, 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, VolumePress, ::testing::Values(
    PressCase{57, 7},     // (57 - 9) / 96 * 15 = 7.5
    PressCase{9, 0},      // the track's left end
    PressCase{0, 0},      // left of the track
    PressCase{105, 15},   // the usable length ends here
    PressCase{114, 15},   // beyond the right end
    PressCase{-40, 0}));

TEST_F(VolumeFixture, DragFollowsThePointerAndEndsTrackingOnRelease)
{
    test::Press(&slider, {20, 7});
    EXPECT_TRUE(slider.IsDragging());
    EXPECT_EQ(ended, 0);
    test::Drag(&slider, {81, 7});
    EXPECT_EQ(slider.GetPos(), 11);
    test::Drag(&slider, {400, 7});
    EXPECT_EQ(slider.GetPos(), 15);
    test::Release(&slider, {-5, 30});
    EXPECT_EQ(slider.GetPos(), 0) << "the release point counts too";
    EXPECT_FALSE(slider.IsDragging());
    EXPECT_EQ(ended, 1);
    test::Hover(&slider, {100, 7});
    EXPECT_EQ(slider.GetPos(), 0) << "moves without the button do not change the value";
}

TEST_F(VolumeFixture, NoChangeNoRepaint)
{
    slider.SetPos(7);
    ShowAndSettle();
    test::Press(&slider, {57, 7});   // 7 again
    test::Settle();
    EXPECT_EQ(slider.paints, 0);
    test::Drag(&slider, {70, 7});
    test::Settle();
    EXPECT_GT(slider.paints, 0);
    test::Release(&slider, {70, 7});
}

TEST_F(VolumeFixture, PaintsTrackThumbAndGrip)
{
    // Width 115: track 9..106, middle row 7, fraction 8 / 16 puts the value's edge at x = 57 and
    // the thumb from x = 49 (border) to x = 63, rows 2 to 11.
    const QImage image = test::Snapshot(&slider);
    EXPECT_EQ(image.pixel(2, 2), VolumeSlider::kBack.rgb());
    EXPECT_EQ(image.pixel(30, 5), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(30, 7), VolumeSlider::kTrackBlue.rgb());
    EXPECT_EQ(image.pixel(80, 7), VolumeSlider::kTrackGrey.rgb());
    EXPECT_EQ(slider.ThumbRect(), QRect(QPoint(49, 2), QPoint(63, 11)));
    EXPECT_EQ(image.pixel(49, 5), VolumeSlider::kTrackGrey.rgb());
    EXPECT_EQ(image.pixel(51, 4), VolumeSlider::kThumbFace.rgb());
    EXPECT_EQ(image.pixel(56, 7), VolumeSlider::kDark.rgb()) << "grip at rest";
    EXPECT_EQ(image.pixel(53, 7), VolumeSlider::kDark.rgb());
    EXPECT_EQ(image.pixel(60, 7), VolumeSlider::kThumbFace.rgb()) << "the grip is 7 pixels wide";
}

TEST_F(VolumeFixture, GripTurnsBlueWhileDragging)
{
    // A press that lands on the current value does not repaint; the next paint shows the blue grip.
    test::Press(&slider, {61, 7});
    EXPECT_EQ(slider.GetPos(), 8);
    EXPECT_EQ(test::Snapshot(&slider).pixel(56, 7), VolumeSlider::kTrackBlue.rgb());
    test::Release(&slider, {61, 7});
    EXPECT_EQ(test::Snapshot(&slider).pixel(56, 7), VolumeSlider::kDark.rgb());
}

TEST_F(VolumeFixture, TheMaximumNeverReachesTheTrackEnd)
{
    slider.SetPos(15);
    test::Snapshot(&slider);
    // 9 + 97 * 15 / 16 = 99.9: the thumb starts at 91, not at the track's end minus its half width.
    EXPECT_EQ(slider.ThumbRect().left(), 91);
}

} // namespace
