#include "ui/QtPlayerView.h"

#include <QThread>

#include "recording/ReadableName.h"
#include "ui/ControlIds.h"
#include "ui/MessageBox.h"
#include "ui/PlayerDialog.h"
#include "ui/SeekSlider.h"
#include "ui/SkinButton.h"
#include "ui/StaticText.h"

namespace ui {

template <typename F> void QtPlayerView::OnGuiThread(F&& f)
{
    if (QThread::currentThread() == m_dialog.thread())
        f();
    else
        // Calls still queued when the view goes are dropped with their context.
        QMetaObject::invokeMethod(&m_context, std::forward<F>(f), Qt::QueuedConnection);
}

void QtPlayerView::SetText(int control, const std::string& text)
{
    // A path is the file system's bytes; other texts are UTF-8.
    const QString shown = QString::fromStdString(control == id::kPathBox ? recording::ReadableName(text) : text);
    OnGuiThread([this, control, text = shown] {
        if (control == id::kPathBox)
            m_dialog.SetPathText(text);
        else if (auto* label = qobject_cast<StaticText*>(m_dialog.GetDlgItem(control)))
            label->SetText(text);
    });
}

void QtPlayerView::ShowControl(int control, bool shown)
{
    OnGuiThread([this, control, shown] {
        if (QWidget* w = m_dialog.GetDlgItem(control))
            w->setVisible(shown);
    });
}

void QtPlayerView::SetButtonLook(int button, const ButtonLook& b)
{
    OnGuiThread([this, button, b] {
        if (SkinButton* skin = m_dialog.Button(button)) {
            skin->SetBitmaps(b[0], b[1], b[2], b[3]);
            skin->update();
        }
    });
}

void QtPlayerView::SetSeekRange(int minimum, int maximum)
{
    OnGuiThread([this, minimum, maximum] {
        // A recording shorter than two seconds has no position to move to: the range collapses.
        m_dialog.GetSeekSlider()->setRange(minimum, std::max(minimum, maximum));
    });
}

void QtPlayerView::SetSeekPos(int pos)
{
    OnGuiThread([this, pos] { m_dialog.GetSeekSlider()->setValue(pos); });
}

void QtPlayerView::RepaintSeekSlider()
{
    OnGuiThread([this] { m_dialog.GetSeekSlider()->update(); });
}

void QtPlayerView::SetFfToolTip(const std::string& text)
{
    OnGuiThread([this, text = QString::fromStdString(text)] { m_dialog.GetDlgItem(id::kFf)->setToolTip(text); });
}

void QtPlayerView::RepaintDisplay()
{
    OnGuiThread([this] { m_dialog.GetDlgItem(id::kDisplay)->update(); });
}

void QtPlayerView::ShowMessage(const std::string& text)
{
    // The text names a file by its bytes.
    OnGuiThread([text = QString::fromStdString(recording::ReadableName(text))] { MessageBox(text); });
}

} // namespace ui
