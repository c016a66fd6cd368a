#include "ui/SkinButton.h"

#include "MouseInput.h"
#include "res/Resources.h"

#include <QSignalSpy>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>

using ui::SkinButton;

namespace {

// Play's looks: normal 153, down 154, over 189; the pause look 185 stands in as the checked one.
constexpr int kNormal = 153, kDown = 154, kOver = 189, kChecked = 185;
constexpr int kFace = -1;

QImage Look(int id, const QWidget& w)
{
    if (id == kFace) {
        QImage face(w.size(), QImage::Format_RGB32);
        face.fill(w.palette().color(QPalette::Button));
        return face;
    }
    return res::LoadBitmap(id).toImage().convertToFormat(QImage::Format_RGB32);
}

struct ButtonFixture : ::testing::Test {
    std::unique_ptr<QWidget> parent = std::make_unique<QWidget>();
    SkinButton* button;
    explicit ButtonFixture(SkinButton::Type type = SkinButton::Type::Push)
        : button(new SkinButton(parent.get(), type))
    {
        parent->resize(200, 200);
        button->setGeometry(10, 10, 43, 48);
        button->SetBitmaps(kNormal, kDown, kOver, kChecked);
    }
    bool Shows(int id) { return test::Snapshot(button) == Look(id, *button); }
};

TEST_F(ButtonFixture, RestingHoverAndPressedLooks)
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
}

TEST_F(ButtonFixture, DisabledShowsTheNormalLookEvenUnderThePointer)
{
    test::Hover(button, {5, 5});
    button->setEnabled(false);
    EXPECT_TRUE(Shows(kNormal));
}

TEST_F(ButtonFixture, PushButtonNeverBecomesChecked)
{
    button->SetCheck(true);
    EXPECT_FALSE(button->GetCheck());
    EXPECT_TRUE(Shows(kNormal));
}

struct CheckBoxFixture : ButtonFixture {
    CheckBoxFixture() : ButtonFixture(SkinButton::Type::CheckBox) {}
};

TEST_F(CheckBoxFixture, CheckedLookWinsOverHoverAndFallsBackToDown)
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

struct EmptyCase { int normal, down, over; bool hover, press; int shown; };
void PrintTo(const EmptyCase& c, std::ostream* os)
{
    *os << "looks " << c.normal << "/" << c.down << "/" << c.over << (c.hover ? " hovered" : "") << (c.press ? " pressed" : "");
}
class LookPriority : public ButtonFixture, public ::testing::WithParamInterface<EmptyCase> {};

TEST_P(LookPriority, EmptyLooksFallBackToTheButtonFace)
{
    const EmptyCase c = GetParam();
    button->SetBitmaps(c.normal, c.down, c.over, 0);
    if (c.hover)
        test::Hover(button, {5, 5});
    if (c.press)
        test::Press(button, {5, 5});
    EXPECT_TRUE(Shows(c.shown));
    if (c.press)
        test::Release(button, {5, 5});
}

INSTANTIATE_TEST_SUITE_P(Cases, LookPriority, ::testing::Values(
    EmptyCase{0, 0, 0, false, false, kFace},
    EmptyCase{0, 0, 0, true, false, kFace},
    EmptyCase{0, 0, 0, false, true, kFace},
    EmptyCase{0, kDown, kOver, true, false, kFace},       // no normal look: hover shows the face too
    EmptyCase{kNormal, 0, kOver, false, true, kFace},     // pressed without a down look
    EmptyCase{kNormal, kDown, 0, true, false, kNormal},   // hover without an over look
    EmptyCase{kNormal, kDown, kNormal, true, false, kNormal}));

TEST_F(ButtonFixture, PressedLookFollowsThePointerOutAndBackIn)
{
    QSignalSpy clicks(button, &SkinButton::clicked);
    test::Press(button, {5, 5});
    EXPECT_TRUE(Shows(kDown));
    test::Drag(button, {80, 5});
    EXPECT_TRUE(Shows(kNormal)) << "outside the button the resting look shows";
    test::Drag(button, {20, 20});
    EXPECT_TRUE(Shows(kDown));
    test::Release(button, {20, 20});
    EXPECT_EQ(clicks.count(), 1);
}

TEST_F(ButtonFixture, ReleaseOutsideSendsNoClick)
{
    QSignalSpy clicks(button, &SkinButton::clicked);
    test::Press(button, {5, 5});
    test::Drag(button, {80, 5});
    test::Release(button, {80, 5});
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_TRUE(Shows(kNormal));
}

TEST_F(ButtonFixture, DoubleClickCountsAsTwoClicks)
{
    QSignalSpy clicks(button, &SkinButton::clicked);
    test::Click(button, {5, 5});
    test::Send(button, QEvent::MouseButtonDblClick, {5, 5}, Qt::LeftButton, Qt::LeftButton);
    test::Release(button, {5, 5});
    EXPECT_EQ(clicks.count(), 2);
}

} // namespace
