#include "display/control/PlayerControl.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <tuple>

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWheelEvent>

#include "display/DispId.h"
#include "display/SystemDirectory.h"
#include "display/control/DecodePipeline.h"

namespace display {
namespace {

constexpr int32_t kBadArguments = -1;
constexpr int32_t kNoPicture = -1;
constexpr int kTitleLength = 19; // tile titles are kept in 20-character buffers
constexpr int kBitsPerPixel = 32;
// Zoom per wheel notch: six notches from the whole picture to the closest view.
const double kZoomPerNotch = std::sqrt(2.0);
constexpr double kWheelNotch = 120.0;

std::optional<int32_t> IntArg(std::span<const DispArg> args, size_t i)
{
    if (i < args.size()) {
        if (const auto* value = std::get_if<int32_t>(&args[i]))
            return *value;
    }
    return std::nullopt;
}

const void* InArg(std::span<const DispArg> args, size_t i)
{
    if (i >= args.size())
        return nullptr;
    if (const auto* p = std::get_if<const void*>(&args[i]))
        return *p;
    if (const auto* p = std::get_if<void*>(&args[i]))
        return *p;
    return nullptr;
}

void* OutArg(std::span<const DispArg> args, size_t i)
{
    if (i < args.size()) {
        if (const auto* p = std::get_if<void*>(&args[i]))
            return *p;
    }
    return nullptr;
}

std::optional<QString> TextArg(std::span<const DispArg> args, size_t i)
{
    if (i < args.size()) {
        if (const auto* text = std::get_if<std::u16string_view>(&args[i])) {
            // The text ends at its first zero character, as a zero-terminated one would.
            const std::u16string_view view = text->substr(0, text->find(u'\0'));
            return QString::fromUtf16(view.data(), static_cast<qsizetype>(view.size()));
        }
    }
    return std::nullopt;
}

void WriteLong(void* address, int32_t value)
{
    if (address)
        std::memcpy(address, &value, sizeof value);
}

} // namespace

PlayerControl::PlayerControl(QWidget* parent, DisplayEventSink* sink)
    : QWidget(parent)
    , m_sink(sink)
    , m_audio(this)
{
    // The player window places it at 704x576; full screen makes it larger and the tiles with it.
    resize(kScreenWidth, kScreenHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Pictures arrive far more often than the screen changes: the GUI thread looks for news once
    // per screen refresh and draws then. Other threads only raise a flag, so no Qt event crosses
    // threads.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const qreal rate = screen && screen->refreshRate() > 1 ? screen->refreshRate() : 60.0;
    const std::chrono::milliseconds interval(std::max(1, static_cast<int>(1000.0 / rate)));
    m_refresh.setInterval(interval);
    connect(&m_refresh, &QTimer::timeout, this, &PlayerControl::OnRefresh);
    m_refresh.start();
    m_library.Load(SystemDirectory());
    m_pipeline = std::make_unique<DecodePipeline>(m_library, interval, [this] { RequestRepaint(); });
    {
        std::lock_guard lock(m_mutex);
        ApplyGridLocked(m_grid);
    }
}

PlayerControl::~PlayerControl()
{
    // The workers post to this object; they must be gone before it is.
    m_pipeline.reset();
}

int32_t PlayerControl::Invoke(int32_t dispid, std::span<const DispArg> args)
{
    switch (dispid) {
    case kSetOwnerWindow:
        // The owner is the widget's parent here: events go to the sink given at creation.
        return InArg(args, 0) ? 0 : kBadArguments;
    case kSetChannelTitle:
        return SetChannelTitle(args);
    case kSetTitleText:
        return SetText(m_titleText, args);
    case kSetVersionText:
        return SetText(m_versionText, args);
    case kSetVolume:
        if (!IntArg(args, 0))
            return kBadArguments;
        m_audio.SetVolume(*IntArg(args, 0));
        return 0;
    case kInit44:
        return SetOption(m_hideTitles, args);
    case kInit45:
        return SetOption(m_hideOutline, args);
    case kInit46:
        return SetOption(m_keyFramesOnly, args);
    case kInit47:
        return SetOption(m_hideIdleTexts, args);
    case kInit48:
        return SetOption(m_mute, args);
    case kQueryRunning:
        return QueryRunning(args);
    case kStop:
        m_pipeline->Stop();
        m_audio.Clear();
        return 0;
    case kSetMode:
        if (!IntArg(args, 0))
            return kBadArguments;
        m_mode.store(*IntArg(args, 0));
        return 0;
    case kCurrentChannel:
        return m_current.load();
    case kSetCurrentChannel:
        return IntArg(args, 0) ? SetCurrentChannel(*IntArg(args, 0)) : kBadArguments;
    case kSetChannelCount:
        return IntArg(args, 0) ? SetChannelCount(*IntArg(args, 0)) : kBadArguments;
    case kSetLayout:
        return IntArg(args, 0) && IntArg(args, 1) ? SetLayout(*IntArg(args, 0), *IntArg(args, 1)) : kBadArguments;
    case kFlush:
        m_pipeline->Flush();
        m_audio.Clear();
        return 0;
    case kPushFrame:
        return PushFrame(args);
    case kCaptureImage:
        return CaptureImage(args);
    case kShownTime:
        return GiveTime(m_painted, args);
    case kCapturedTime:
        return GiveTime(m_captured, args);
    case kDroppedFrames:
        return IntArg(args, 0) ? static_cast<int32_t>(m_pipeline->Dropped(*IntArg(args, 0))) : kBadArguments;
    default:
        return kBadArguments;
    }
}

int32_t PlayerControl::PushFrame(std::span<const DispArg> args)
{
    const auto* payload = static_cast<const uint8_t*>(InArg(args, 0));
    const auto fTime = IntArg(args, 1);
    const auto msec = IntArg(args, 2);
    const auto audio = IntArg(args, 3);
    const auto length = IntArg(args, 4);
    const auto frameType = IntArg(args, 5);
    const auto channel = IntArg(args, 6);
    if (!fTime || !msec || !audio || !length || !frameType || !channel)
        return kBadArguments;
    if (*channel == -1 && !payload && *length == 0) {
        // The reset form: back to the idle picture, as after start-up.
        {
            std::lock_guard lock(m_mutex);
            m_zoom.Reset();
        }
        m_pipeline->Reset();
        m_audio.Clear();
        RequestRepaint();
        return 0;
    }
    if (!payload || *length <= 0 || *length > kMaxPayload || *channel < 0 || *channel >= kChannels)
        return kBadArguments;
    if (*audio) {
        if (*channel == m_current.load() && !m_mute.load())
            m_audio.Play(payload, static_cast<size_t>(*length));
        return 0;
    }
    if (m_keyFramesOnly.load() && *frameType != 1)
        return 0;
    m_pipeline->Push(*channel, payload, static_cast<size_t>(*length), *frameType == 1,
                     FrameStamp{*fTime, std::clamp(*msec, 0, 999)});
    return 0;
}

int32_t PlayerControl::CaptureImage(std::span<const DispArg> args)
{
    const auto alpha = IntArg(args, 0);
    auto* buffer = static_cast<uint8_t*>(OutArg(args, 1));
    if (!alpha || !buffer)
        return kBadArguments;
    Scene scene = TakeScene();
    // A snapshot or a print is looked at closely: every tile fully filtered.
    if (!scene.idle)
        std::tie(scene.pictures, scene.stamps) = m_pipeline->FullPictures();
    KeepTime(m_captured, scene);
    if (scene.idle)
        return kNoPicture;
    // Always the full 704x576 frame, whatever size the control is shown at and however it is zoomed.
    scene.grid = scene.grid.Over(QSize(kScreenWidth, kScreenHeight));
    scene.visible = kWholePicture;
    QImage image = ComposeScreen(scene);
    if (IntArg(args, 5).value_or(0) != 0) {
        QPainter painter(&image);
        DrawOutline(painter, scene);
    }
    const uint8_t a = static_cast<uint8_t>(std::clamp(*alpha, 0, 255));
    const size_t rowBytes = kScreenWidth * 4;
    for (int y = 0; y < kScreenHeight; ++y) {
        // Bottom row first; RGB32 is B, G, R, 0xFF in memory on this little-endian platform.
        uint8_t* row = buffer + static_cast<size_t>(kScreenHeight - 1 - y) * rowBytes;
        std::memcpy(row, image.constScanLine(y), rowBytes);
        for (size_t x = 3; x < rowBytes; x += 4)
            row[x] = a;
    }
    WriteLong(OutArg(args, 2), kScreenWidth);
    WriteLong(OutArg(args, 3), kScreenHeight);
    WriteLong(OutArg(args, 4), kBitsPerPixel);
    return static_cast<int32_t>(rowBytes * kScreenHeight);
}

int32_t PlayerControl::SetLayout(int32_t first, int32_t tiles)
{
    if (!TileGrid::IsValidTileCount(tiles))
        return kBadArguments;
    {
        std::lock_guard lock(m_mutex);
        const TileGrid grid(first, tiles, m_grid.Screen());
        // Even the layout already shown (an open sends it) starts from the whole picture.
        m_zoom.Reset();
        if (tiles == 1)
            m_current.store(grid.First());
        else
            m_previousGrid = grid;
        ApplyGridLocked(grid);
    }
    RequestRepaint();
    return 0;
}

int32_t PlayerControl::SetCurrentChannel(int32_t channel)
{
    if (channel < 0 || channel >= kChannels)
        return kBadArguments;
    {
        std::lock_guard lock(m_mutex);
        if (m_grid.TileOf(channel, m_channelCount) < 0) {
            const TileGrid page(channel, m_grid.Tiles(), m_grid.Screen());
            if (page.Tiles() > 1)
                m_previousGrid = page;
            ApplyGridLocked(page);
        }
    }
    m_current.store(channel);
    // The sound follows the current channel from its next packet on.
    m_audio.Clear();
    RequestRepaint();
    return 0;
}

int32_t PlayerControl::SetChannelCount(int32_t count)
{
    int32_t previous = 0;
    {
        std::lock_guard lock(m_mutex);
        previous = m_channelCount;
        m_channelCount = std::clamp(count, 0, static_cast<int32_t>(kChannels));
        ApplyGridLocked(m_grid);
    }
    RequestRepaint();
    return previous;
}

int32_t PlayerControl::SetChannelTitle(std::span<const DispArg> args)
{
    const auto channel = IntArg(args, 0);
    const auto text = TextArg(args, 1);
    if (!channel || !text || *channel < 0 || *channel >= kChannels)
        return kBadArguments;
    {
        std::lock_guard lock(m_mutex);
        m_titles[*channel] = text->left(kTitleLength);
    }
    RequestRepaint();
    return 0;
}

int32_t PlayerControl::SetText(QString& target, std::span<const DispArg> args)
{
    const auto text = TextArg(args, 0);
    if (!text)
        return kBadArguments;
    {
        std::lock_guard lock(m_mutex);
        target = *text;
    }
    RequestRepaint();
    return 0;
}

int32_t PlayerControl::QueryRunning(std::span<const DispArg> args)
{
    const int32_t running = m_pipeline->IsRunning() ? 1 : 0;
    WriteLong(OutArg(args, 0), running);
    return running;
}

int32_t PlayerControl::SetOption(std::atomic<int32_t>& option, std::span<const DispArg> args)
{
    const auto value = IntArg(args, 0);
    if (!value)
        return kBadArguments;
    const int32_t previous = option.exchange(*value);
    RequestRepaint();
    return previous;
}

void PlayerControl::ApplyGridLocked(const TileGrid& grid)
{
    // Another size of the same tiles (full screen) keeps the zoom; other tiles do not.
    if (grid.First() != m_grid.First() || grid.Tiles() != m_grid.Tiles())
        m_zoom.Reset();
    m_grid = grid;
    std::array<QSize, kChannels> sizes{};
    for (int tile = 0; tile < grid.Tiles(); ++tile) {
        const int channel = grid.ChannelOf(tile, m_channelCount);
        if (channel >= 0)
            sizes[channel] = grid.TileRect(tile).size();
    }
    m_pipeline->SetTileSizes(sizes);
}

Scene PlayerControl::TakeScene() const
{
    Scene scene;
    {
        std::lock_guard lock(m_mutex);
        scene.grid = m_grid;
        scene.visible = m_zoom.Visible();
        scene.channelCount = m_channelCount;
        scene.titles = m_titles;
        scene.titleText = m_titleText;
        scene.versionText = m_versionText;
    }
    scene.idle = !m_pipeline->HasShown();
    std::tie(scene.pictures, scene.stamps) = m_pipeline->Pictures();
    scene.showTitles = m_hideTitles.load() == 0;
    scene.showIdleTexts = m_hideIdleTexts.load() == 0;
    return scene;
}

int PlayerControl::TimeChannel(const Scene& scene) const
{
    const int current = m_current.load();
    const int chosen = scene.grid.TileOf(current, scene.channelCount) >= 0 ? current
                                                                           : scene.grid.ChannelOf(0, scene.channelCount);
    if (chosen >= 0 && scene.stamps[chosen].IsValid())
        return chosen;
    for (int tile = 0; tile < scene.grid.Tiles(); ++tile) {
        const int channel = scene.grid.ChannelOf(tile, scene.channelCount);
        if (channel >= 0 && scene.stamps[channel].IsValid())
            return channel;
    }
    return -1;
}

void PlayerControl::KeepTime(AtomicChannelStamp& kept, const Scene& scene) const
{
    const int channel = scene.idle ? -1 : TimeChannel(scene);
    kept.Store(channel, channel >= 0 ? scene.stamps[channel] : FrameStamp{});
}

int32_t PlayerControl::GiveTime(const AtomicChannelStamp& kept, std::span<const DispArg> args)
{
    FrameStamp stamp;
    const int channel = kept.Load(stamp);
    if (channel >= 0) {
        WriteLong(OutArg(args, 0), stamp.fTime);
        WriteLong(OutArg(args, 1), stamp.msec);
    }
    return channel;
}

void PlayerControl::DrawOutline(QPainter& painter, const Scene& scene) const
{
    if (scene.idle || scene.grid.Tiles() == 1 || m_hideOutline.load())
        return;
    const int tile = scene.grid.TileOf(m_current.load(), scene.channelCount);
    if (tile < 0)
        return;
    painter.setPen(QPen(QColor(255, 200, 0), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(scene.grid.TileRect(tile).adjusted(1, 1, -1, -1));
}

void PlayerControl::resizeEvent(QResizeEvent*)
{
    {
        // Larger tiles decode larger pictures from each channel's next frame on.
        std::lock_guard lock(m_mutex);
        m_previousGrid = m_previousGrid.Over(size());
        ApplyGridLocked(m_grid.Over(size()));
    }
    Redraw();
}

void PlayerControl::paintEvent(QPaintEvent*)
{
    // The refresh's scene, unless newer pictures came since.
    const Scene scene = m_refreshed && !m_repaintPending.load() ? std::move(*m_refreshed) : TakeScene();
    m_refreshed.reset();
    QPainter painter(this);
    painter.drawImage(0, 0, ComposeScreen(scene));
    DrawOutline(painter, scene);
    KeepTime(m_painted, scene);
}

int PlayerControl::ChannelAt(QPoint point) const
{
    std::lock_guard lock(m_mutex);
    return m_grid.ChannelOf(m_grid.TileAt(point), m_channelCount);
}

void PlayerControl::mousePressEvent(QMouseEvent* event)
{
    const int channel = ChannelAt(event->position().toPoint());
    if (m_mode.load() == 0 || channel < 0)
        return;
    if (event->button() == Qt::RightButton) {
        Fire(kEvent4, channel, 0);
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    m_panFrom = event->position();
    m_current.store(channel);
    m_audio.Clear();
    Redraw();
    Fire(kEvent3, channel, 0);
}

void PlayerControl::mouseDoubleClickEvent(QMouseEvent* event)
{
    const int channel = ChannelAt(event->position().toPoint());
    if (m_mode.load() == 0 || channel < 0 || event->button() != Qt::LeftButton)
        return;
    int tiles = 1;
    {
        std::lock_guard lock(m_mutex);
        if (m_grid.Tiles() > 1) {
            m_previousGrid = m_grid;
            ApplyGridLocked(TileGrid(channel, 1, m_grid.Screen()));
        } else {
            ApplyGridLocked(m_previousGrid);
        }
        tiles = m_grid.Tiles();
    }
    m_current.store(channel);
    Redraw();
    Fire(kLayoutToggled, channel, tiles);
}

void PlayerControl::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_panFrom || !(event->buttons() & Qt::LeftButton))
        return;
    {
        std::lock_guard lock(m_mutex);
        if (!m_zoom.IsZoomed())
            return;
        m_zoom.Pan(ToTileFractionLocked(event->position()) - ToTileFractionLocked(*m_panFrom));
    }
    m_panFrom = event->position();
    Redraw();
}

void PlayerControl::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_panFrom.reset();
}

void PlayerControl::wheelEvent(QWheelEvent* event)
{
    const double notches = event->angleDelta().y() / kWheelNotch;
    {
        std::lock_guard lock(m_mutex);
        if (notches == 0 || !CanZoomLocked(event->position())) {
            event->ignore();
            return;
        }
        m_zoom.ZoomAbout(ToTileFractionLocked(event->position()), std::pow(kZoomPerNotch, notches));
    }
    Redraw();
}

bool PlayerControl::CanZoomLocked(QPointF point) const
{
    return m_mode.load() != 0 && m_grid.Tiles() == 1 && m_pipeline->HasShown() &&
           m_grid.ChannelOf(m_grid.TileAt(point.toPoint()), m_channelCount) >= 0;
}

QPointF PlayerControl::ToTileFractionLocked(QPointF point) const
{
    const QRectF tile(m_grid.TileRect(0));
    return QPointF((point.x() - tile.x()) / tile.width(), (point.y() - tile.y()) / tile.height());
}

void PlayerControl::RequestRepaint() { m_repaintPending.store(true); }

void PlayerControl::Redraw()
{
    m_refreshed.reset();
    update();
}

void PlayerControl::OnRefresh()
{
    if (!m_repaintPending.exchange(false))
        return;
    m_refreshed = TakeScene();
    KeepTime(m_painted, *m_refreshed);
    update();
    // The owner can put the time beside the pictures in the same paint.
    Fire(kPictureChanging, 0, 0);
}

void PlayerControl::Fire(int32_t event, int32_t arg1, int32_t arg2)
{
    if (m_sink)
        m_sink->OnDisplayEvent(event, arg1, arg2);
}

} // namespace display
