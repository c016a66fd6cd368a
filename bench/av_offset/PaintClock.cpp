#include "bench/av_offset/PaintClock.h"

#include <cstdlib>

#include <QEvent>
#include <QWidget>

#include "display/CVorquil_Ctrl_Player.h"
#include "display/DispId.h"
#include "tools/sample/SamplePicture.h"

namespace avoffset {
namespace {

using sample::SamplePicture;

int Sweep()
{
    int frames = 1;
    while (SamplePicture::BarX(frames) != SamplePicture::BarX(0))
        ++frames;
    return frames;
}

} // namespace

PaintClock::PaintClock(QWidget& control, display::CVorquil_Ctrl_Player& player, int columns)
    : m_control(control), m_player(player), m_buffer(display::kCaptureBufferSize), m_sweep(Sweep()), m_columns(columns)
{
    control.installEventFilter(this);
}

bool PaintClock::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != &m_control || event->type() != QEvent::Paint)
        return false;
    const Clock::time_point now = Clock::now();
    const int inSweep = FrameInSweep();
    if (inSweep < 0) {
        ++m_unread;
        return false;
    }
    // Playback starts at frame 0 and moves forward by less than a sweep between paints.
    const int64_t frame =
        m_frame < 0 ? inSweep : m_frame + (inSweep - m_frame % m_sweep + m_sweep) % m_sweep;
    const int64_t second = frame / sample::kFramesPerSecond;
    if (m_frame < 0 || second != m_frame / sample::kFramesPerSecond)
        m_seconds.push_back({second, frame, now});
    m_frame = frame;
    return false;
}

int PaintClock::FrameInSweep()
{
    int32_t width = 0, height = 0, bits = 0;
    if (m_player.CaptureImage(m_buffer.data(), &width, &height, &bits) < 0 || bits != 32)
        return -1;
    // Channel 1's tile is the top left one; the capture's rows run bottom up, B G R A.
    const int tileWidth = width / m_columns;
    const int tileHeight = height / m_columns;
    const auto band = SamplePicture::kBarBand;
    const int y = tileHeight * (band.y + band.height / 2) / sample::kPictureHeight;
    const uint8_t* row = m_buffer.data() + static_cast<size_t>(height - 1 - y) * width * 4;
    int left = -1, run = 0;
    for (int x = 0; x < tileWidth && run * sample::kPictureWidth < tileWidth * SamplePicture::kBarWidth / 2; ++x) {
        const uint8_t* p = row + x * 4;
        const bool white = p[0] > 200 && p[1] > 200 && p[2] > 200;
        run = white ? run + 1 : 0;
        if (run == 1)
            left = x;
    }
    if (run * sample::kPictureWidth < tileWidth * SamplePicture::kBarWidth / 2)
        return -1;
    const int pictureX = left * sample::kPictureWidth / tileWidth;
    int best = 0;
    for (int frame = 1; frame < m_sweep; ++frame)
        if (std::abs(SamplePicture::BarX(frame) - pictureX) < std::abs(SamplePicture::BarX(best) - pictureX))
            best = frame;
    return best;
}

} // namespace avoffset
