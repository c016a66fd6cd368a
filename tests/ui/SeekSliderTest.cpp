#include "ui/SeekSlider.h"

#include "MouseInput.h"

#include <QKeyEvent>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <utility>
#include <vector>

using ui::SeekSlider;
using Reports = std::vector<std::pair<int, int>>;

namespace {

// A slider whose groove is 200 pixels long from x = 7, inside a parent that receives its reports.
struct SliderFixture : ::testing::Test {
    std::unique_ptr<QWidget> parent = std::make_unique<QWidget>();
    SeekSlider* slider = new SeekSlider(parent.get());
    Reports reports;

    SliderFixture()
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

TEST_F(SliderFixture, GrooveSpansTheWidthLessTheThumbMargins)
{
    EXPECT_EQ(slider->ChannelRect().left(), 7);
    EXPECT_EQ(slider->ChannelRect().right() + 1 - slider->ChannelRect().left(), 200);
}

struct ClickCase {
    int min, max, start, x, expected;
    bool reports;
    bool beyondEnd = false;   // the release point is past an end: it differs from the clamped value once more
};
void PrintTo(const ClickCase& c, std::ostream* os)
{
    *os << "range " << c.min << ".." << c.max << " from " << c.start << " click at " << c.x;
}

class SeekSliderClick : public SliderFixture, public ::testing::WithParamInterface<ClickCase> {};

TEST_P(SeekSliderClick, MovesToThePressedPointAndReportsTrackThenPosition)
{
    const ClickCase c = GetParam();
    slider->setRange(c.min, c.max);
    slider->setValue(c.start);
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

INSTANTIATE_TEST_SUITE_P(Cases, SeekSliderClick, ::testing::Values(
    ClickCase{0, 9, 0, 107, 5, true},      // the middle of 0..9 rounds to 5
    ClickCase{0, 9, 5, 107, 5, false},     // no change, no report
    ClickCase{0, 9, 0, 7, 0, false},       // the groove's left end is the minimum
    ClickCase{0, 9, 5, -300, 0, true, true},   // far left: clamped to the minimum
    ClickCase{0, 9, 0, 500, 9, true, true},    // far right: clamped to the maximum
    ClickCase{10, 20, 10, 207, 20, true},  // the groove's right end is the maximum
    ClickCase{0, 99, 0, 57, 25, true},
    ClickCase{-10, 10, 0, 7, -9, true}));  // -9.5 truncates toward zero

TEST_F(SliderFixture, DragReportsEachChangeThenEndAndFinalPosition)
{
    slider->setRange(0, 99);
    test::Press(slider, {57, 10});
    EXPECT_EQ(slider->IsReleased(), 0);
    test::Drag(slider, {107, 10});
    test::Drag(slider, {107, 10});
    test::Release(slider, {157, 10});
    EXPECT_EQ(Take(), (Reports{{5, 25}, {5, 50}, {8, 74}, {4, 74}}));
    EXPECT_EQ(slider->IsReleased(), 1);
}

TEST_F(SliderFixture, ReleaseWhereTheDragEndedReportsOnlyThePosition)
{
    slider->setRange(0, 99);
    test::Press(slider, {57, 10});
    test::Drag(slider, {107, 10});
    test::Release(slider, {107, 10});
    EXPECT_EQ(Take(), (Reports{{5, 25}, {5, 50}, {4, 50}}));
}

TEST_F(SliderFixture, ReleaseOutsideTheSliderStillEndsTheDrag)
{
    slider->setRange(0, 99);
    test::Press(slider, {57, 10});
    test::Drag(slider, {107, 10});
    test::Release(slider, {900, 60});
    EXPECT_EQ(Take(), (Reports{{5, 25}, {5, 50}, {8, 99}, {4, 99}}));
    EXPECT_EQ(slider->IsReleased(), 1);
    test::Drag(slider, {7, 10});
    EXPECT_EQ(slider->value(), 99) << "moves after the release no longer drag";
}

TEST_F(SliderFixture, KeyboardReportsButNeverClearsTheReleasedFlag)
{
    slider->setRange(0, 9);
    test::Click(slider, {107, 10});
    Take();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    QApplication::sendEvent(slider, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Right, Qt::NoModifier);
    QApplication::sendEvent(slider, &release);
    EXPECT_EQ(slider->value(), 6);
    EXPECT_EQ(Take(), (Reports{{SeekSlider::kLineDown, 6}, {SeekSlider::kEndTrack, 6}}));
    EXPECT_EQ(slider->IsReleased(), 1);
}

TEST(SeekSliderAlone, ReportsNothingWithoutAParent)
{
    SeekSlider slider;
    slider.setGeometry(0, 0, 214, 20);
    slider.setRange(0, 9);
    int reports = 0;
    QObject::connect(&slider, &SeekSlider::Scrolled, [&] { ++reports; });
    test::Click(&slider, {107, 10});
    test::Settle();
    EXPECT_EQ(slider.value(), 5);
    EXPECT_EQ(reports, 0);
    EXPECT_EQ(slider.IsReleased(), 1);
}

class CountingSlider : public SeekSlider {
public:
    int paints = 0;
protected:
    void paintEvent(QPaintEvent* e) override { ++paints; SeekSlider::paintEvent(e); }
};

TEST(SeekSliderPaint, SettingTheSameValueDoesNotRepaint)
{
    CountingSlider slider;
    slider.setGeometry(0, 0, 214, 20);
    slider.setRange(0, 9);
    slider.setValue(3);
    slider.show();
    test::Settle();
    slider.paints = 0;
    slider.setValue(3);
    test::Settle();
    EXPECT_EQ(slider.paints, 0);
    slider.setValue(4);
    test::Settle();
    EXPECT_GT(slider.paints, 0);
}

TEST_F(SliderFixture, ThumbIsFilledGreyAndLightWhilePressed)
{
    slider->setRange(0, 9);
    slider->setValue(5);
    const QPoint centre = slider->ThumbRect().center();
    QImage image = test::Snapshot(slider);
    EXPECT_EQ(image.pixel(centre), SeekSlider::kThumbFill.rgb());
    EXPECT_EQ(image.pixel(slider->ThumbRect().topLeft()), SeekSlider::kThumbOutline.rgb());
    const int middle = slider->ChannelRect().center().y();
    EXPECT_EQ(image.pixel(slider->ChannelRect().left() + 2, middle), SeekSlider::kChannelPlayed.rgb());
    EXPECT_EQ(image.pixel(slider->ChannelRect().right() - 2, middle), SeekSlider::kChannelFill.rgb());
    EXPECT_EQ(image.pixel(slider->ChannelRect().left(), middle), SeekSlider::kChannelOutline.rgb());
    test::Press(slider, {107, 10});
    image = test::Snapshot(slider);
    EXPECT_EQ(image.pixel(slider->ThumbRect().center()), SeekSlider::kThumbPressedFill.rgb());
    test::Release(slider, {107, 10});
}

} // namespace
