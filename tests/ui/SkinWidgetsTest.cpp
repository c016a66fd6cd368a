#include "MouseInput.h"
#include "res/Resources.h"
#include "res/StringTable.h"
#include "ui/SeekSlider.h"
#include "ui/SkinButton.h"
#include "ui/VolumeSlider.h"

#include <QKeyEvent>
#include <QSignalSpy>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

using ui::SeekSlider;
using ui::SkinButton;
using ui::VolumeSlider;
using Reports = std::vector<std::pair<int, int>>;

namespace {

// Every look a skin button can show differs from the others it switches between.
TEST(Resources, LooksOfOneButtonDifferAndUnknownIdsLoadNothing)
{
    // normal / pressed / hover of Play, play against pause, sound on against muted
    const std::pair<int, int> looks[] = {{153, 154}, {153, 189}, {153, 185}, {166, 168}};
    for (auto [a, b] : looks)
        EXPECT_NE(res::LoadBitmap(a).toImage(), res::LoadBitmap(b).toImage()) << a << " " << b;
    EXPECT_TRUE(res::LoadBitmap(0).isNull());
    EXPECT_TRUE(res::LoadString(999).isEmpty());
    EXPECT_FALSE(res::LoadAppIcon().pixmap(32, 32).isNull());
}

// Play's looks: normal 153, down 154, over 189; the pause look 185 stands in as the checked one.
constexpr int kNormal = 153, kDown = 154, kOver = 189, kChecked = 185, kFace = -1;

struct SkinButtonTest : ::testing::Test {
    QWidget parent;
    SkinButton* button = new SkinButton(&parent);
    SkinButton* checkBox = new SkinButton(&parent, SkinButton::Type::CheckBox);
    SkinButtonTest()
    {
        for (SkinButton* b : {button, checkBox}) {
            b->resize(43, 48);
            b->SetBitmaps(kNormal, kDown, kOver, kChecked);
        }
    }
    bool Shows(int id, SkinButton* b = nullptr)
    {
        b = b ? b : button;
        QImage look(b->size(), QImage::Format_RGB32);
        look.fill(b->palette().color(QPalette::Button));
        if (id != kFace)
            look = res::LoadBitmap(id).toImage().convertToFormat(QImage::Format_RGB32);
        return test::Snapshot(b) == look;
    }
};

TEST_F(SkinButtonTest, RestingHoverAndPressedLooks)
{
    EXPECT_TRUE(Shows(kNormal));
    test::Hover(button, {5, 5});
    EXPECT_TRUE(Shows(kOver));
    test::Press(button, {5, 5});
    EXPECT_TRUE(Shows(kDown));
    test::Release(button, {5, 5});
    EXPECT_TRUE(Shows(kNormal)) << "hover returns only with the next move";
    test::Hover(button, {6, 6});
    EXPECT_TRUE(Shows(kOver));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(button, &leave);
    EXPECT_TRUE(Shows(kNormal));
    test::Hover(button, {5, 5});
    button->setEnabled(false);
    EXPECT_TRUE(Shows(kNormal)) << "disabled, even under the pointer";
    button->SetCheck(true);
    EXPECT_FALSE(button->GetCheck()) << "a push button never becomes checked";
}

TEST_F(SkinButtonTest, MissingLooksFallBackAndTheCheckedLookWinsOverHover)
{
    // check, hover and press: what the user did before looking.
    const struct { int normal, down, over, ticked; bool check, hover, press; int shown; } rows[] = {
        {0, 0, 0, 0, 0, 0, 0, kFace},
        {0, kDown, kOver, 0, 0, 1, 0, kFace},         // no normal look: hover shows the face too
        {kNormal, 0, kOver, 0, 0, 0, 1, kFace},       // pressed without a down look
        {kNormal, kDown, 0, 0, 0, 1, 0, kNormal},     // hover without an over look
        {kNormal, kDown, kOver, kChecked, 1, 1, 0, kChecked},
        {kNormal, kDown, kOver, 0, 1, 0, 0, kDown},   // checked without a checked look
    };
    for (const auto& c : rows) {
        SkinButton* b = c.check ? checkBox : button;
        b->SetBitmaps(c.normal, c.down, c.over, c.ticked);
        b->SetCheck(c.check);
        if (c.hover)
            test::Hover(b, {5, 5});
        if (c.press)
            test::Press(b, {5, 5});
        EXPECT_TRUE(Shows(c.shown, b)) << "row " << &c - rows;
        if (c.press)
            test::Release(b, {5, 5});
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(b, &leave);
    }
}

TEST_F(SkinButtonTest, PressedLookFollowsThePointerAndOnlyAReleaseInsideClicks)
{
    for (QPoint release : {QPoint(20, 20), QPoint(80, 5)}) {
        QSignalSpy clicks(button, &SkinButton::clicked);
        test::Press(button, {5, 5});
        EXPECT_TRUE(Shows(kDown));
        test::Drag(button, {80, 5});
        EXPECT_TRUE(Shows(kNormal)) << "outside the button the resting look shows";
        test::Drag(button, release);
        EXPECT_TRUE(Shows(release.x() < 43 ? kDown : kNormal));
        test::Release(button, release);
        EXPECT_EQ(clicks.count(), release.x() < 43 ? 1 : 0);
        EXPECT_TRUE(Shows(kNormal));
    }
}

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

// Reports as (code, position): 5 thumb track, 8 end track, 4 thumb position.
TEST_F(SeekSliderTest, ClickMovesToThePressedPointAndReportsTrackThenPosition)
{
    const struct { int min, max, start, x; Reports reports; } cases[] = {
        {0, 9, 0, 107, {{5, 5}, {4, 5}}},          // the middle of 0..9 rounds to 5
        {0, 9, 5, 107, {}},                        // no change, no report
        {0, 9, 5, -300, {{5, 0}, {8, 0}, {4, 0}}}, // clamped; the release point differs once more
        {10, 20, 10, 207, {{5, 20}, {4, 20}}},     // the groove's right end is the maximum
        {-10, 10, 0, 7, {{5, -9}, {4, -9}}},       // -9.5 truncates toward zero
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.min << ".." << c.max << " from " << c.start << " at " << c.x);
        slider->setRange(c.min, c.max);
        slider->setValue(c.start);
        Take();
        test::Click(slider, {c.x, 10});
        EXPECT_EQ(slider->value(), c.reports.empty() ? c.start : c.reports.back().second);
        EXPECT_EQ(Take(), c.reports);
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
        const QImage pressed = test::Snapshot(slider);
        EXPECT_EQ(pressed.pixel(slider->ThumbRect().center()), SeekSlider::kThumbPressedFill.rgb());
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

TEST_F(VolumeSliderTest, RefusesAPositionOutsideItsRangeWhichStartsAtItsMinimum)
{
    EXPECT_FALSE(slider.SetPos(16));
    EXPECT_EQ(slider.GetPos(), 8) << "a refused value leaves the old one";
    EXPECT_TRUE(slider.SetRange(10, 20));
    EXPECT_TRUE(slider.SetPos(3));
    EXPECT_EQ(slider.GetPos(), 13) << "the position is an offset from the minimum";
}

TEST_F(VolumeSliderTest, DragFollowsThePointerAndEndsTrackingOnRelease)
{
    test::Press(&slider, {57, 7}); // (57 - 9) / 96 * 15 = 7.5
    EXPECT_EQ(slider.GetPos(), 7);
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

TEST_F(VolumeSliderTest, PaintsTheTrackBlueUpToTheValueWithTheThumbOnIt)
{
    // Track 9..106, middle row 7: 8 / 16 puts the value's edge at x = 57.
    const QImage image = test::Snapshot(&slider);
    EXPECT_EQ(QColor(image.pixel(30, 7)), VolumeSlider::kTrackBlue);
    EXPECT_EQ(QColor(image.pixel(80, 7)), VolumeSlider::kTrackGrey);
    slider.SetPos(15);
    test::Snapshot(&slider);
    // 9 + 97 * 15 / 16 = 99.9: the thumb starts at 91, not at the track's end minus its half width.
    EXPECT_EQ(slider.ThumbRect().left(), 91);
}

} // namespace
