#include <memory>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <QWindow>

#include <gtest/gtest.h>

#include "ui/capture/SnapshotKeyFilter.h"

namespace {

// A small player window: a text field with the focus and a button, and the filter on it.
class SnapshotKeyFilterTest : public testing::Test {
protected:
    SnapshotKeyFilterTest()
    {
        auto* layout = new QVBoxLayout(&m_window);
        layout->addWidget(m_edit = new QLineEdit(&m_window));
        layout->addWidget(m_button = new QPushButton(QStringLiteral("Play"), &m_window));
        m_window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&m_window));
        m_edit->setFocus();
        m_filter = std::make_unique<capture::SnapshotKeyFilter>(&m_window, [this] { ++m_snapshots; });
    }
    // One key press (repeated while held) and its release, as the window system delivers them.
    static void Press(QWindow* window, Qt::Key key, Qt::KeyboardModifiers modifiers = {}, int repeats = 0)
    {
        const QString text = key == Qt::Key_S ? QStringLiteral("s") : QString();
        QTest::simulateEvent(window, true, key, modifiers, text, false);
        for (int i = 0; i < repeats; ++i)
            QTest::simulateEvent(window, true, key, modifiers, text, true);
        QTest::simulateEvent(window, false, key, modifiers, text, false);
    }

    QWidget m_window;
    QLineEdit* m_edit = nullptr;
    QPushButton* m_button = nullptr;
    std::unique_ptr<capture::SnapshotKeyFilter> m_filter;
    int m_snapshots = 0;
};

// S with any modifier but Alt takes one snapshot.
TEST_F(SnapshotKeyFilterTest, SOnlyWithoutAlt)
{
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int snapshots;
    } cases[] = {
        {Qt::Key_S, Qt::NoModifier, 1},
        {Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier, 1},
        {Qt::Key_S, Qt::AltModifier, 0},
        {Qt::Key_A, Qt::NoModifier, 0},
    };
    for (const auto& c : cases) {
        m_snapshots = 0;
        Press(m_window.windowHandle(), c.key, c.modifiers);
        EXPECT_EQ(m_snapshots, c.snapshots) << c.key << " with " << c.modifiers;
    }
}

// Each auto-repeat takes another, and the focused field still gets every key; a button does
// not take S, so the key travels on to its parents: still one snapshot per key.
TEST_F(SnapshotKeyFilterTest, OneSnapshotPerKeyAndRepeatWhateverHasTheFocus)
{
    Press(m_window.windowHandle(), Qt::Key_S, {}, 3);
    EXPECT_EQ(m_snapshots, 4);
    EXPECT_EQ(m_edit->text(), QStringLiteral("ssss"));
    m_button->setFocus();
    Press(m_window.windowHandle(), Qt::Key_S);
    EXPECT_EQ(m_snapshots, 5);
}

TEST_F(SnapshotKeyFilterTest, OtherWindowsAreLeftAloneAndNothingAfterTheFilterGoes)
{
    QWidget other;
    auto* edit = new QLineEdit(&other);
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    edit->setFocus();
    Press(other.windowHandle(), Qt::Key_S);
    EXPECT_EQ(edit->text(), QStringLiteral("s"));
    m_filter.reset();
    Press(m_window.windowHandle(), Qt::Key_S);
    EXPECT_EQ(m_snapshots, 0);
}

} // namespace
