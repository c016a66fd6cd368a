#include "ui/SnapshotNote.h"

namespace ui {

SnapshotNote::SnapshotNote(QWidget* picture) : QLabel(picture)
{
    QFont font("Arial");
    font.setPixelSize(13);
    font.setBold(true);
    setFont(font);
    setStyleSheet(QStringLiteral("color: white; background: rgba(0, 0, 0, 170); padding: 4px 8px;"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hide();
    m_hide.setSingleShot(true);
    m_hide.setInterval(kShowMs);
    connect(&m_hide, &QTimer::timeout, this, &QWidget::hide);
}

QString SnapshotNote::TextOf(const capture::SnapshotOutcome& outcome)
{
    using R = capture::SnapshotOutcome::Result;
    const QString path = QString::fromStdString(outcome.path.string());
    const QString reason = QString::fromStdString(outcome.reason);
    switch (outcome.result) {
    case R::Saved:
        return QStringLiteral("Snapshot saved: %1").arg(path);
    case R::NoPicture:
        return QStringLiteral("No snapshot: %1").arg(reason);
    case R::Failed:
        break;
    }
    return QStringLiteral("Snapshot not saved: %1 (%2)").arg(reason, path);
}

void SnapshotNote::Show(const capture::SnapshotOutcome& outcome)
{
    // A long path gives up its middle rather than run off the picture.
    const int room = parentWidget()->width() - 40;
    setText(fontMetrics().elidedText(TextOf(outcome), Qt::ElideMiddle, room));
    adjustSize();
    move(8, 8);
    raise();
    show();
    m_hide.start();
}

} // namespace ui
