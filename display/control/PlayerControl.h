#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>

#include <QTimer>
#include <QWidget>

#include "display/DispatchTarget.h"
#include "display/control/AtomicChannelStamp.h"
#include "display/control/AudioOutput.h"
#include "display/control/DecoderLibrary.h"
#include "display/control/DigitalZoom.h"
#include "display/control/Scene.h"
#include "display/control/TileGrid.h"

namespace display {

class DecodePipeline;

// The display control: a 704x576 widget (larger in full screen, with larger tiles) that decodes the payloads it is handed on worker
// threads and shows the channels in 1, 4, 9 or 16 tiles, plays the current channel's sound,
// and lets the user pick and enlarge a tile. In the single-tile layout the mouse wheel zooms
// the picture about the pointer (1x to 8x) and dragging pans it; a new layout, channel or
// recording shows the whole picture again, and CaptureImage always takes the whole picture. It is driven only through Invoke, from the GUI
// thread and the play thread at once; the widget itself is touched on the GUI thread only.
//
// SetCurrentChannel (16) makes a channel current as a click on its tile does, showing its page
// of tiles when it is off screen, without firing an event.
//
// Events: 3 (channel, 0) a click made a channel current; 4 (channel, 0) a right click on a
// channel's tile; 6 (channel, tiles) a double-click switched between a channel's single view
// and the previous grid.
//
// DISPIDs 44 to 48 are display options, each taking one long (0 is the normal look) and
// returning the previous value: 44 hides the channel titles, 45 hides the selection outline,
// 46 decodes key frames only, 47 hides the idle picture's texts, 48 mutes the sound.
// DISPID 105 (channel) returns how many of the channel's frames were dropped because its
// decoding was behind, since the control was made (for benchmarks and tests).
// DISPIDs 106 and 107 (address of f_time, address of milliseconds) give the recorded time of
// the picture last painted (106) or last captured (107) for the time channel, and return that
// channel, or -1 when it has no picture. The time channel is the current channel while its tile
// is on screen, else the first tile's; a tile still without a picture gives way to the first
// that has one.
// SetMode: mode 0 ignores the mouse (no recording to pick from); any other mode answers it.
// CaptureImage's first argument is the alpha byte written into every pixel; a non-zero last
// argument draws the selection outline into the capture too.
class PlayerControl : public QWidget, public DispatchTarget {
    Q_OBJECT
public:
    // Longest payload PushFrame accepts.
    static constexpr int32_t kMaxPayload = 8 * 1024 * 1024;

    PlayerControl(QWidget* parent, DisplayEventSink* sink);
    ~PlayerControl() override;

    int32_t Invoke(int32_t dispid, std::span<const DispArg> args) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    int32_t PushFrame(std::span<const DispArg> args);
    int32_t CaptureImage(std::span<const DispArg> args);
    int32_t SetLayout(int32_t first, int32_t tiles);
    int32_t SetChannelCount(int32_t count);
    int32_t SetCurrentChannel(int32_t channel);
    int32_t SetChannelTitle(std::span<const DispArg> args);
    int32_t SetText(QString& text, std::span<const DispArg> args);
    int32_t QueryRunning(std::span<const DispArg> args);
    int32_t SetOption(std::atomic<int32_t>& option, std::span<const DispArg> args);
    void ApplyGridLocked(const TileGrid& grid);
    Scene TakeScene() const;
    int TimeChannel(const Scene& scene) const;
    void KeepTime(AtomicChannelStamp& kept, const Scene& scene) const;
    static int32_t GiveTime(const AtomicChannelStamp& kept, std::span<const DispArg> args);
    void DrawOutline(QPainter& painter, const Scene& scene) const;
    int ChannelAt(QPoint point) const;
    // Whether the picture under a point may be zoomed: a recording's picture alone on screen.
    bool CanZoomLocked(QPointF point) const;
    // A point of the control as a fraction of the single tile.
    QPointF ToTileFractionLocked(QPointF point) const;
    // From any thread: the screen needs drawing at the next refresh.
    void RequestRepaint();
    void OnRefresh();
    // Paints again on the GUI thread, from the state as it is then.
    void Redraw();
    void Fire(int32_t event, int32_t arg1, int32_t arg2);

    DisplayEventSink* m_sink;
    DecoderLibrary m_library;
    AudioOutput m_audio;
    std::unique_ptr<DecodePipeline> m_pipeline;
    QTimer m_refresh;
    std::atomic<bool> m_repaintPending{false};
    // GUI thread only: the scene a refresh took, painted as it is, so that the time given
    // out before the paint is the time of what is painted.
    std::optional<Scene> m_refreshed;

    mutable std::mutex m_mutex; // guards the layout and the texts
    TileGrid m_grid;
    TileGrid m_previousGrid;
    int m_channelCount = kChannels;
    DigitalZoom m_zoom;
    std::array<QString, kChannels> m_titles;
    QString m_titleText;
    QString m_versionText;

    // Where the last pan step of a left-button drag ended (GUI thread only).
    std::optional<QPointF> m_panFrom;

    AtomicChannelStamp m_painted;
    AtomicChannelStamp m_captured;
    std::atomic<int32_t> m_current{0};
    std::atomic<int32_t> m_mode{0};
    std::atomic<int32_t> m_hideTitles{0};
    std::atomic<int32_t> m_hideOutline{0};
    std::atomic<int32_t> m_keyFramesOnly{0};
    std::atomic<int32_t> m_hideIdleTexts{0};
    std::atomic<int32_t> m_mute{0};
};

} // namespace display
