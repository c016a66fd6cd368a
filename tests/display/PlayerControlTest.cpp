#include <array>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
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

using testsupport::SampleColour;
using testsupport::SampleFrame;
using testsupport::SampleStreams;

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
    return QRect(QPoint(col * 704 / side, row * 576 / side), QPoint((col + 1) * 704 / side - 1, (row + 1) * 576 / side - 1));
}

// Where a tile shows its picture's plain background.
QPoint TileProbe(int tile, int tiles) { return testsupport::BackgroundProbe(TileRect(tile, tiles)); }

bool Lit(const QImage& image, QPoint at) { return image.pixelColor(at).lightness() > 230; }

// Pixels of an image within an area that are (nearly) white.
int WhitePixels(const QImage& image, const QRect& area)
{
    int white = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            white += Lit(image, {x, y});
    return white;
}

// The display control as the player gets it: the library loaded by its bare name and
// registered, the control made from its class identifier and reached through the wrapper, fed
// with sample recordings that the real decoder decodes. Records the control's events.
class PlayerControlTest : public ::testing::Test, public display::DisplayEventSink {
protected:
    struct Event {
        int32_t id, arg1, arg2;
        bool operator==(const Event&) const = default;
    };

    void SetUp() override
    {
        ASSERT_TRUE(m_library.LoadAndRegister());
        const display::ControlInstance instance =
            display::ControlRegistry::Create(display::kPlayerControlClassId, nullptr, this);
        ASSERT_NE(instance.widget, nullptr);
        m_widget.reset(instance.widget);
        m_player.Attach(instance.target);
        m_player.SetMode(3, 0);
    }

    void OnDisplayEvent(int32_t eventId, int32_t arg1, int32_t arg2) override
    {
        std::lock_guard lock(m_mutex);
        m_events.push_back({eventId, arg1, arg2});
    }
    std::vector<Event> Events()
    {
        std::lock_guard lock(m_mutex);
        return m_events;
    }

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
        m_player.PushFrame(frame.data.data(), 1'700'000'000, 0, 0, static_cast<int32_t>(frame.data.size()),
                           frame.key ? 1 : 0, channel);
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
    void PushEveryChannel(const SampleStreams& streams)
    {
        for (int k = 0; k < 16; ++k)
            PushAll(k, streams.channels[k]);
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
        QImage image(width, height, QImage::Format_ARGB32);
        const int rowBytes = width * bits / 8;
        for (int y = 0; y < height; ++y)
            std::memcpy(image.scanLine(y), buffer.data() + static_cast<size_t>(height - 1 - y) * rowBytes, rowBytes);
        return image;
    }
    QImage Screen() const { return m_widget->grab().toImage(); }
    bool TileShows(int tile, int tiles, QColor colour) { return Near(Capture().pixelColor(TileProbe(tile, tiles)), colour); }

    void ClickTile(int tile, int tiles, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(m_widget.get(), button, {}, TileProbe(tile, tiles));
    }
    void DoubleClickTile(int tile, int tiles) { QTest::mouseDClick(m_widget.get(), Qt::LeftButton, {}, TileProbe(tile, tiles)); }
    void Wheel(QPoint at, int notches)
    {
        QWheelEvent event(at, m_widget->mapToGlobal(at), {}, {0, 120 * notches}, Qt::NoButton, {}, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(m_widget.get(), &event);
    }
    void Drag(QPoint from, QPoint to)
    {
        QTest::mousePress(m_widget.get(), Qt::LeftButton, {}, from);
        QMouseEvent move(QEvent::MouseMove, to, m_widget->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, {});
        QCoreApplication::sendEvent(m_widget.get(), &move);
        QTest::mouseRelease(m_widget.get(), Qt::LeftButton, {}, to);
    }

    app::ControlLibrary m_library;
    std::unique_ptr<QWidget> m_widget;
    display::CVorquil_Ctrl_Player m_player;
    std::mutex m_mutex;
    std::vector<Event> m_events;
};

// The left and right end of what is lit in a band of rows.
std::pair<int, int> LitSpan(const QImage& image, int top, int bottom, int lightness)
{
    int left = image.width(), right = -1;
    for (int y = top; y <= bottom; ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y).lightness() > lightness) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    return {left, right};
}

TEST_F(PlayerControlTest, BeforeTheFirstFrameShowsTheIdlePictureWithItsTextsCentredAndNoCapture)
{
    m_player.SetTitleText(u"Kelvora Player");
    m_player.SetVersionText(u"                  Ver 1.2.0.1");
    WaitIdle();
    EXPECT_TRUE(Capture().isNull());
    const QImage screen = Screen();
    EXPECT_TRUE(Near(screen.pixelColor(5, 5), kIdleBackground, 2));
    // The version text's leading spaces would push it off centre.
    for (const auto [top, bottom, lightness] : {std::array{250, 285, 120}, std::array{300, 340, 90}}) {
        const auto [left, right] = LitSpan(screen, top, bottom, lightness);
        ASSERT_GE(right, 0) << top;
        EXPECT_NEAR((left + right) / 2.0, 352, 2) << top;
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
    EXPECT_GT(WhitePixels(capture, QRect(70, 288 + 16, 100, 36)), 100);
    // The last frame's sweeping bar, in the half-size tile.
    EXPECT_TRUE(Lit(capture, QPoint(0, 288) + testsupport::BarProbe(static_cast<int>(frames.size()) - 1) / 2));
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
            EXPECT_TRUE(Near(capture.pixelColor(TileProbe(tile, page.tiles)), channel < 0 ? kEmptyTile : SampleColour(channel)))
                << "tile " << tile;
            // The title sits on a dark plate in the tile's top-left corner.
            const QPoint corner = TileRect(tile, page.tiles).topLeft();
            if (page.tiles == 16 && channel >= 0) {
                EXPECT_GT(WhitePixels(capture, QRect(corner + QPoint(4, 3), QSize(40, 14))), 10) << "title " << tile;
                EXPECT_LT(capture.pixelColor(corner + QPoint(2, 8)).lightness(), 100) << "plate " << tile;
            }
        }
    }
}

// A flush, a stop or a time out of view loses a decoder its place in the stream: the frames
// up to the next key frame continue nothing and must not show. They come from another
// stream here, whose first P frame would move the sweeping bar to frame 1's place.
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
    for (size_t i = 0; i < std::size(breaks); ++i) {
        SCOPED_TRACE(i);
        PushAll(0, own);
        WaitIdle();
        breaks[i]();
        WaitIdle();
        EXPECT_TRUE(TileShows(0, 1, SampleColour(0)));
        Push(0, other[1]);
        WaitIdle();
        EXPECT_TRUE(TileShows(0, 1, SampleColour(0)));
        EXPECT_FALSE(Lit(Capture(), testsupport::BarProbe(1)));
        Push(0, other[2]);
        WaitIdle();
        EXPECT_TRUE(TileShows(0, 1, SampleColour(1)));
    }
}

TEST_F(PlayerControlTest, ClickSelectsAndDoubleClickSwitchesBetweenSingleViewAndGrid)
{
    m_player.SetLayout(0, 4);
    PushEveryChannel(Sample(4));
    ClickTile(3, 4);
    EXPECT_EQ(m_player.CurrentChannel(), 3);
    // The outline marks the current tile on screen but never in a capture.
    const QPoint edge(352 + 1, 288 + 1);
    EXPECT_TRUE(Near(Screen().pixelColor(edge), kOutline, 10));
    const QImage marked = Capture();
    EXPECT_EQ(marked.pixelColor(edge), marked.pixelColor(edge + QPoint(3, 3)));

    DoubleClickTile(3, 4);
    PushAll(3, Sample(4).channels[3]);
    WaitIdle();
    // Channel 3 fills the screen: its background band runs from the left edge to the right.
    EXPECT_TRUE(TileShows(0, 1, SampleColour(3)));
    EXPECT_TRUE(Near(Capture().pixelColor(TileProbe(0, 1) - QPoint(500, 0)), SampleColour(3)));

    DoubleClickTile(0, 1);
    PushEveryChannel(Sample(4));
    EXPECT_TRUE(TileShows(0, 4, SampleColour(0)));
    const std::vector<Event> expected{{3, 3, 0}, {6, 3, 1}, {6, 3, 4}};
    EXPECT_EQ(Events(), expected);
}

TEST_F(PlayerControlTest, RightClickOnlyReportsAndModeZeroOrAnEmptyTileIgnoresTheMouse)
{
    m_player.SetChannelCount(2);
    m_player.SetLayout(0, 4);
    ClickTile(1, 4, Qt::RightButton);
    ClickTile(3, 4);
    DoubleClickTile(3, 4);
    m_player.SetMode(0, 0);
    ClickTile(1, 4);
    ClickTile(1, 4, Qt::RightButton);
    EXPECT_EQ(m_player.CurrentChannel(), 0);
    EXPECT_EQ(Events(), (std::vector<Event>{{4, 1, 0}}));
}

TEST_F(PlayerControlTest, WheelZoomsTheSingleTileAboutThePointerDragPansAndCaptureStaysWhole)
{
    m_player.SetLayout(0, 4);
    PushEveryChannel(Sample(4));
    const QImage grid = Screen();
    Wheel(TileProbe(0, 4), 2);
    EXPECT_EQ(Screen(), grid) << "the grid is never zoomed";

    m_player.SetLayout(0, 1);
    Push(0, Sample(4).channels[0][0]);
    WaitIdle();
    // Frame 0's white bar spans x 0..47; beside it lies the plain background.
    const QPoint bar = testsupport::BarProbe(0);
    const QPoint beside = bar + QPoint(36, 0);
    ASSERT_TRUE(Lit(Screen(), bar));
    ASSERT_FALSE(Lit(Screen(), beside));

    Wheel(bar, 2); // two notches: twice the size, the bar still under the pointer
    EXPECT_TRUE(Lit(Screen(), bar));
    EXPECT_TRUE(Lit(Screen(), beside));
    EXPECT_TRUE(Near(Screen().pixelColor(beside + QPoint(40, 0)), SampleColour(0)));
    const QImage capture = Capture();
    EXPECT_TRUE(Lit(capture, bar));
    EXPECT_TRUE(Near(capture.pixelColor(beside), SampleColour(0))) << "the capture is the whole frame";

    Drag(bar, bar - QPoint(200, 0)); // 100 picture pixels to the right: the bar leaves the view
    EXPECT_TRUE(Near(Screen().pixelColor(bar), SampleColour(0)));
    EXPECT_EQ(m_player.CurrentChannel(), 0);

    m_player.SetLayout(0, 1);
    EXPECT_TRUE(Lit(Screen(), bar));
    EXPECT_FALSE(Lit(Screen(), beside)) << "a new layout shows the whole picture";
}

TEST_F(PlayerControlTest, DisplayOptionsChangeTheLookAndReturnTheirPreviousValue)
{
    auto option = [&](int32_t dispid, int32_t value) {
        const std::array<display::DispArg, 1> args{value};
        return m_player.Invoke(dispid, args);
    };
    const auto& frames = Sample(1).channels[0];
    const QPoint lastBar = testsupport::BarProbe(static_cast<int>(frames.size()) - 1) / 2;
    m_player.SetChannelTitle(0, u"CH-1");
    m_player.SetLayout(0, 4);
    const QRect title(4, 3, 30, 14);

    EXPECT_EQ(option(display::kInit44, 1), 0); // titles hidden
    EXPECT_EQ(option(display::kInit46, 1), 0); // key frames only
    PushAll(0, frames);
    WaitIdle();
    EXPECT_EQ(WhitePixels(Capture(), title), 0);
    // Only the key frame was decoded: the bar stands where frame 0 put it.
    EXPECT_TRUE(Lit(Capture(), testsupport::BarProbe(0) / 2));
    EXPECT_FALSE(Lit(Capture(), lastBar));

    EXPECT_EQ(option(display::kInit44, 0), 1);
    EXPECT_EQ(option(display::kInit46, 0), 1);
    PushAll(0, frames);
    WaitIdle();
    EXPECT_GT(WhitePixels(Capture(), title), 10);
    EXPECT_TRUE(Lit(Capture(), lastBar));

    // 45 takes the selection outline off the screen.
    EXPECT_TRUE(Near(Screen().pixelColor(1, 1), kOutline, 10));
    EXPECT_EQ(option(display::kInit45, 1), 0);
    EXPECT_FALSE(Near(Screen().pixelColor(1, 1), kOutline, 10));
}

TEST_F(PlayerControlTest, ABehindChannelDropsUpToItsNextKeyFrameAndCountsWhatItDropped)
{
    // Three GOPs handed over at once: far more than a channel may have waiting.
    const auto stream = SampleStreams::Make(1, 2, 25, 3).channels[0];
    m_player.SetLayout(0, 1);
    for (const SampleFrame& frame : stream)
        Push(0, frame);
    WaitIdle();
    const int32_t dropped = m_player.DroppedFrames(0);
    EXPECT_GT(dropped, 0);
    EXPECT_LT(dropped, static_cast<int32_t>(stream.size()));
    EXPECT_EQ(m_player.DroppedFrames(1), 0);
    // What is shown was decoded from a key frame on: a clean picture of the channel.
    EXPECT_TRUE(TileShows(0, 1, SampleColour(0)));
    // Handed over at the pace it decodes, nothing more is dropped, and the last frame shows.
    PushAll(0, stream);
    WaitIdle();
    EXPECT_EQ(m_player.DroppedFrames(0), dropped);
    EXPECT_TRUE(Lit(Capture(), testsupport::BarProbe(static_cast<int>(stream.size()) - 1)));
}

// An open after play, whether the recording opens or not, ends in a flush and the reset form.
TEST_F(PlayerControlTest, TheResetFormReturnsEveryTileAndEveryChannelToIdle)
{
    m_player.SetTitleText(u"Kelvora Player");
    const QImage idle = Screen();
    m_player.SetLayout(0, 16);
    PushEveryChannel(Sample(16));
    ASSERT_FALSE(Capture().isNull());
    std::array<int32_t, 16> dropped{};
    for (int k = 0; k < 16; ++k)
        dropped[k] = m_player.DroppedFrames(k);
    m_player.Flush();
    m_player.PushReset();
    // No layout brings a picture of before back, and no decoder continues it: a P frame after
    // the reset shows nothing.
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
    // The counts run from the control's start: a benchmark takes them before and after a reset.
    for (int k = 0; k < 16; ++k)
        EXPECT_EQ(m_player.DroppedFrames(k), dropped[k]) << k;
    // The next recording shows from its first key frame.
    PushEveryChannel(Sample(16));
    for (int k = 0; k < 16; ++k)
        EXPECT_TRUE(TileShows(k, 16, SampleColour(k))) << k;
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
    auto pixel = [&](int bufferRow, int x) { return buffer.data() + (static_cast<size_t>(bufferRow) * 704 + x) * 4; };
    // Row 0 of the buffer is the picture's bottom row: plain background colour, as B, G, R, 255.
    const uint8_t* bottom = pixel(0, 600);
    EXPECT_TRUE(Near(QColor(bottom[2], bottom[1], bottom[0]), SampleColour(0)));
    EXPECT_EQ(bottom[3], 255);
    // The last row is the picture's top row, where the title's dark plate starts.
    const uint8_t* top = pixel(575 - 4, 2);
    EXPECT_LT(top[0] + top[1] + top[2], 3 * 90);
    EXPECT_EQ(top[3], 255);
    for (size_t i = 704 * 576 * 4; i < buffer.size(); ++i)
        ASSERT_EQ(buffer[i], 0xAB) << "byte " << i << " past the picture was written";
}

TEST_F(PlayerControlTest, BadCallsAreRefusedWithoutHarm)
{
    const std::vector<uint8_t> garbage{0, 0, 0, 1, 0x67, 0xFF, 0x13, 0x00, 0x42, 0x99};
    const uint8_t* p = garbage.data();
    const auto size = static_cast<int32_t>(garbage.size());
    struct Call {
        const uint8_t* payload;
        int32_t length, channel;
    };
    for (const Call& call : {Call{p, size, 16}, Call{p, size, -2}, Call{p, -5, 0}, Call{p, 0, 0}, Call{nullptr, size, 0},
                             Call{p, size, 0}, Call{p, 3, 0}})
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
    const int layouts[] = {1, 4, 9, 16};
    for (int i = 0; !done; ++i) {
        m_player.SetLayout(i % 16, layouts[i % 4]);
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
