#include "ui/OperatorTools.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QVBoxLayout>

#include "playback/PlayState.h"
#include "playback/PlayerCore.h"
#include "recording/TimeConversion.h"
#include "recording/TimeText.h"
#include "ui/ControlIds.h"
#include "ui/FullScreenView.h"
#include "ui/KeyListWindow.h"
#include "ui/MessageBox.h"
#include "ui/PictureTime.h"
#include "ui/MotionSearchWindow.h"
#include "ui/PlayerDialog.h"
#include "ui/RegionSelector.h"
#include "ui/RunningPlayer.h"
#include "ui/SeekSlider.h"
#include "ui/SkinButton.h"
#include "ui/SnapshotNote.h"
#include "ui/TimePreview.h"
#include "ui/VolumeSlider.h"

namespace ui {

OperatorTools::OperatorTools(PlayerDialog& dialog, RunningPlayer& player)
    : QObject(nullptr),
      m_dialog(dialog),
      m_player(player),
      m_keys([this](PlayerCommand c) { Run(c); }),
      m_note(new SnapshotNote(dialog.GetDlgItem(id::kDisplay))),
      m_preview(std::make_unique<TimePreview>(*dialog.GetSeekSlider(), player.Core())),
      m_fullScreen(new FullScreenView(&dialog))
{
    m_keys.Watch(&m_dialog);
    m_keys.Watch(m_fullScreen);
    // The window opens with the focus on Play rather than on the seek slider, which would keep
    // the arrow and page keys for itself.
    m_dialog.GetDlgItem(id::kPlay)->setFocus();
    connect(&m_dialog, &PlayerDialog::SeekScrolled, m_preview.get(), &TimePreview::OnScrolled);
    connect(&player.Time(), &PictureTime::StripChanged, m_fullScreen, &FullScreenView::SetStripText);
}

// The control goes back to the window that owns it before anything of the view goes.
OperatorTools::~OperatorTools() { m_fullScreen->Leave(); }

void OperatorTools::Click(int buttonId)
{
    // The button's own click: it does nothing when the button would not act.
    m_dialog.Button(buttonId)->click();
}

void OperatorTools::Run(PlayerCommand command)
{
    switch (command) {
    case PlayerCommand::PlayPause: return Click(id::kPlay);
    case PlayerCommand::JumpForward: return Click(id::kF);
    case PlayerCommand::JumpBack: return Click(id::kR);
    case PlayerCommand::VolumeUp: return StepVolume(1);
    case PlayerCommand::VolumeDown: return StepVolume(-1);
    case PlayerCommand::Mute: return Click(id::kSpeakerMin);
    case PlayerCommand::FastForward: return Click(id::kFf);
    case PlayerCommand::Rewind: return Click(id::kRew);
    case PlayerCommand::Layout1: return Click(id::kCh1);
    case PlayerCommand::Layout4: return Click(id::kCh4);
    case PlayerCommand::Layout9: return Click(id::kCh9);
    case PlayerCommand::Layout16: return Click(id::kCh16);
    case PlayerCommand::NextChannel: return StepChannel(1);
    case PlayerCommand::PreviousChannel: return StepChannel(-1);
    case PlayerCommand::Open: return Click(id::kFileOpen);
    case PlayerCommand::Print: return Click(id::kPrint);
    case PlayerCommand::FullScreen: return ToggleFullScreen();
    case PlayerCommand::StepForward: return m_player.Core().Transport().OnStepForward();
    case PlayerCommand::StepBack: return m_player.Core().Transport().OnStepBack();
    case PlayerCommand::KeyList: return ShowKeyList();
    }
}

void OperatorTools::StepVolume(int delta)
{
    // As a drag of the volume slider that ends one step away; at either end nothing moves.
    VolumeSlider* slider = m_dialog.GetVolumeSlider();
    if (slider->Step(delta))
        emit slider->TrackEnded();
}

void OperatorTools::StepChannel(int delta)
{
    // Channels of the recording, from the header as the layout buttons count them.
    const int count = m_player.Core().m_Header.chCount;
    if (count < 2)
        return;
    display::CVorquil_Ctrl_Player& control = m_player.Control();
    const int current = control.CurrentChannel();
    control.SetCurrentChannel(((current + delta) % count + count) % count);
}

void OperatorTools::ShowKeyList()
{
    if (!m_keyList) {
        m_keyList = new KeyListWindow(&m_dialog);
        m_keyList->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_keyList->show();
    m_keyList->raise();
}

void OperatorTools::AddMenuItems(QMenu& menu)
{
    menu.addSeparator();
    menu.addAction(QStringLiteral("Full Screen"))->setData(kCmdFullScreen);
    QAction* go = menu.addAction(QStringLiteral("Go to Time..."));
    go->setData(kCmdGoToTime);
    go->setEnabled(CanGoToTime());
    QAction* find = menu.addAction(QStringLiteral("Find Motion..."));
    find->setData(kCmdFindMotion);
    find->setEnabled(CanGoToTime());
}

bool OperatorTools::OnMenuCommand(int command)
{
    if (command == kCmdFullScreen)
        ToggleFullScreen();
    else if (command == kCmdGoToTime)
        AskGoToTime();
    else if (command == kCmdFindMotion)
        FindMotion();
    else
        return false;
    return true;
}

void OperatorTools::ToggleFullScreen()
{
    if (m_fullScreen->IsActive())
        m_fullScreen->Leave();
    else
        m_fullScreen->Enter(m_dialog.GetDlgItem(id::kDisplay));
}

void OperatorTools::ShowSnapshotNote(const capture::SnapshotOutcome& outcome) { m_note->Show(outcome); }

bool OperatorTools::CanGoToTime() const
{
    const playback::PlayerCore& c = m_player.Core();
    return c.m_bFileChosen == 1 && c.m_bFileOpened != 0;
}

void OperatorTools::AskGoToTime()
{
    if (!CanGoToTime())
        return;
    const playback::PlayerCore& c = m_player.Core();
    // The time shown, or the recording's start before anything was shown.
    recording::SystemTime shown = c.m_CurTime.Load();
    if (shown.wYear == 0)
        shown = c.TimeAtSecond(0);

    QDialog ask(&m_dialog);
    ask.setWindowTitle(QStringLiteral("Go to Time"));
    auto* edit = new QLineEdit(QString::fromStdString(recording::FormatDateTime(shown, 1)), &ask);
    edit->setObjectName(QStringLiteral("goToTimeEdit"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &ask);
    connect(buttons, &QDialogButtonBox::accepted, &ask, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &ask, &QDialog::reject);
    auto* layout = new QVBoxLayout(&ask);
    layout->addWidget(new QLabel(QStringLiteral("Recorded date and time (YYYY-MM-DD hh:mm:ss, or hh:mm:ss):"), &ask));
    layout->addWidget(edit);
    layout->addWidget(buttons);
    // A refused value stays in the box to be corrected.
    while (ask.exec() == QDialog::Accepted && !GoToText(edit->text().toStdString(), shown)) {
    }
}

bool OperatorTools::GoToText(const std::string& text, const recording::SystemTime& day)
{
    const std::optional<int32_t> typed =
        recording::ParseTypedTime(text, recording::SystemTimeToFTime(day).value_or(0));
    if (!typed) {
        MessageBox(QStringLiteral("\"%1\" is not a date and time. Type it as 2024-06-03 09:00:30, or a time of "
                                  "day alone as 09:00:30.")
                       .arg(QString::fromStdString(text)));
        return false;
    }
    return GoToTime(recording::FTimeToSystemTime(*typed));
}

bool OperatorTools::GoToTime(const recording::SystemTime& time)
{
    playback::PlayerCore& c = m_player.Core();
    if (!CanGoToTime())
        return false;
    const int64_t seconds = int64_t{recording::SystemTimeToFTime(time).value_or(INT32_MIN)} - c.m_StartInfo[0].f_time;
    const int32_t last = c.LastSecond();
    if (seconds < 0 || seconds > last) {
        const int format = c.m_nTimeFormat.load();
        const auto text = [format](const recording::SystemTime& t) {
            return QString::fromStdString(recording::FormatDateTime(t, format));
        };
        MessageBox(QStringLiteral("%1 is outside the recording, which runs from %2 to %3.")
                       .arg(text(time), text(c.TimeAtSecond(0)), text(c.TimeAtSecond(last))));
        return false;
    }
    const auto position = static_cast<int32_t>(seconds);
    m_dialog.GetSeekSlider()->setValue(std::min(position, c.m_nSeekMax));
    c.Transport().SeekTo(position, time.wMilliseconds);
    return true;
}

void OperatorTools::FindMotion()
{
    if (!CanGoToTime())
        return;
    display::CVorquil_Ctrl_Player& control = m_player.Control();
    const int channel = control.CurrentChannel();
    control.SetLayout(channel, 1);
    delete m_selector;
    m_selector = new RegionSelector(m_dialog.GetDlgItem(id::kDisplay));
    connect(m_selector, &RegionSelector::Cancelled, m_selector, &QObject::deleteLater);
    connect(m_selector, &RegionSelector::Chosen, this, [this, channel](const QRect& r) { SearchRegion(channel, r); });
}

void OperatorTools::SearchRegion(int channel, const QRect& region)
{
    // The rectangle stays in view while its search window is open, without taking the mouse
    // or the keys from the player.
    m_selector->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_selector->setFocusPolicy(Qt::NoFocus);
    m_dialog.setFocus();
    const QWidget* display = m_dialog.GetDlgItem(id::kDisplay);
    motion::MotionOptions options;
    options.regions = {{region.x(), region.y(), region.width(), region.height()}};
    options.regionSpaceWidth = display->width();
    options.regionSpaceHeight = display->height();
    delete m_search;
    m_search = new MotionSearchWindow(m_player.Core().m_pszFilePath, channel, options, &m_dialog);
    m_search->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_search, &MotionSearchWindow::Found, this, &OperatorTools::MarkEvents);
    connect(m_search, &MotionSearchWindow::EventChosen, this, [this](const motion::MotionEvent& e) { GoToEvent(e); });
    connect(m_search, &QObject::destroyed, m_selector, &QObject::deleteLater);
    m_search->show();
}

void OperatorTools::MarkEvents(const std::vector<motion::MotionEvent>& events)
{
    const std::optional<int32_t> start = recording::SystemTimeToFTime(m_player.Core().TimeAtSecond(0));
    if (!start)
        return;
    QList<QPair<int, int>> marks;
    for (const motion::MotionEvent& e : events)
        marks.append({e.start.f_time - *start, e.end.f_time - *start});
    m_dialog.GetSeekSlider()->SetMarks(marks);
}

void OperatorTools::GoToEvent(const motion::MotionEvent& event)
{
    playback::PlayerCore& c = m_player.Core();
    // Paused, so that the event's first frame stays on screen to be studied; Go to Time shows it.
    if (c.m_nPlayState != playback::kPaused)
        c.Transport().OnPlay();
    recording::SystemTime start = recording::FTimeToSystemTime(event.start.f_time);
    start.wMilliseconds = static_cast<uint16_t>(event.start.f_msec % 1000);
    GoToTime(start);
}

} // namespace ui
