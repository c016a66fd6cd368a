#pragma once
#include <QLabel>
#include <QTimer>

#include "ui/capture/Snapshot.h"

namespace ui {

// A short note on the picture after a snapshot: the file written, or why nothing was written.
// It sits at the picture's top left, away from the date and time under the picture, and goes
// after about two seconds. It is a child of the picture, so it follows it to full screen.
class SnapshotNote : public QLabel {
    Q_OBJECT
public:
    static constexpr int kShowMs = 2000;

    explicit SnapshotNote(QWidget* picture);

    void Show(const capture::SnapshotOutcome& outcome);
    static QString TextOf(const capture::SnapshotOutcome& outcome);

private:
    QTimer m_hide;
};

} // namespace ui
