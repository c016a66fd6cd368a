#include <memory>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>
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
        m_edit = new QLineEdit(&m_window);
        m_button = new QPushButton(QStringLiteral("Play"), &m_window);
        layout->addWidget(m_edit);
        layout->addWidget(m_button);
        m_window.show();
        m_window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&m_window));
        m_edit->setFocus();
        m_filter = std::make_unique<capture::SnapshotKeyFilter>(&m_window, [this] { ++m_snapshots; });
    }

    // One key press and release as the window system delivers them.
    static void Press(QWindow* window, Qt::Key key, Qt::KeyboardModifiers modifiers, const QString& text,
                      bool autoRepeat = false)
    {
        QTest::simulateEvent(window, true, key, modifiers, text, autoRepeat);
        QTest::simulateEvent(window, false, key, modifiers, text, autoRepeat);
    }

    QWindow* Handle() { return m_window.windowHandle(); }

    QWidget m_window;
    QLineEdit* m_edit = nullptr;
    QPushButton* m_button = nullptr;
    std::unique_ptr<capture::SnapshotKeyFilter> m_filter;
    int m_snapshots = 0;
};

struct KeyCase {
    const char* what;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    bool autoRepeat;
    int snapshots;
};

class SnapshotKeys : public SnapshotKeyFilterTest, public testing::WithParamInterface<KeyCase> {};

TEST_P(SnapshotKeys, SOnlyWithoutAlt)
{
    const KeyCase c = GetParam();
    Press(Handle(), c.key, c.modifiers, QString(), c.autoRepeat);
    EXPECT_EQ(m_snapshots, c.snapshots) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Keys, SnapshotKeys,
    testing::Values(KeyCase{"S", Qt::Key_S, Qt::NoModifier, false, 1},
                    KeyCase{"Shift+S", Qt::Key_S, Qt::ShiftModifier, false, 1},
                    KeyCase{"Ctrl+S", Qt::Key_S, Qt::ControlModifier, false, 1},
                    KeyCase{"Ctrl+Shift+S", Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier, false, 1},
                    KeyCase{"Alt+S", Qt::Key_S, Qt::AltModifier, false, 0},
                    KeyCase{"Alt+Shift+S", Qt::Key_S, Qt::AltModifier | Qt::ShiftModifier, false, 0},
                    KeyCase{"A", Qt::Key_A, Qt::NoModifier, false, 0},
                    KeyCase{"Shift alone", Qt::Key_Shift, Qt::ShiftModifier, false, 0}),
    [](const testing::TestParamInfo<KeyCase>& info) { return "Case" + std::to_string(info.index); });

TEST_F(SnapshotKeyFilterTest, FocusedFieldStillGetsTheKey)
{
    Press(Handle(), Qt::Key_S, Qt::NoModifier, QStringLiteral("s"));
    Press(Handle(), Qt::Key_S, Qt::ShiftModifier, QStringLiteral("S"));
    EXPECT_EQ(m_snapshots, 2);
    EXPECT_EQ(m_edit->text(), QStringLiteral("sS"));
}

TEST_F(SnapshotKeyFilterTest, EachAutoRepeatTakesAnother)
{
    QTest::simulateEvent(Handle(), true, Qt::Key_S, Qt::NoModifier, QStringLiteral("s"), false);
    for (int i = 0; i < 3; ++i)
        QTest::simulateEvent(Handle(), true, Qt::Key_S, Qt::NoModifier, QStringLiteral("s"), true);
    QTest::simulateEvent(Handle(), false, Qt::Key_S, Qt::NoModifier, QStringLiteral("s"), false);
    EXPECT_EQ(m_snapshots, 4);
    EXPECT_EQ(m_edit->text(), QStringLiteral("ssss"));
}

// A button does not take S, so the key travels on to its parents: still one snapshot.
TEST_F(SnapshotKeyFilterTest, OneSnapshotPerKeyWhateverHasTheFocus)
{
    m_button->setFocus();
    Press(Handle(), Qt::Key_S, Qt::NoModifier, QStringLiteral("s"));
    EXPECT_EQ(m_snapshots, 1);
}

TEST_F(SnapshotKeyFilterTest, OtherWindowsAreLeftAlone)
{
    QWidget other;
    auto* edit = new QLineEdit(&other);
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    edit->setFocus();
    Press(other.windowHandle(), Qt::Key_S, Qt::NoModifier, QStringLiteral("s"));
    EXPECT_EQ(m_snapshots, 0);
    EXPECT_EQ(edit->text(), QStringLiteral("s"));
}

TEST_F(SnapshotKeyFilterTest, StopsWhenDestroyed)
{
    m_filter.reset();
    Press(Handle(), Qt::Key_S, Qt::NoModifier, QStringLiteral("s"));
    EXPECT_EQ(m_snapshots, 0);
}

} // namespace
