#include "ui/SkinButton.h"

#include "MouseInput.h"
#include "res/Resources.h"
#include "res/StringTable.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

using ui::SkinButton;

namespace {

// Every look a skin button can show differs from the others it switches between; the sizes of
// the resting looks are checked where the window places its buttons.
TEST(Resources, LooksOfOneButtonDifferAndUnknownIdsLoadNothing)
{
    // normal / pressed / hover of Play, play against pause, sound on against muted
    const std::pair<int, int> pairs[] = {{153, 154}, {153, 189}, {154, 189}, {153, 185}, {166, 168},
                                         {167, 165}, {205, 207}, {207, 209}, {209, 211}, {205, 206}};
    for (auto [a, b] : pairs)
        EXPECT_NE(res::LoadBitmap(a).toImage(), res::LoadBitmap(b).toImage()) << a << " " << b;
    EXPECT_TRUE(res::LoadBitmap(0).isNull());
    EXPECT_TRUE(res::LoadBitmap(999).isNull());
    EXPECT_TRUE(res::LoadString(999).isEmpty());
    EXPECT_FALSE(res::LoadAppIcon().pixmap(32, 32).isNull());
}

// Play's looks: normal 153, down 154, over 189; the pause look 185 stands in as the checked one.
constexpr int kNormal = 153, kDown = 154, kOver = 189, kChecked = 185, kFace = -1;

struct SkinButtonTest : ::testing::Test {
    QWidget parent;
    SkinButton* button;
    explicit SkinButtonTest(SkinButton::Type type = SkinButton::Type::Push) : button(new SkinButton(&parent, type))
    {
        parent.resize(200, 200);
        button->setGeometry(10, 10, 43, 48);
        button->SetBitmaps(kNormal, kDown, kOver, kChecked);
    }
    bool Shows(int id)
    {
        QImage look(button->size(), QImage::Format_RGB32);
        look.fill(button->palette().color(QPalette::Button));
        if (id != kFace)
            look = res::LoadBitmap(id).toImage().convertToFormat(QImage::Format_RGB32);
        return test::Snapshot(button) == look;
    }
};

TEST_F(SkinButtonTest, RestingHoverAndPressedLooks)
{
    EXPECT_TRUE(Shows(kNormal));
    test::Hover(button, {5, 5});
    EXPECT_TRUE(button->IsHover());
    EXPECT_TRUE(Shows(kOver));
    test::Press(button, {5, 5});
    EXPECT_FALSE(button->IsHover()) << "a press ends the hover";
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

struct CheckBoxTest : SkinButtonTest {
    CheckBoxTest() : SkinButtonTest(SkinButton::Type::CheckBox) {}
};

TEST_F(CheckBoxTest, CheckedLookWinsOverHoverAndFallsBackToDown)
{
    button->SetCheck(true);
    EXPECT_TRUE(button->GetCheck());
    test::Hover(button, {5, 5});
    EXPECT_TRUE(Shows(kChecked));
    button->SetBitmaps(kNormal, kDown, kOver, 0);
    EXPECT_TRUE(Shows(kDown));
    button->SetBitmaps(kNormal, 0, kOver, 0);
    EXPECT_TRUE(Shows(kFace));
}

TEST_F(SkinButtonTest, EmptyLooksFallBackToTheButtonFace)
{
    const struct { int normal, down, over; bool hover, press; int shown; } cases[] = {
        {0, 0, 0, false, false, kFace},
        {0, kDown, kOver, true, false, kFace},     // no normal look: hover shows the face too
        {kNormal, 0, kOver, false, true, kFace},   // pressed without a down look
        {kNormal, kDown, 0, true, false, kNormal}, // hover without an over look
    };
    for (const auto& c : cases) {
        button->SetBitmaps(c.normal, c.down, c.over, 0);
        if (c.hover)
            test::Hover(button, {5, 5});
        if (c.press)
            test::Press(button, {5, 5});
        EXPECT_TRUE(Shows(c.shown)) << c.normal << "/" << c.down << "/" << c.over << " " << c.hover << c.press;
        if (c.press)
            test::Release(button, {5, 5});
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(button, &leave);
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

TEST_F(SkinButtonTest, DoubleClickCountsAsTwoClicks)
{
    QSignalSpy clicks(button, &SkinButton::clicked);
    test::Click(button, {5, 5});
    test::Send(button, QEvent::MouseButtonDblClick, {5, 5}, Qt::LeftButton, Qt::LeftButton);
    test::Release(button, {5, 5});
    EXPECT_EQ(clicks.count(), 2);
}

} // namespace
