#include "ui/AboutDialog.h"

#include "MouseInput.h"
#include "ui/SkinButton.h"
#include "ui/StaticText.h"
#include "ui/SystemAboutDialog.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <functional>
#include <gtest/gtest.h>

namespace {

struct AboutDialogTest : ::testing::Test {
    ui::AboutDialog box;
};

TEST_F(AboutDialogTest, LaysOutAndPaintsTheSkinnedBox)
{
    EXPECT_EQ(box.size(), QSize(326, 343));
    EXPECT_TRUE(box.windowFlags() & Qt::FramelessWindowHint);
    // Both lines whole: the version on one line, neither cut at the bottom.
    for (const ui::StaticText* line : {box.VersionLine(), box.SecondLine()}) {
        const QFontMetrics metrics(line->font());
        EXPECT_LE(metrics.horizontalAdvance(line->Text()), line->width()) << line->Text().toStdString();
        EXPECT_LE(metrics.height(), line->height()) << line->Text().toStdString();
    }
    const QImage image = test::Snapshot(&box);
    EXPECT_EQ(QColor(image.pixel(200, 10)), QColor(57, 57, 57)) << "title band";
    EXPECT_EQ(QColor(image.pixel(314, 50)), QColor(Qt::white)) << "the version line sits on white";
}

TEST_F(AboutDialogTest, OkAndEnterAcceptAndTheCloseButtonRejects)
{
    const auto press = [&](Qt::Key k) {
        QKeyEvent key(QEvent::KeyPress, k, {});
        QApplication::sendEvent(&box, &key);
    };
    const struct { std::function<void()> act; QDialog::DialogCode result; } ways[] = {
        {[&] { test::Click(box.OkButton(), {5, 5}); }, QDialog::Accepted},
        {[&] { test::Click(box.CancelButton(), {5, 5}); }, QDialog::Rejected},
        {[&] { press(Qt::Key_Return); }, QDialog::Accepted},
    };
    for (const auto& way : ways) {
        box.show();
        box.setResult(way.result == QDialog::Accepted ? QDialog::Rejected : QDialog::Accepted);
        way.act();
        EXPECT_EQ(box.result(), way.result);
        EXPECT_FALSE(box.isVisible());
    }
}

TEST_F(AboutDialogTest, DraggingAnywhereMovesTheBox)
{
    for (QPoint start : {QPoint(150, 10), QPoint(150, 200)}) {
        box.move(50, 60);
        test::Press(&box, start);
        test::Drag(&box, start + QPoint(-10, 25));
        test::Release(&box, start + QPoint(-10, 25));
        EXPECT_EQ(box.pos(), QPoint(40, 85));
    }
}

TEST(SystemAboutDialog, PlainCaptionedBoxWithIconVersionAndKoreanOk)
{
    ui::SystemAboutDialog box;
    EXPECT_FALSE(box.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(box.OkButton()->text(), QString::fromUtf8("확인"));
    bool icon = false, version = false;
    for (auto* label : box.findChildren<QLabel*>()) {
        icon |= !label->pixmap().isNull() && label->pos() == QPoint(35, 32);
        version |= label->text() == "Kelvora Player Version 1.0.2.0 (Build 090903)" &&
                   label->pos() == QPoint(99, 19);
    }
    EXPECT_TRUE(icon);
    EXPECT_TRUE(version);
    box.show();
    box.OkButton()->click();
    EXPECT_EQ(box.result(), QDialog::Accepted);
}

} // namespace
