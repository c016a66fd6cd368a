#include <array>
#include <atomic>
#include <climits>
#include <cstdlib>
#include <functional>
#include <map>
#include <thread>

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

namespace {

using testsupport::BarProbe;
using testsupport::SampleColour;
using testsupport::SampleFrame;
using testsupport::SampleStreams;
using Event = std::array<int32_t, 3>; // id, arg1, arg2

const QColor kEmptyTile(34, 36, 40);
const QColor kIdleBackground(20, 22, 26);
const QColor kOutline(255, 200, 0);

bool Near(QColor a, QColor b, int tolerance = 24)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
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

// The pixels of an area that are lit, and the leftmost and rightmost of their columns.
struct LitPixels {
    int count = 0, left = INT_MAX, right = -1;
    LitPixels(const QImage& image, const QRect& area, int lightness = 230)
    {
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                if (Lit(image, {x, y}, lightness)) {
                    ++count;
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
    }
};

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
    // Events come from the mouse handlers, on this thread.
    void OnDisplayEvent(int32_t id, int32_t arg1, int32_t arg2) override { m_events.push_back({id, arg1, arg2}); }

    // A sample recording of channels 0..channels-1, made once per test program.
    static const SampleStreams& Sample(int channels)
    {
        static std::map<int, SampleStreams> made;
        if (!made.contains(channels))
            made.emplace(channels, SampleStreams::Make(channels));
        return made.at(channels);
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
    void PushEveryChannel(const SampleStreams& sample)
    {
        for (int k = 0; k < 16; ++k)
            PushAll(k, sample.channels[k]);
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
    // CaptureImage turned top row first; a null image when the control reports no picture.
    QImage Capture()
    {
        std::vector<uint8_t> buffer(display::kCaptureBufferSize, 0);
        int32_t width = 0, height = 0, bits = 0;
        if (m_player.CaptureImage(buffer.data(), &width, &height, &bits) < 0)
            return {};
        return QImage(buffer.data(), width, height, width * bits / 8, QImage::Format_ARGB32).mirrored();
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

    app::ControlLibrary m_library;
    std::unique_ptr<QWidget> m_widget;
    display::CVorquil_Ctrl_Player m_player;
    std::vector<Event> m_events;
};

TEST_F(PlayerControlTest, BeforeTheFirstFrameShowsTheIdlePictureWithCentredTextsAndNoCapture)
{
    m_player.SetTitleText(u"Kelvora Player");
    m_player.SetVersionText(u"                  Ver 1.2.0.1");
    WaitIdle();
    EXPECT_TRUE(Capture().isNull());
    const QImage screen = Screen();
    EXPECT_TRUE(Near(screen.pixelColor(5, 5), kIdleBackground, 2));
    // The version text's leading spaces would push it off centre.
    for (const QRect band : {QRect(0, 250, 704, 36), QRect(0, 300, 704, 40)}) {
        const LitPixels text(screen, band, 90);
        EXPECT_GT(text.count, 50) << band.top();
        EXPECT_NEAR((text.left + text.right) / 2.0, 352, 2) << band.top();
    }
}

class PayloadFormatTest : public PlayerControlTest, public ::testing::WithParamInterface<int> {};

TEST_P(PayloadFormatTest, DecodesIntoTheChannelsTileUpToTheLatestFrame)
{
    const auto frames = SampleStreams::Make(3, GetParam()).channels[2];
    m_player.SetLayout(0, 4);
    PushAll(2, frames);
    WaitIdle();
    const QImage capture = Capture();
    ASSERT_FALSE(capture.isNull());
    EXPECT_TRUE(Near(capture.pixelColor(TileProbe(2, 4)), SampleColour(2)));
    // The burned-in "CAM 03" right of where the control's own title goes.
    EXPECT_GT(LitPixels(capture, QRect(70, 288 + 16, 100, 36)).count, 100);
    // The last frame's sweeping bar, in the half-size tile.
    EXPECT_TRUE(Lit(capture, QPoint(0, 288) + BarProbe(static_cast<int>(frames.size()) - 1) / 2));
    EXPECT_TRUE(Near(capture.pixelColor(TileProbe(0, 4)), kEmptyTile, 4));
}

INSTANTIATE_TEST_SUITE_P(Formats, PayloadFormatTest, ::testing::Values(0, 1, 2, 3, 4),
                         [](const auto& info) { return "videoFormat" + std::to_string(info.param); });

// Every page is drawn from the frames pushed once while all 16 tiles were on screen: a
// channel that comes back into view shows its last picture again without a new frame.
TEST_F(PlayerControlTest, EachLayoutShowsItsPageOfChannelsWithTitlesFromTheirLastFrames)
{
    struct Page {
        int first, tiles, channelCount;
        std::vector<int> expected; // channel per tile, -1 empty
    };
    const Page pages[] = {
        {0, 16, 16, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}},
        {5, 4, 16, {4, 5, 6, 7}},
        {13, 9, 16, {9, 10, 11, 12, 13, 14, 15, -1, -1}},
        {0, 9, 6, {0, 1, 2, 3, 4, 5, -1, -1, -1}},
        {3, 16, 2, {0, 1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1}},
        {-3, 4, 16, {0, 1, 2, 3}},
        {40, 1, 16, {15}},
    };
    for (int k = 0; k < 16; ++k)
        m_player.SetChannelTitle(k, u"CH-" + std::u16string(1, char16_t(u'A' + k)));
    m_player.SetLayout(0, 16);
    PushEveryChannel(Sample(16));
    for (const Page& page : pages) {
        SCOPED_TRACE(testing::Message() << page.first << " " << page.tiles << " of " << page.channelCount);
        m_player.SetChannelCount(page.channelCount);
        m_player.SetLayout(page.first, page.tiles);
        WaitIdle();
        const QImage capture = Capture();
        ASSERT_FALSE(capture.isNull());
        for (int tile = 0; tile < page.tiles; ++tile) {
            const int channel = page.expected[tile];
            const QColor want = channel < 0 ? kEmptyTile : SampleColour(channel);
            EXPECT_TRUE(Near(capture.pixelColor(TileProbe(tile, page.tiles)), want)) << "tile " << tile;
            // The title sits on a dark plate in the tile's top-left corner.
            const QPoint corner = TileRect(tile, page.tiles).topLeft();
            if (page.tiles == 16 && channel >= 0) {
                EXPECT_GT(LitPixels(capture, QRect(corner + QPoint(4, 3), QSize(40, 14))).count, 10) << tile;
                EXPECT_FALSE(Lit(capture, corner + QPoint(2, 8), 100)) << tile;
            }
        }
    }
}

// A flush, a stop or a time out of view loses a decoder its place in the stream: the frames
// up to the next key frame continue nothing and must leave the picture as it is. They come
// from another stream here, in another colour.
TEST_F(PlayerControlTest, AfterAFlushAStopOrBeingHiddenAChannelKeepsItsPictureUntilItsNextKeyFrame)
{
    const auto& own = Sample(1).channels[0];
    const auto other = SampleStreams::Make(2, 2, 2).channels[1]; // key, P, key, P, ...
    const std::function<void()> breaks[] = {
        [&] { m_player.Flush(); },
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
    PushEveryChannel(Sample(3));
    Click(1, 4, Qt::RightButton); // reported, not selected
    Click(3, 4);                  // empty
    DoubleClick(3, 4);
    Click(2, 4);
    EXPECT_EQ(m_player.CurrentChannel(), 2);
    // The outline marks the current tile on screen but never in a capture.
    const QPoint edge = TileRect(2, 4).topLeft() + QPoint(1, 1);
    EXPECT_TRUE(Near(Screen().pixelColor(edge), kOutline, 10));
    EXPECT_TRUE(TileShows(2, 4, SampleColour(2)));
    EXPECT_EQ(Capture().pixelColor(edge), Capture().pixelColor(edge + QPoint(3, 3)));

    DoubleClick(2, 4);
    PushAll(2, Sample(3).channels[2]);
    WaitIdle();
    // Channel 2 fills the screen: its background band runs from the left edge to the right.
    EXPECT_TRUE(TileShows(0, 1, SampleColour(2)));
    EXPECT_TRUE(Near(Capture().pixelColor(TileProbe(0, 1) - QPoint(500, 0)), SampleColour(2)));
    DoubleClick(0, 1);
    PushEveryChannel(Sample(3));
    EXPECT_TRUE(TileShows(0, 4, SampleColour(0)));

    m_player.SetMode(0, 0);
    Click(1, 4);
    Click(1, 4, Qt::RightButton);
    DoubleClick(1, 4);
    EXPECT_EQ(m_player.CurrentChannel(), 2);
    EXPECT_EQ(m_events, (std::vector<Event>{{4, 1, 0}, {3, 2, 0}, {6, 2, 1}, {6, 2, 4}}));
}

TEST_F(PlayerControlTest, WheelZoomsTheSingleTileAboutThePointerDragPansAndCaptureStaysWhole)
{
    auto wheel = [&](QPoint at) {
        QWheelEvent event(at, m_widget->mapToGlobal(at), {}, {0, 240}, Qt::NoButton, {}, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(m_widget.get(), &event);
    };
    m_player.SetLayout(0, 4);
    PushEveryChannel(Sample(1));
    const QImage grid = Screen();
    wheel(TileProbe(0, 4));
    EXPECT_EQ(Screen(), grid) << "the grid is never zoomed";

    m_player.SetLayout(0, 1);
    Push(0, Sample(1).channels[0][0]);
    WaitIdle();
    // Frame 0's white bar spans x 0..47; beside it lies the plain background.
    const QPoint bar = BarProbe(0), beside = bar + QPoint(36, 0);
    ASSERT_TRUE(Lit(Screen(), bar));
    ASSERT_FALSE(Lit(Screen(), beside));
    wheel(bar); // two notches: twice the size, the bar still under the pointer
    EXPECT_TRUE(Lit(Screen(), bar));
    EXPECT_TRUE(Lit(Screen(), beside));
    EXPECT_TRUE(Near(Screen().pixelColor(beside + QPoint(40, 0)), SampleColour(0)));
    EXPECT_TRUE(Lit(Capture(), bar));
    EXPECT_TRUE(Near(Capture().pixelColor(beside), SampleColour(0))) << "the capture is the whole frame";

    // Dragged 100 picture pixels to the right: the bar leaves the view.
    QTest::mousePress(m_widget.get(), Qt::LeftButton, {}, bar);
    const QPoint to = bar - QPoint(200, 0);
    QMouseEvent move(QEvent::MouseMove, to, m_widget->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, {});
    QCoreApplication::sendEvent(m_widget.get(), &move);
    QTest::mouseRelease(m_widget.get(), Qt::LeftButton, {}, to);
    EXPECT_TRUE(Near(Screen().pixelColor(bar), SampleColour(0)));
    EXPECT_EQ(m_player.CurrentChannel(), 0);

    m_player.SetLayout(0, 1);
    EXPECT_TRUE(Lit(Screen(), bar));
    EXPECT_FALSE(Lit(Screen(), beside)) << "a new layout shows the whole picture";
}

// Three GOPs handed over at once are far more than a channel may have waiting. An open after
// play, whether the recording opens or not, then ends in a flush and the reset form.
TEST_F(PlayerControlTest, ABehindChannelDropsUpToItsNextKeyFrameAndTheResetFormReturnsEveryTileToIdle)
{
    m_player.SetTitleText(u"Kelvora Player");
    const QImage idle = Screen();
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
    PushEveryChannel(Sample(16));
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
        Push(k, Sample(16).channels[k][1]);
    WaitIdle();
    EXPECT_TRUE(Capture().isNull());
    EXPECT_EQ(Screen(), idle);
    // The count runs from the control's start: a benchmark takes it before and after a reset.
    EXPECT_EQ(m_player.DroppedFrames(0), dropped);
    // The next recording, of one channel, shows from its first key frame, and no other tile
    // brings back a picture of before.
    PushAll(0, Sample(16).channels[0]);
    WaitIdle();
    for (int k = 0; k < 16; ++k)
        EXPECT_TRUE(TileShows(k, 16, k == 0 ? SampleColour(0) : kEmptyTile)) << k;
}

TEST_F(PlayerControlTest, CaptureWritesBottomRowFirstInBgraWithinTheBuffer)
{
    m_player.SetChannelTitle(0, u"CH-1");
    m_player.SetLayout(0, 1);
    Push(0, Sample(1).channels[0][0]);
    WaitIdle();
    std::vector<uint8_t> buffer(display::kCaptureBufferSize, 0xAB);
    int32_t width = 0, height = 0, bits = 0;
    EXPECT_EQ(m_player.CaptureImage(buffer.data(), &width, &height, &bits), 704 * 576 * 4);
    EXPECT_EQ((std::array{width, height, bits}), (std::array{704, 576, 32}));
    // Row 0 of the buffer is the picture's bottom row: plain background colour, as B, G, R, 255.
    const uint8_t* bottom = buffer.data() + 600 * 4;
    EXPECT_TRUE(Near(QColor(bottom[2], bottom[1], bottom[0]), SampleColour(0)));
    // The last row is the picture's top row, where the title's dark plate starts.
    const uint8_t* top = buffer.data() + (571 * 704 + 2) * 4;
    EXPECT_LT(top[0] + top[1] + top[2], 3 * 90);
    EXPECT_EQ(bottom[3] + top[3], 2 * 255);
    for (size_t i = 704 * 576 * 4; i < buffer.size(); ++i)
        ASSERT_EQ(buffer[i], 0xAB) << "byte " << i << " past the picture was written";
}

TEST_F(PlayerControlTest, BadCallsAreRefusedWithoutHarm)
{
    const std::vector<uint8_t> garbage{0, 0, 0, 1, 0x67, 0xFF, 0x13, 0x00, 0x42, 0x99};
    const uint8_t* p = garbage.data();
    const struct {
        const uint8_t* payload;
        int32_t length, channel;
    } calls[] = {{p, 10, 16}, {p, 10, -2}, {p, -5, 0}, {p, 0, 0}, {nullptr, 10, 0}, {p, 10, 0}, {p, 3, 0}};
    for (const auto& call : calls)
        m_player.PushFrame(call.payload, 0, 0, 0, call.length, 1, call.channel);
    m_player.SetLayout(0, 3);
    m_player.SetLayout(-7, 4);
    const std::array<display::DispArg, 1> wrongType{display::DispArg(u"text")};
    EXPECT_LT(m_player.Invoke(display::kSetLayout, wrongType), 0);
    EXPECT_LT(m_player.Invoke(display::kPushFrame, {}), 0);
    EXPECT_LT(m_player.Invoke(display::kCaptureImage, {}), 0);
    EXPECT_LT(m_player.Invoke(999, {}), 0);
    WaitIdle();
    EXPECT_TRUE(Capture().isNull());
}

TEST_F(PlayerControlTest, PushFromOneThreadWhileAnotherFlushesLaysOutAndCaptures)
{
    const SampleStreams& sample = Sample(16);
    std::atomic<bool> done{false};
    std::thread play([&] {
        for (int k = 0; k < 16; ++k)
            PushAll(k, sample.channels[k]);
        done = true;
    });
    std::vector<uint8_t> buffer(display::kCaptureBufferSize);
    int32_t w, h, b, running;
    for (int i = 0; !done; ++i) {
        m_player.SetLayout(i % 16, std::array{1, 4, 9, 16}[i % 4]);
        m_player.CaptureImage(buffer.data(), &w, &h, &b);
        m_player.QueryRunning(&running);
        if (i % 3 == 0)
            m_player.Flush();
        QCoreApplication::processEvents();
    }
    play.join();
    m_player.SetLayout(0, 16);
    PushEveryChannel(sample);
    for (int k = 0; k < 16; ++k)
        EXPECT_TRUE(TileShows(k, 16, SampleColour(k))) << "channel " << k;
}

} // namespace
