#include "ui/PlayerKeys.h"

#include <QAbstractSlider>
#include <QApplication>
#include <QKeyEvent>
#include <algorithm>
#include <utility>

#include "ui/capture/KeyDelivery.h"

namespace ui {
namespace {

using C = PlayerCommand;

const PlayerKey kKeys[] = {
    {Qt::Key_Space, C::PlayPause, "Space", "Play / pause"},
    {Qt::Key_Right, C::JumpForward, "Right", "Jump 59 seconds on"},
    {Qt::Key_Left, C::JumpBack, "Left", "Jump 59 seconds back"},
    {Qt::Key_Up, C::VolumeUp, "Up", "Volume up one step"},
    {Qt::Key_Down, C::VolumeDown, "Down", "Volume down one step"},
    {Qt::Key_M, C::Mute, "M", "Mute / sound on"},
    {Qt::Key_Plus, C::FastForward, "+", "Fast forward: 2x, 4x, 8x, 16x, 32x"},
    {Qt::Key_Minus, C::Rewind, "-", "Rewind: 1x, 2x, 4x, 8x, 16x, 32x"},
    {Qt::Key_1, C::Layout1, "1", "One channel"},
    {Qt::Key_4, C::Layout4, "4", "Four channels"},
    {Qt::Key_9, C::Layout9, "9", "Nine channels"},
    {Qt::Key_0, C::Layout16, "0", "Sixteen channels"},
    {Qt::Key_PageDown, C::NextChannel, "Page Down", "Next channel"},
    {Qt::Key_PageUp, C::PreviousChannel, "Page Up", "Previous channel"},
    {Qt::ControlModifier | Qt::Key_O, C::Open, "Ctrl+O", "Open a recording"},
    {Qt::ControlModifier | Qt::Key_P, C::Print, "Ctrl+P", "Print"},
    {Qt::Key_F, C::FullScreen, "F", "Full screen / back to the window"},
    {Qt::Key_Period, C::StepForward, ".", "Paused: the channel's next frame"},
    {Qt::Key_Comma, C::StepBack, ",", "Paused: the channel's frame before"},
    {Qt::Key_Question, C::KeyList, "?", "This list of keys"},
    {Qt::Key_F1, C::KeyList, "F1", "This list of keys"},
};

// Commands that go on while the key is held.
bool Repeats(PlayerCommand c) { return c == C::VolumeUp || c == C::VolumeDown || c == C::StepForward || c == C::StepBack; }

// Keys a focused slider moves itself with.
bool IsSliderKey(int key)
{
    return key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down ||
           key == Qt::Key_PageUp || key == Qt::Key_PageDown;
}

} // namespace

std::span<const PlayerKey> PlayerKeys::Table() { return kKeys; }

std::optional<PlayerCommand> PlayerKeys::CommandOf(const QKeyEvent& key)
{
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    const auto found = std::find_if(std::begin(kKeys), std::end(kKeys), [&](const PlayerKey& k) {
        return k.key.key() == key.key() && k.key.keyboardModifiers() == modifiers;
    });
    if (found == std::end(kKeys))
        return std::nullopt;
    return found->command;
}

PlayerKeys::PlayerKeys(std::function<void(PlayerCommand)> run, QObject* parent)
    : QObject(parent), m_run(std::move(run))
{
    QCoreApplication::instance()->installEventFilter(this);
}

void PlayerKeys::Watch(QWidget* window) { m_windows.emplace_back(window); }

bool PlayerKeys::IsWatched(QObject* watched) const
{
    return std::any_of(m_windows.begin(), m_windows.end(),
                       [watched](const QPointer<QWidget>& w) { return capture::IsKeyDeliveryTo(watched, w); });
}

bool PlayerKeys::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || !IsWatched(watched))
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (IsSliderKey(key->key()) && qobject_cast<QAbstractSlider*>(QApplication::focusWidget()))
        return false;
    const std::optional<PlayerCommand> command = CommandOf(*key);
    if (!command)
        return false;
    if (!key->isAutoRepeat() || Repeats(*command))
        m_run(*command);
    return true;
}

} // namespace ui
