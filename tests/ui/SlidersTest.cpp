#include "ui/SeekSlider.h"
#include "ui/VolumeSlider.h"

#include "MouseInput.h"

#include <QKeyEvent>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

using ui::SeekSlider;
using ui::VolumeSlider;
using Reports = std::vector<std::pair<int, int>>;

namespace {

// A seek slider whose groove is 200 pixels long from x = 7, inside a parent that receives its reports.
struct SeekSliderTest : ::testing::Test {
    QWidget parent;
    SeekSlider* slider = new SeekSlider(&parent);
    Reports reports;

    SeekSliderTest()
    {
        slider->setGeometry(0, 0, 214, 20);
        QObject::connect(slider, &SeekSlider::Scrolled, [this](int code, int pos) { reports.emplace_back(code, pos); });
    }
    Reports Take()
    {
        test::Settle();
        return std::exchange(reports, {});
    }
};

TEST_F(SeekSliderTest, ClickMovesToThePressedPointAndReportsTrackThenPosition)
{
    const struct { int min, max, start, x, expected; bool reports, beyondEnd = false; } cases[] = {
        {0, 9, 0, 107, 5, true},        // the middle of 0..9 rounds to 5
        {0, 9, 5, 107, 5, false},       // no change, no report
        {0, 9, 5, -300, 0, true, true}, // far left: clamped, and the release point differs once more
        {10, 20, 10, 207, 20, true},    // the groove's right end is the maximum
        {-10, 10, 0, 7, -9, true},      // -9.5 truncates toward zero
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.min << ".." << c.max << " from " << c.start << " at " << c.x);
        slider->setRange(c.min, c.max);
        slider->setValue(c.start);
        Take();
        test::Click(slider, {c.x, 10});
        EXPECT_EQ(slider->value(), c.expected);
        Reports expected;
        if (c.reports)
            expected.emplace_back(SeekSlider::kThumbTrack, c.expected);
        if (c.beyondEnd)
            expected.emplace_back(SeekSlider::kEndTrack, c.expected);
        if (c.reports)
            expected.emplace_back(SeekSlider::kThumbPosition, c.expected);
        EXPECT_EQ(Take(), expected);
        EXPECT_EQ(slider->IsReleased(), 1);
    }
}

TEST_F(SeekSliderTest, DragReportsEachChangeThenTheReleasePointAndEndsWherePressedOrNot)
{
    const struct { QPoint release; Reports reports; } cases[] = {
        {{157, 10}, {{5, 25}, {5, 50}, {8, 74}, {4, 74}}},
        {{107, 10}, {{5, 25}, {5, 50}, {4, 50}}}, // released where the drag ended: only the position
        {{900, 60}, {{5, 25}, {5, 50}, {8, 99}, {4, 99}}}, // outside the slider, still the end
    };
    slider->setRange(0, 99);
    for (const auto& c : cases) {
        slider->setValue(0);
        Take();
        test::Press(slider, {57, 10});
        EXPECT_EQ(slider->IsReleased(), 0);
        test::Drag(slider, {107, 10});
        test::Drag(slider, {107, 10});
        test::Release(slider, c.release);
        EXPECT_EQ(Take(), c.reports) << c.release.x();
        EXPECT_EQ(slider->IsReleased(), 1);
        test::Drag(slider, {7, 10});
        EXPECT_EQ(slider->value(), c.reports.back().second) << "moves after the release no longer drag";
    }
}

TEST_F(SeekSliderTest, KeyboardReportsButNeverClearsTheReleasedFlag)
{
    slider->setRange(0, 9);
    test::Click(slider, {107, 10});
    Take();
    for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QKeyEvent key(type, Qt::Key_Right, Qt::NoModifier);
        QApplication::sendEvent(slider, &key);
    }
    EXPECT_EQ(slider->value(), 6);
    EXPECT_EQ(Take(), (Reports{{SeekSlider::kLineDown, 6}, {SeekSlider::kEndTrack, 6}}));
    EXPECT_EQ(slider->IsReleased(), 1);
}

TEST_F(SeekSliderTest, PaintsThePlayedPartOfTheGrooveAndThePressedThumb)
{
    slider->setRange(0, 9);
    slider->setValue(5);
    const QImage image = test::Snapshot(slider);
    const int middle = slider->ChannelRect().center().y();
    EXPECT_EQ(image.pixel(slider->ThumbRect().center()), SeekSlider::kThumbFill.rgb());
    EXPECT_EQ(image.pixel(slider->ChannelRect().left() + 2, middle), SeekSlider::kChannelPlayed.rgb());
    EXPECT_EQ(image.pixel(slider->ChannelRect().right() - 2, middle), SeekSlider::kChannelFill.rgb());
    test::Press(slider, {107, 10});
    EXPECT_EQ(test::Snapshot(slider).pixel(slider->ThumbRect().center()), SeekSlider::kThumbPressedFill.rgb());
    test::Release(slider, {107, 10});
}

// The player's volume slider: 115 x 14, range 0..15, track from x = 9.
struct VolumeSliderTest : ::testing::Test {
    VolumeSlider slider;
    int ended = 0;
    VolumeSliderTest()
    {
        slider.setGeometry(0, 0, 115, 14);
        slider.SetRange(0, 15);
        slider.SetPos(8);
        QObject::connect(&slider, &VolumeSlider::TrackEnded, [this] { ++ended; });
    }
    // The grip sits in the middle of the thumb, which moves with each paint.
    QRgb Grip()
    {
        const QImage image = test::Snapshot(&slider);
        return image.pixel(slider.ThumbRect().center());
    }
};

TEST(VolumeSliderValues, RangeAndPositionRules)
{
    VolumeSlider slider;
    EXPECT_EQ(slider.GetPos(), 50) << "value 50 of 0..100 after construction";
    EXPECT_TRUE(slider.SetRange(0, 15));
    EXPECT_TRUE(slider.SetPos(8));
    EXPECT_FALSE(slider.SetPos(16));
    EXPECT_EQ(slider.GetPos(), 8) << "a refused value leaves the old one";
    EXPECT_TRUE(slider.SetPos(15));
    EXPECT_TRUE(slider.SetRange(10, 20));
    EXPECT_TRUE(slider.SetPos(3));
    EXPECT_EQ(slider.GetPos(), 13) << "the position is an offset from the minimum";
}

TEST_F(VolumeSliderTest, PressTakesTheValueUnderThePointer)
{
    // (57 - 9) / 96 * 15 = 7.5; the usable length ends at 105.
    const std::pair<int, int> cases[] = {{57, 7}, {9, 0}, {0, 0}, {-40, 0}, {105, 15}, {114, 15}};
    for (auto [x, expected] : cases) {
        ended = 0;
        test::Click(&slider, {x, 7});
        EXPECT_EQ(slider.GetPos(), expected) << x;
        EXPECT_EQ(ended, 1) << x;
    }
}

TEST_F(VolumeSliderTest, DragFollowsThePointerAndEndsTrackingOnRelease)
{
    test::Press(&slider, {20, 7});
    EXPECT_TRUE(slider.IsDragging());
    EXPECT_EQ(ended, 0);
    EXPECT_EQ(Grip(), VolumeSlider::kTrackBlue.rgb()) << "a held grip is blue";
    test::Drag(&slider, {81, 7});
    EXPECT_EQ(slider.GetPos(), 11);
    test::Drag(&slider, {400, 7});
    EXPECT_EQ(slider.GetPos(), 15);
    test::Release(&slider, {-5, 30});
    EXPECT_EQ(slider.GetPos(), 0) << "the release point counts too";
    EXPECT_FALSE(slider.IsDragging());
    EXPECT_EQ(Grip(), VolumeSlider::kDark.rgb());
    EXPECT_EQ(ended, 1);
    test::Hover(&slider, {100, 7});
    EXPECT_EQ(slider.GetPos(), 0) << "moves without the button do not change the value";
}

TEST_F(VolumeSliderTest, PaintsTrackThumbAndGrip)
{
    // Track 9..106, middle row 7; 8 / 16 puts the value's edge at x = 57 and the thumb from
    // x = 49 (border) to x = 63, rows 2 to 11.
    const QImage image = test::Snapshot(&slider);
    const struct { int x, y; QColor colour; } points[] = {
        {30, 7, VolumeSlider::kTrackBlue}, {80, 7, VolumeSlider::kTrackGrey},
        {51, 4, VolumeSlider::kThumbFace}, {56, 7, VolumeSlider::kDark}, // the grip
    };
    for (const auto& p : points)
        EXPECT_EQ(QColor(image.pixel(p.x, p.y)), p.colour) << p.x << "," << p.y;
    EXPECT_EQ(slider.ThumbRect(), QRect(QPoint(49, 2), QPoint(63, 11)));
    slider.SetPos(15);
    test::Snapshot(&slider);
    // 9 + 97 * 15 / 16 = 99.9: the thumb starts at 91, not at the track's end minus its half width.
    EXPECT_EQ(slider.ThumbRect().left(), 91);
}

} // namespace
