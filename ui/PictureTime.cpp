#include "ui/PictureTime.h"

#include <algorithm>

#include "playback/PlayerCore.h"
#include "recording/TimeConversion.h"
#include "recording/TimeText.h"
#include "ui/PlayerDialog.h"
#include "ui/PlayerSettings.h"
#include "ui/SeekSlider.h"

namespace ui {
namespace {
constexpr char kMillisecondsKey[] = "time/showMilliseconds";
} // namespace

PictureTime::PictureTime(PlayerDialog& dialog, display::CVorquil_Ctrl_Player& control, playback::PlayerCore& core)
    : m_dialog(dialog), m_control(control), m_core(core),
      m_milliseconds(PlayerSettings().value(QLatin1String(kMillisecondsKey), false).toBool())
{
    m_timer.setInterval(kPollMs);
    connect(&m_timer, &QTimer::timeout, this, &PictureTime::UpdateWhenDue);
    m_timer.start();
}

void PictureTime::UpdateWhenDue()
{
    if (!m_sinceApplied.isValid() || m_sinceApplied.hasExpired(kLeastGapMs))
        Update();
}

void PictureTime::SetShowMilliseconds(bool on)
{
    m_milliseconds = on;
    PlayerSettings().setValue(QLatin1String(kMillisecondsKey), on);
    Update();
}

void PictureTime::Forget()
{
    m_applied = {};
    m_sinceApplied.invalidate();
}

void PictureTime::Update()
{
    Shown now;
    now.channel = m_control.ShownTime(&now.fTime, &now.msec);
    if (now.channel < 0 || now.channel >= playback::PlayerCore::kChannels)
        return;
    now.format = m_core.m_nTimeFormat.load();
    now.milliseconds = m_milliseconds;
    if (now != m_applied) {
        m_applied = now;
        m_sinceApplied.start();
        Apply(now);
    }
    recording::SystemTime t = recording::FTimeToSystemTime(now.fTime);
    t.wMilliseconds = static_cast<uint16_t>(now.msec);
    const QString strip = QStringLiteral("%1    %2    %3")
                              .arg(QString::fromStdString(recording::FormatDateTime(t, now.format, now.milliseconds)),
                                   SpeedText(), ChannelName(now.channel));
    if (strip != m_strip) {
        m_strip = strip;
        emit StripChanged(strip);
    }
}

void PictureTime::Apply(const Shown& shown)
{
    recording::SystemTime t = recording::FTimeToSystemTime(shown.fTime);
    t.wMilliseconds = static_cast<uint16_t>(shown.msec);
    m_core.m_CurTime = t;
    m_dialog.SetOsdText(QString::fromStdString(recording::FormatDateTime(t, shown.format, shown.milliseconds)));
    const int64_t elapsed = ElapsedSeconds(shown);
    m_dialog.SetTotalTimeText(QString::fromStdString(recording::FormatElapsedSeconds(elapsed, m_core.m_TotalTime)));
    SeekSlider* slider = m_dialog.GetSeekSlider();
    if (!slider->IsDragging())
        slider->setValue(static_cast<int>(std::min<int64_t>(elapsed, m_core.m_nSeekMax)));
}

// From the first key frame's own time, so that the seek bar's seconds are those its time
// preview names.
int64_t PictureTime::ElapsedSeconds(const Shown& shown) const
{
    const int64_t start = int64_t{m_core.m_StartInfo[0].f_time} * 1000 + m_core.m_dwStartMsec % 1000;
    const int64_t at = int64_t{shown.fTime} * 1000 + shown.msec;
    return std::max<int64_t>(at - start, 0) / 1000;
}

QString PictureTime::ChannelName(int channel) const
{
    if (channel < 0 || channel >= playback::PlayerCore::kChannels)
        return {};
    const std::u16string name = m_core.m_Header.videoCh[channel].NameText();
    return name.empty() ? QStringLiteral("CH-%1").arg(channel + 1) : QString::fromStdU16String(name);
}

QString PictureTime::SpeedText() const
{
    const int32_t state = m_core.m_nPlayState.load();
    const int32_t speed = std::abs(playback::StateSpeed(state));
    if (playback::IsFastForward(state))
        return QStringLiteral("FF %1X").arg(speed);
    if (playback::IsReverse(state))
        return QStringLiteral("Rew %1X").arg(speed);
    return state == playback::kPlay ? QStringLiteral("Play") : QStringLiteral("Paused");
}

} // namespace ui
