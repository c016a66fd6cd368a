#include "res/Resources.h"
#include "res/StringTable.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

TEST(Resources, EveryBitmapOfTheSkinAtItsSize)
{
    const struct { QSize size; std::initializer_list<int> ids; } groups[] = {
        {{43, 48}, {153, 154, 189, 185}},
        {{36, 48}, {160, 161, 193, 162, 155, 194, 156, 157, 190, 158, 159, 191}},
        {{14, 15}, {165, 166, 167, 168}},
        {{19, 19}, {178, 179, 180, 181, 182, 183, 204, 205, 206, 207, 208, 209, 210, 211}},
        {{53, 22}, {163, 164}},
        {{22, 21}, {215, 216}},
        {{70, 23}, {197, 198}},
        {{2, 48}, {175}},
        {{16, 16}, {202}},
        {{27, 32}, {203}},
    };
    for (const auto& g : groups)
        for (int id : g.ids)
            EXPECT_EQ(res::LoadBitmap(id).size(), g.size) << id;
}

TEST(Resources, LooksOfOneButtonDiffer)
{
    // normal / pressed / hover of Play, play against pause, sound on against muted
    const std::pair<int, int> pairs[] = {{153, 154}, {153, 189}, {154, 189}, {153, 185}, {166, 168}, {167, 165},
                                         {205, 207}, {207, 209}, {209, 211}, {205, 206}};
    for (auto [a, b] : pairs)
        EXPECT_NE(res::LoadBitmap(a).toImage(), res::LoadBitmap(b).toImage()) << a << " " << b;
}

TEST(Resources, PressedPlaySinksOnlyItsRoundFace)
{
    // Outside the round face the pressed look keeps the bar behind it, as the resting look does.
    const QImage normal = res::LoadBitmap(153).toImage();
    const QImage pressed = res::LoadBitmap(154).toImage();
    for (QPoint corner : {QPoint(0, 0), QPoint(42, 0), QPoint(2, 3), QPoint(40, 3), QPoint(0, 47), QPoint(42, 47)})
        EXPECT_EQ(pressed.pixel(corner), normal.pixel(corner)) << corner.x() << "," << corner.y();
}

TEST(Resources, UnknownIdsGiveNothing)
{
    EXPECT_TRUE(res::LoadBitmap(0).isNull());
    EXPECT_TRUE(res::LoadBitmap(999).isNull());
    EXPECT_TRUE(res::LoadString(999).isEmpty());
}

TEST(Resources, IconAndStrings)
{
    EXPECT_FALSE(res::LoadAppIcon().pixmap(32, 32).isNull());
    EXPECT_EQ(res::LoadString(110), "Kelvora Player");
    EXPECT_EQ(res::LoadString(111), "About");
    EXPECT_EQ(res::LoadString(103), "PLAY");
    EXPECT_EQ(res::LoadString(107), "OleInitialize failed.");
    EXPECT_EQ(res::LoadString(109), "Kelvora Player Version 1.3.0.0 (Build 100226)");
    EXPECT_EQ(res::LoadString(101), QString::fromUtf8("VorqPlayer 정보(&A)..."));
}

} // namespace
