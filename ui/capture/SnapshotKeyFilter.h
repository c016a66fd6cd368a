#pragma once
#include <functional>
#include <vector>

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace capture {

// The player window's look at every key before it is dispatched: S (with or without Shift
// or Ctrl, auto-repeat included, not with Alt) pressed while the player window has the
// keyboard calls onSnapshot once. The key then goes on to the focused control as usual.
// Other windows that show the player's picture (the full-screen view) can be watched too.
// Installs itself on the application for as long as it lives.
class SnapshotKeyFilter : public QObject {
    Q_OBJECT
public:
    SnapshotKeyFilter(QWidget* playerWindow, std::function<void()> onSnapshot, QObject* parent = nullptr);
    // A further window whose S keys take snapshots.
    void Watch(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool IsWatched(QObject* watched) const;

    std::vector<QPointer<QWidget>> m_windows;
    std::function<void()> m_onSnapshot;
};

} // namespace capture
