#include <memory>

#include <QLineEdit>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include "ui/capture/SnapshotKeyFilter.h"

namespace {

// One key press, auto-repeated while held, and its release, as the window system delivers them.
void Press(QWidget& window, Qt::Key key, Qt::KeyboardModifiers modifiers = {}, int repeats = 0)
{
    const QString text = key == Qt::Key_S ? QStringLiteral("s") : QString();
    for (int i = 0; i <= repeats; ++i)
        QTest::simulateEvent(window.windowHandle(), true, key, modifiers, text, i > 0);
    QTest::simulateEvent(window.windowHandle(), false, key, modifiers, text, false);
}

// S with any modifier but Alt takes a snapshot, each auto-repeat another, and the focused
// field still gets every key. S in another window, or after the filter went, takes none.
TEST(SnapshotKeyFilter, SInThePlayerWindowOnlyWithoutAlt)
{
    QWidget player, other;
    for (QWidget* window : {&player, &other}) {
        auto* edit = new QLineEdit(window);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        edit->setFocus();
    }
    int snapshots = 0;
    auto filter = std::make_unique<capture::SnapshotKeyFilter>(&player, [&] { ++snapshots; });
    const struct {
        QWidget& window;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int repeats, snapshots;
    } cases[] = {
        {player, Qt::Key_S, Qt::NoModifier, 0, 1},
        {player, Qt::Key_S, Qt::ShiftModifier, 0, 1},
        {player, Qt::Key_S, Qt::AltModifier, 0, 0},
        {player, Qt::Key_A, Qt::NoModifier, 0, 0},
        {player, Qt::Key_S, Qt::NoModifier, 3, 4},
        {other, Qt::Key_S, Qt::NoModifier, 0, 0},
    };
    for (const auto& c : cases) {
        snapshots = 0;
        Press(c.window, c.key, c.modifiers, c.repeats);
        EXPECT_EQ(snapshots, c.snapshots) << c.key << " with " << c.modifiers << ", repeated " << c.repeats;
    }
    EXPECT_EQ(player.findChild<QLineEdit*>()->text(), QString(7, QLatin1Char('s'))); // Alt's too
    EXPECT_EQ(other.findChild<QLineEdit*>()->text(), QStringLiteral("s"));
    filter.reset();
    Press(player, Qt::Key_S);
    EXPECT_EQ(snapshots, 0);
}

} // namespace
