#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <span>
#include <thread>
#include <optional>
#include <tuple>

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QTest>
#include <QThread>
#include <QWheelEvent>
#include <QWidget>

#include "app/startup/ControlLibrary.h"
#include "display/CVorquil_Ctrl_Player.h"
#include "display/ControlRegistry.h"
#include "display/DispId.h"
#include "display/SampleStreams.h"
#include "display/SystemDirectory.h"
#include "display/control/DecodePipeline.h"
#include "display/control/DecoderLibrary.h"
#include "display/control/PaceMeter.h"

namespace {

using testsupport::BarProbe;
using testsupport::SampleColour;
using testsupport::SampleFrame;
using testsupport::SampleStreams;
using Event = std::array<int32_t, 3>; // id, arg1, arg2

constexpr int32_t kCaptureBytes = 704 * 576 * 4;
const QColor kEmptyTile(34, 36, 40);

// Alike within a tolerance, and both opaque or neither.
bool Near(QColor a, QColor b, int tolerance = 24)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance && a.alpha() == b.alpha();
}

QRect TileRect(int tile, int tiles)
{
    const int side = tiles == 1 ? 1 : tiles == 4 ? 2 : tiles == 9 ? 3 : 4;
    const int col = tile % side, row = tile / side;
    return QRect(QPoint(col * 704 / side, row * 576 / side),
                 QPoint((col + 1) * 704 / side - 1, (row + 1) * 576 / side - 1));
}

// Where a tile shows its picture's plain background.
QPoint TileProbe(int tile, int tiles) { return testsupport::BackgroundProbe(TileRect(tile, tiles)); }

bool Lit(const QImage& image, QPoint at, int lightness = 230) { return image.pixelColor(at).lightness() > lightness; }

int LitCount(const QImage& image, const QRect& area, int lightness = 230)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += Lit(image, {x, y}, lightness);
    return count;
}

// The display control as the player gets it: the library loaded by its bare name and
// registered, the control made from its class identifier and reached through the wrapper, fed
// with sample recordings that the real decoder decodes.
class PlayerControlTest : public ::testing::Test, public display::DisplayEventSink {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_library.LoadAndRegister());
        const auto instance = display::ControlRegistry::Create(display::kPlayerControlClassId, nullptr, this);
        ASSERT_NE(instance.widget, nullptr);
        m_widget.reset(instance.widget);
        m_player.Attach(instance.target);
        m_player.SetMode(3, 0);
    }
    // Events come from the mouse handlers, on this thread; the notices of new pictures are left out.
    void OnDisplayEvent(int32_t id, int32_t arg1, int32_t arg2) override
    {
        if (id != display::kPictureChanging)
            m_events.push_back({id, arg1, arg2});
    }

    // A sample recording of all 16 channels, made once per test program.
    static const SampleStreams& Sample()
    {
        static const SampleStreams sample = SampleStreams::Make(16);
        return sample;
    }
    void Push(int channel, const SampleFrame& frame)
    {
        const auto size = static_cast<int32_t>(frame.data.size());
        m_player.PushFrame(frame.data.data(), 1'700'000'000, 0, 0, size, frame.key ? 1 : 0, channel);
    }
    // At the pace the control decodes, so that it drops nothing (any thread).
    void PushAll(int channel, const std::vector<SampleFrame>& frames)
    {
        for (size_t i = 0; i < frames.size(); ++i) {
            Push(channel, frames[i]);
            for (int32_t running = i % 6 == 5; running; m_player.QueryRunning(&running))
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    void PushEveryChannel(int channels = 16)
    {
        for (int k = 0; k < channels; ++k)
            PushAll(k, Sample().channels[k]);
        WaitIdle();
    }
    // Until the control has nothing queued or decoding; then it may draw.
    void WaitIdle()
    {
        for (int32_t running = 1; running; m_player.QueryRunning(&running)) {
            QCoreApplication::processEvents();
            QThread::msleep(1);
        }
        QCoreApplication::processEvents();
    }
    // CaptureImage (bottom row first, B G R A) turned top row first; a null image when the
    // control reports no picture. Every capture fills its 32-bit picture and no byte past it.
    QImage Capture()
    {
        std::vector<uint8_t> buffer(display::kCaptureBufferSize, 0xAB);
        int32_t width = 0, height = 0, bits = 0;
        const int32_t written = m_player.CaptureImage(buffer.data(), &width, &height, &bits);
        if (written < 0)
            return {};
        EXPECT_EQ(std::tie(written, width, height, bits), std::tuple(kCaptureBytes, 704, 576, 32));
        const auto tail = std::span(buffer).subspan(kCaptureBytes);
        EXPECT_TRUE(std::all_of(tail.begin(), tail.end(), [](uint8_t b) { return b == 0xAB; }));
        return QImage(buffer.data(), 704, 576, 704 * 4, QImage::Format_ARGB32).mirrored();
    }
    QImage Screen() const { return m_widget->grab().toImage(); }
    bool TileShows(int tile, int tiles, QColor colour)
    {
        return Near(Capture().pixelColor(TileProbe(tile, tiles)), colour);
    }
    void Click(int tile, int tiles, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(m_widget.get(), button, {}, TileProbe(tile, tiles));
    }
    void DoubleClick(int tile, int tiles)
    {
        QTest::mouseDClick(m_widget.get(), Qt::LeftButton, {}, TileProbe(tile, tiles));
    }
    // Two notches towards the viewer.
    void Wheel(QPoint at)
    {
        QWheelEvent event(at, m_widget->mapToGlobal(at), {}, {0, 240}, Qt::NoButton, {}, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(m_widget.get(), &event);
    }

    app::ControlLibrary m_library;
    std::unique_ptr<QWidget> m_widget;
    display::CVorquil_Ctrl_Player m_player;
    std::vector<Event> m_events;
};

class PayloadFormatTest : public PlayerControlTest, public ::testing::WithParamInterface<int> {};

// Format 3 hands the recorder's block over with the frame. Here the block holds the parameter
// sets of a 64x64 stream: if they reached the decoder, they would replace the channel's own
// and wreck every picture after the key frame.
const std::vector<uint8_t> kForeignSets{0, 0, 0, 1, 0x67, 0x42, 0xC0, 0x0A, 0xD9, 0x04, 0x26, 0xC0,
                                        0x44, 0, 0, 3, 0, 4, 0, 0, 3, 0, 0xC8, 0x3C, 0x48, 0x99,
                                        0x20, 0, 0, 0, 1, 0x68, 0xCB, 0x83, 0xCB, 0x20};

TEST_P(PayloadFormatTest, DecodesIntoTheChannelsTileUpToTheLatestFrame)
{
    auto frames = SampleStreams::Make(3, GetParam()).channels[2];
    if (GetParam() == 3)
        for (SampleFrame& frame : frames)
            std::copy(kForeignSets.begin(), kForeignSets.end(), frame.data.begin() + 8);
    if (GetParam() == 2) // the key frame's parameter set behind a three-byte start code
        frames[0].data.erase(frames[0].data.begin());
    m_player.SetLayout(0, 4);
    PushAll(2, frames);
    WaitIdle();
    const QImage capture = Capture();
    EXPECT_TRUE(Near(capture.pixelColor(TileProbe(2, 4)), SampleColour(2)));
    // The last frame's sweeping bar, in the half-size tile.
    EXPECT_TRUE(Lit(capture, QPoint(0, 288) + BarProbe(static_cast<int>(frames.size()) - 1) / 2));
}

INSTANTIATE_TEST_SUITE_P(VideoFormat, PayloadFormatTest, ::testing::Values(0, 1, 2, 3, 4));

// Every page is drawn from the frames pushed once while all 16 tiles were on screen: a
// channel that comes back into view shows its last picture again without a new frame.
TEST_F(PlayerControlTest, EachLayoutShowsItsPageOfChannelsWithTitlesFromTheirLastFrames)
{
    struct Page {
        int first, tiles, channelCount, pageStart; // tiles past the channel count stay empty
    };
    const Page pages[] = {{0, 16, 16, 0}, {5, 4, 16, 4}, {13, 9, 16, 9},
                          {3, 16, 2, 0},  {-3, 4, 16, 0}, {40, 1, 16, 15}};
    for (int k = 0; k < 16; ++k)
        m_player.SetChannelTitle(k, u"CH-" + std::u16string(1, char16_t(u'A' + k)));
    m_player.SetLayout(0, 16);
    PushEveryChannel();
    for (const Page& page : pages) {
        SCOPED_TRACE(testing::Message() << page.first << " " << page.tiles << " of " << page.channelCount);
        m_player.SetChannelCount(page.channelCount);
        m_player.SetLayout(page.first, page.tiles);
        WaitIdle();
        const QImage capture = Capture();
        for (int tile = 0; tile < page.tiles; ++tile) {
            const int channel = page.pageStart + tile;
            const bool shown = channel < page.channelCount;
            const QColor want = shown ? SampleColour(channel) : kEmptyTile;
            EXPECT_TRUE(Near(capture.pixelColor(TileProbe(tile, page.tiles)), want)) << "tile " << tile;
            const QRect title(TileRect(tile, page.tiles).topLeft() + QPoint(4, 3), QSize(40, 14));
            EXPECT_TRUE(page.tiles < 16 || !shown || LitCount(capture, title) > 10) << tile;
        }
    }
}

// A stop (or a flush) or a time out of view loses a decoder its place in the stream: the frames
// up to the next key frame continue nothing and must leave the picture as it is. They come
// from another stream here, in another colour.
TEST_F(PlayerControlTest, AfterAStopOrBeingHiddenAChannelKeepsItsPictureUntilItsNextKeyFrame)
{
    const auto& own = Sample().channels[0];
    const auto other = SampleStreams::Make(2, 2, 2).channels[1]; // key, P, key, P, ...
    const std::function<void()> breaks[] = {
        [&] {
            for (const SampleFrame& frame : own)
                Push(0, frame);
            m_player.Stop();
            int32_t running = -1;
            m_player.QueryRunning(&running);
            EXPECT_EQ(running, 0);
        },
        [&] {
            m_player.SetLayout(1, 1);
            PushAll(0, other);
            m_player.SetLayout(0, 1);
        },
    };
    m_player.SetLayout(0, 1);
    for (const auto& interrupt : breaks) {
        SCOPED_TRACE(&interrupt - breaks);
        PushAll(0, own);
        WaitIdle();
        interrupt();
        WaitIdle();
        const QImage before = Capture();
        EXPECT_TRUE(Near(before.pixelColor(TileProbe(0, 1)), SampleColour(0)));
        Push(0, other[1]);
        WaitIdle();
        EXPECT_EQ(Capture(), before);
        Push(0, other[2]);
        WaitIdle();
        EXPECT_TRUE(TileShows(0, 1, SampleColour(1)));
    }
}

TEST_F(PlayerControlTest, ClicksSelectAndSwitchBetweenSingleViewAndGridExceptInModeZeroOrOnEmptyTiles)
{
    m_player.SetChannelCount(3);
    m_player.SetLayout(0, 4);
    PushEveryChannel(3);
    Click(1, 4, Qt::RightButton); // reported, not selected
    Click(3, 4);                  // empty
    DoubleClick(3, 4);
    Click(2, 4);
    EXPECT_EQ(m_player.CurrentChannel(), 2);
    // The outline marks the current tile on screen but never in a capture.
    const QPoint edge = TileRect(2, 4).topLeft() + QPoint(1, 1);
    EXPECT_TRUE(Near(Screen().pixelColor(edge), QColor(255, 200, 0), 10));
    EXPECT_EQ(Capture().pixelColor(edge), Capture().pixelColor(edge + QPoint(3, 3)));

    DoubleClick(2, 4);
    PushAll(2, Sample().channels[2]);
    WaitIdle();
    EXPECT_TRUE(TileShows(0, 1, SampleColour(2)));
    DoubleClick(0, 1);
    PushEveryChannel(3);
    EXPECT_TRUE(TileShows(0, 4, SampleColour(0)));

    m_player.SetMode(0, 0);
    Click(1, 4);
    Click(1, 4, Qt::RightButton);
    DoubleClick(1, 4);
    EXPECT_EQ(m_player.CurrentChannel(), 2);
    EXPECT_EQ(m_events, (std::vector<Event>{{4, 1, 0}, {3, 2, 0}, {6, 2, 1}, {6, 2, 4}}));
}

// Only in the single view, on screen only, until the next layout.
TEST_F(PlayerControlTest, WheelZoomsTheSingleTileAboutThePointerDragPansAndCaptureStaysWhole)
{
    m_player.SetLayout(0, 1);
    Push(0, Sample().channels[0][0]);
    WaitIdle();
    // Frame 0's white bar spans x 0..47; beside it lies the plain background.
    const QPoint bar = BarProbe(0), beside = bar + QPoint(36, 0);
    ASSERT_FALSE(Lit(Screen(), beside));
    Wheel(bar); // two notches: twice the size, the bar still under the pointer
    EXPECT_TRUE(Lit(Screen(), bar));
    EXPECT_TRUE(Lit(Screen(), beside));
    EXPECT_TRUE(Near(Capture().pixelColor(beside), SampleColour(0))) << "the capture is the whole frame";
    // Dragged 100 picture pixels to the right: the bar leaves the view.
    QTest::mousePress(m_widget.get(), Qt::LeftButton, {}, bar);
    const QPoint to = bar - QPoint(200, 0);
    QMouseEvent move(QEvent::MouseMove, to, m_widget->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, {});
    QCoreApplication::sendEvent(m_widget.get(), &move);
    QTest::mouseRelease(m_widget.get(), Qt::LeftButton, {}, to);
    EXPECT_TRUE(Near(Screen().pixelColor(bar), SampleColour(0)));

    m_player.SetLayout(0, 4);
    WaitIdle();
    const QImage grid = Screen();
    Wheel(TileProbe(0, 4));
    EXPECT_EQ(Screen(), grid) << "the grid is never zoomed";
    m_player.SetLayout(0, 1);
    WaitIdle();
    EXPECT_FALSE(Lit(Screen(), beside)) << "a new layout shows the whole picture";
}

// Three GOPs handed over at once are far more than a channel may have waiting. An open after
// play, whether the recording opens or not, then ends in a flush and the reset form.
TEST_F(PlayerControlTest, ABehindChannelDropsUpToItsNextKeyFrameAndTheResetFormReturnsEveryTileToIdle)
{
    // Before the first frame: the idle picture with its title, and nothing to capture.
    m_player.SetTitleText(u"Kelvora Player");
    const QImage idle = Screen();
    EXPECT_GT(LitCount(idle, QRect(0, 250, 704, 36), 90), 50);
    EXPECT_TRUE(Capture().isNull());
    m_player.SetLayout(0, 16);
    const auto burst = SampleStreams::Make(1, 2, 25, 3).channels[0];
    for (const SampleFrame& frame : burst)
        Push(0, frame);
    WaitIdle();
    const int32_t dropped = m_player.DroppedFrames(0);
    EXPECT_GT(dropped, 0);
    EXPECT_LT(dropped, static_cast<int32_t>(burst.size()));
    // What is shown was decoded from a key frame on: a clean picture of the channel.
    EXPECT_TRUE(TileShows(0, 16, SampleColour(0)));
    // Handed over at the pace they decode, no channel drops a frame, and the last frames show.
    PushEveryChannel();
    EXPECT_TRUE(Lit(Capture(), BarProbe(24) / 4));
    for (int k = 0; k < 16; ++k)
        EXPECT_EQ(m_player.DroppedFrames(k), k == 0 ? dropped : 0) << k;

    m_player.Flush();
    m_player.PushReset();
    // No layout brings a picture of before back, and no decoder continues one: a P frame
    // after the reset shows nothing.
    for (int tiles : {1, 4, 9, 16}) {
        SCOPED_TRACE(tiles);
        m_player.SetLayout(0, tiles);
        WaitIdle();
        EXPECT_TRUE(Capture().isNull());
        EXPECT_EQ(Screen(), idle);
    }
    for (int k = 0; k < 16; ++k)
        Push(k, Sample().channels[k][1]);
    WaitIdle();
    EXPECT_TRUE(Capture().isNull());
    EXPECT_EQ(Screen(), idle);
    // The next recording, of one channel, shows from its first key frame, and no other tile
    // brings back a picture of before.
    PushAll(0, Sample().channels[0]);
    WaitIdle();
    for (int k = 0; k < 16; ++k)
        EXPECT_TRUE(TileShows(k, 16, k == 0 ? SampleColour(0) : kEmptyTile)) << k;
}

// A burst into a small tile decodes the quick way. Whatever ends that (a pause, a snapshot,
// another layout, a zoom, frames at their pace again), the tile goes on with the same frames,
// and the picture it keeps on screen or gives a capture is the fully filtered one. Camera-like
// pictures, where the loop filter makes a difference.
TEST_F(PlayerControlTest, AfterAHurriedBurstTheTileGoesOnWithTheSameFramesAndStillPicturesAreFullyFiltered)
{
    const auto frames = SampleStreams::Make(1, 2, 25, 1, true).channels[0];
    const std::vector<SampleFrame> burst(frames.begin(), frames.begin() + 12), rest(frames.begin() + 12, frames.end());
    m_player.SetLayout(0, 16);
    auto paced = [&](const std::vector<SampleFrame>& some) {
        PushAll(0, some);
        WaitIdle();
        return std::pair(Screen(), Capture());
    };
    const auto full11 = paced(burst), full24 = paced(rest);
    const std::pair<const char*, std::function<void()>> switches[] = {
        {"pause", [] {}},
        {"layout", [&] { m_player.SetLayout(0, 4); }},
        {"zoom", [&] { m_player.SetLayout(0, 1), WaitIdle(), Wheel(QPoint(300, 300)); }},
        {"snapshot", [&] {
             // Frames of a channel not on screen keep playback going meanwhile: no pause.
             m_player.SetChannelCount(1);
             for (int i = 0; i < 30; ++i)
                 Push(1, frames[1]), QThread::msleep(10);
             EXPECT_EQ(Capture(), full11.second);
             m_player.SetChannelCount(16);
         }},
    };
    for (const auto& [name, change] : switches) {
        SCOPED_TRACE(name);
        m_player.PushReset();
        for (const SampleFrame& frame : burst)
            Push(0, frame);
        change();
        m_player.SetLayout(0, 16);
        WaitIdle();
        EXPECT_EQ(Screen(), full11.first);
        EXPECT_EQ(Capture(), full11.second);
        EXPECT_EQ(paced(rest), full24);
    }
}

std::mutex g_logMutex;
std::vector<std::pair<std::chrono::steady_clock::time_point, std::string>> g_log;

// However long a damaged stream lasts, its decoder's complaints come at most one a second.
TEST_F(PlayerControlTest, ADamagedStreamComplainsAtMostOnceASecondNamingItsChannelAndRecovers)
{
    auto frames = Sample().channels[6];
    // Every frame after the key frame has garbage in its middle.
    uint32_t noise = 12345;
    for (size_t i = 1; i < frames.size(); ++i)
        for (size_t b = frames[i].data.size() / 3; b < frames[i].data.size() * 2 / 3; ++b)
            frames[i].data[b] = static_cast<uint8_t>((noise = noise * 1103515245 + 12345) >> 16);
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& text) {
            std::lock_guard lock(g_logMutex);
            g_log.emplace_back(std::chrono::steady_clock::now(), text.toStdString());
        });
    m_player.SetLayout(0, 16);
    PushAll(6, frames);
    WaitIdle();
    qInstallMessageHandler(previous);
    std::lock_guard lock(g_logMutex);
    ASSERT_FALSE(g_log.empty());
    EXPECT_EQ(g_log[0].second.rfind("CH-7: ", 0), 0u) << g_log[0].second;
    for (size_t i = 1; i < g_log.size(); ++i)
        EXPECT_GE(g_log[i].first - g_log[i - 1].first, std::chrono::milliseconds(999)) << i;
    PushAll(6, Sample().channels[6]);
    WaitIdle();
    EXPECT_TRUE(TileShows(6, 16, SampleColour(6)));
}

TEST_F(PlayerControlTest, BadCallsAreRefusedWithoutHarm)
{
    const std::vector<uint8_t> garbage{0, 0, 0, 1, 0x67, 0xFF, 0x13, 0x00, 0x42, 0x99};
    const uint8_t* p = garbage.data();
    const struct {
        const uint8_t* payload;
        int32_t length, channel;
    } calls[] = {{p, 10, 16}, {p, -5, 0}, {nullptr, 10, 0}, {p, 10, 0}, {p, 3, 0}};
    for (const auto& call : calls)
        m_player.PushFrame(call.payload, 0, 0, 0, call.length, 1, call.channel);
    m_player.SetLayout(0, 3);
    const std::array<display::DispArg, 1> wrongType{display::DispArg(u"text")};
    EXPECT_LT(m_player.Invoke(display::kSetLayout, wrongType), 0);
    EXPECT_LT(m_player.Invoke(display::kCaptureImage, {}), 0);
    EXPECT_LT(m_player.Invoke(999, {}), 0);
    WaitIdle();
    EXPECT_TRUE(Capture().isNull());
}

TEST_F(PlayerControlTest, PushFromOneThreadWhileAnotherFlushesLaysOutAndCaptures)
{
    std::atomic<bool> done{false};
    std::thread play([&] {
        for (int k = 0; k < 16; ++k)
            PushAll(k, Sample().channels[k]);
        done = true;
    });
    int32_t running;
    for (int i = 0; !done; ++i) {
        m_player.SetLayout(i % 16, std::array{1, 4, 9, 16}[i % 4]);
        Capture();
        m_player.QueryRunning(&running);
        if (i % 3 == 0)
            m_player.Flush();
        QCoreApplication::processEvents();
    }
    play.join();
    m_player.SetLayout(0, 16);
    PushEveryChannel();
    for (int k = 0; k < 16; ++k)
        EXPECT_TRUE(TileShows(k, 16, SampleColour(k))) << "channel " << k;
}

// One channel alone on screen, handed over at 100x, more than one lane decodes: its groups of
// pictures are decoded side by side, yet the screen gets its pictures in the order of the
// frames, each the frame its stamp names, and the last frame last; also when a new tile size
// has the picture drawn again meanwhile.
TEST(DecodePipelineTest, OneChannelPlayedFastShowsItsFramesInOrderWhileItsGroupsDecodeSideBySide)
{
    display::DecoderLibrary library;
    ASSERT_TRUE(library.Load(display::SystemDirectory()));
    std::mutex mutex;
    std::vector<std::pair<int, bool>> shown; // the frame of each picture, and whether it shows it
    std::unique_ptr<display::DecodePipeline> pipeline;
    pipeline = std::make_unique<display::DecodePipeline>(library, std::chrono::milliseconds(0), [&] {
        // Read and noted under one lock, so that the notes keep the order of the reads.
        std::lock_guard lock(mutex);
        const auto [pictures, stamps] = pipeline->Pictures();
        const int frame = static_cast<int>(stamps[0].Milliseconds() / 40);
        const bool whole = pictures[0].size() == QSize(704, 576);
        shown.emplace_back(frame, !whole || Lit(pictures[0], BarProbe(frame) + QPoint(16, 0)));
    });
    std::array<QSize, 16> tiles;
    auto resize = [&](QSize size) {
        tiles[0] = size;
        pipeline->SetTileSizes(tiles);
    };
    resize(QSize(704, 576));
    // Up to a key frame, which is never dropped, so that the last frame is on screen.
    auto frames = SampleStreams::Make(1, 2, 10, 30).channels[0];
    frames.resize(741);
    const auto start = std::chrono::steady_clock::now();
    for (size_t i = 0; i < frames.size(); ++i) {
        std::this_thread::sleep_until(start + std::chrono::microseconds(400 * i));
        const int ms = static_cast<int>(i) * 40;
        pipeline->Push(0, frames[i].data.data(), frames[i].data.size(), frames[i].key, {ms / 1000, ms % 1000});
        if (i % 100 == 50)
            resize(i % 200 == 50 ? QSize(352, 288) : QSize(704, 576));
    }
    while (pipeline->IsRunning())
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    pipeline.reset();
    ASSERT_FALSE(shown.empty());
    for (size_t k = 0; k < shown.size(); ++k) {
        EXPECT_TRUE(shown[k].second) << "picture " << k << " is not frame " << shown[k].first;
        EXPECT_GE(shown[k].first, shown[k ? k - 1 : 0].first) << "picture " << k << " goes back";
    }
    EXPECT_EQ(shown.back().first, static_cast<int>(frames.size()) - 1);
}

// One worker, held in the picture callback until everything is queued, so that what is
// dropped, and the order in which the channels are served, do not depend on how fast it decodes.
TEST(DecodePipelineTest, ABehindChannelDropsUpToItsNextKeyFrameWithinItsBoundAndStarvesNoOther)
{
    display::DecoderLibrary library;
    ASSERT_TRUE(library.Load(display::SystemDirectory()));
    std::mutex mutex;
    std::condition_variable changed;
    unsigned held = 0;
    bool open = false;
    // Whether a tile shows frame i (where frame i-1 did not reach).
    auto shows = [](const QImage& tile, int i) { return !tile.isNull() && Lit(tile, (BarProbe(i) + QPoint(16, 0)) / 4); };
    std::optional<bool> longThroughFirst; // taken when the short channel is through
    std::unique_ptr<display::DecodePipeline> pipeline;
    pipeline = std::make_unique<display::DecodePipeline>(library, std::chrono::milliseconds(0), [&] {
        std::unique_lock lock(mutex);
        ++held;
        changed.notify_all();
        changed.wait(lock, [&] { return open; });
        const auto pictures = pipeline->Pictures().first;
        if (!longThroughFirst && shows(pictures[1], 2))
            longThroughFirst = shows(pictures[2], 29);
    }, 1);
    std::array<QSize, 16> tiles;
    tiles.fill(QSize(176, 144));
    pipeline->SetTileSizes(tiles);
    const auto sample = SampleStreams::Make(3, 2, 25, 3);
    auto push = [&](int k, int from, int to) {
        for (int i = from; i < to; ++i) {
            const SampleFrame& f = sample.channels[std::min(k, 2)][i];
            pipeline->Push(k, f.data.data(), f.data.size(), f.key);
        }
    };
    for (int k = 3; k < 16; ++k)
        push(k, 0, 1);
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return held >= 1; });
    }
    // 32 frames wait; the rest of the group is dropped, then at the next key frame the 32.
    push(0, 0, 50);
    EXPECT_EQ(pipeline->Dropped(0), 18u);
    push(0, 50, 51);
    EXPECT_EQ(pipeline->Dropped(0), 50u);
    push(0, 51, 75);
    EXPECT_EQ(pipeline->Dropped(0), 50u) << "the group after a key frame is taken again";
    push(2, 0, 30);
    // A pause flushes while frames wait; a step then hands over the next one, which needs them.
    push(1, 0, 3);
    pipeline->Flush();
    push(1, 3, 4);
    {
        std::lock_guard lock(mutex);
        open = true;
    }
    changed.notify_all();
    while (pipeline->IsRunning())
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(pipeline->Dropped(2) + pipeline->Dropped(1), 0u);
    EXPECT_TRUE(shows(pipeline->Pictures().first[0], 74)) << "the last frame is on screen";
    EXPECT_TRUE(shows(pipeline->Pictures().first[1], 3)) << "the step after the flush";
    // Channels take turns: the short one is through long before the long one.
    pipeline.reset();
    EXPECT_EQ(longThroughFirst, std::optional(false));
}

// Frames every step ms of wall time and recorded ms apart, then a last one after gap ms.
TEST(PaceMeterTest, TellsPlaybackFasterThanOneXFromThePushesAlone)
{
    const struct {
        const char* what;
        int step, recorded, count, gap, lastRecorded;
        bool fast, backward;
    } cases[] = {
        {"1x, paced a little early", 36, 40, 30, 36, 40, false, false},
        {"2x", 20, 40, 30, 20, 40, true, false},
        {"4x in reverse", 10, -40, 60, 10, -40, true, true},
        {"2x, not yet a whole window", 20, 40, 5, 20, 40, false, false},
        {"2x, then a pause", 20, 40, 30, 200, 40, false, false},
        {"1x across a seek", 40, 40, 10, 40, 30'000, false, false},
        {"1.2x counts as 1x", 33, 40, 30, 33, 40, false, false},
        {"1.6x", 25, 40, 30, 25, 40, true, false},
    };
    for (const auto& c : cases) {
        display::PaceMeter meter;
        auto now = display::PaceMeter::Clock::time_point() + std::chrono::hours(1);
        int64_t recorded = 1'700'000'000'000;
        for (int i = 0; i < c.count; ++i, now += std::chrono::milliseconds(c.step), recorded += c.recorded)
            meter.Note(recorded, now);
        meter.Note(recorded + c.lastRecorded, now + std::chrono::milliseconds(c.gap - c.step));
        EXPECT_EQ(meter.Backward(), c.backward) << c.what;
        EXPECT_EQ(meter.Fast(), c.fast) << c.what;
    }
}

} // namespace
