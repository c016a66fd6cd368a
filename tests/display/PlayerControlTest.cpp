#include <array>
#include <atomic>
#include <thread>

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>
#include <QWidget>

#include "display/ControlHarness.h"
#include "display/DispId.h"
#include "display/SampleStreams.h"

namespace {

using testsupport::ControlHarness;
using testsupport::Near;
using testsupport::SampleColour;
using testsupport::SampleFrame;
using testsupport::SampleStreams;

const QColor kEmptyTile(34, 36, 40);
const QColor kIdleBackground(20, 22, 26);

QRect TileRect(int tile, int tiles)
{
    const int side = tiles == 1 ? 1 : tiles == 4 ? 2 : tiles == 9 ? 3 : 4;
    const int col = tile % side, row = tile / side;
    return QRect(QPoint(col * 704 / side, row * 576 / side),
                 QPoint((col + 1) * 704 / side - 1, (row + 1) * 576 / side - 1));
}

// Where a tile shows its picture's plain background.
QPoint TileProbe(int tile, int tiles) { return testsupport::BackgroundProbe(TileRect(tile, tiles)); }

// Pixels of a capture within an area that are (nearly) white.
int WhitePixels(const QImage& image, const QRect& area)
{
    int white = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            white += image.pixelColor(x, y).lightness() > 230;
    return white;
}

sample::SampleOptions Options(int channels, int videoFormat = 2, int gop = 25)
{
    sample::SampleOptions options;
    options.channels = channels;
    options.seconds = 1;
    options.videoFormat = videoFormat;
    options.gop = gop;
    return options;
}

class PlayerControlTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_sixteen = SampleStreams::Make(Options(16));
    }

    void Push(int channel, const SampleFrame& frame)
    {
        m_control.Player().PushFrame(frame.data.data(), 1'700'000'000, 0, 0, static_cast<int32_t>(frame.data.size()),
                                     frame.key ? 1 : 0, channel);
    }
    // At the pace the control decodes, so that it drops nothing (any thread).
    void PushAll(int channel, const std::vector<SampleFrame>& frames)
    {
        for (size_t i = 0; i < frames.size(); ++i) {
            Push(channel, frames[i]);
            for (int32_t running = i % 6 == 5; running; m_control.Player().QueryRunning(&running))
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    void PushEveryChannel()
    {
        for (int k = 0; k < 16; ++k)
            PushAll(k, s_sixteen.channels[k]);
        m_control.WaitIdle();
    }
    void ClickTile(int tile, int tiles) { QTest::mouseClick(m_control.Widget(), Qt::LeftButton, {}, TileProbe(tile, tiles)); }
    void DoubleClickTile(int tile, int tiles)
    {
        QTest::mouseDClick(m_control.Widget(), Qt::LeftButton, {}, TileProbe(tile, tiles));
    }

    void Wheel(QPoint at, int notches)
    {
        QWheelEvent event(at, m_control.Widget()->mapToGlobal(at), {}, {0, 120 * notches}, Qt::NoButton, {},
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(m_control.Widget(), &event);
    }
    void Drag(QPoint from, QPoint to)
    {
        QTest::mousePress(m_control.Widget(), Qt::LeftButton, {}, from);
        QMouseEvent move(QEvent::MouseMove, to, m_control.Widget()->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, {});
        QCoreApplication::sendEvent(m_control.Widget(), &move);
        QTest::mouseRelease(m_control.Widget(), Qt::LeftButton, {}, to);
    }
    QImage Screen() const { return m_control.Widget()->grab().toImage(); }

    static SampleStreams s_sixteen;
    ControlHarness m_control;
};

SampleStreams PlayerControlTest::s_sixteen;

TEST_F(PlayerControlTest, ShowsTheIdlePictureAndNoCaptureBeforeTheFirstFrame)
{
    m_control.Player().SetTitleText(u"Kelvora Player");
    m_control.WaitIdle();
    EXPECT_TRUE(m_control.Capture().isNull());
    const QImage screen = m_control.Widget()->grab().toImage();
    EXPECT_TRUE(Near(screen.pixelColor(5, 5), kIdleBackground, 2));
    // The title is drawn in the middle of the dark picture.
    bool lit = false;
    for (int x = 200; x < 500 && !lit; ++x)
        lit = screen.pixelColor(x, 268).lightness() > 120;
    EXPECT_TRUE(lit);
}

TEST_F(PlayerControlTest, IdleVersionTextIsCentredWithoutItsLeadingSpaces)
{
    m_control.Player().SetVersionText(u"                  Ver 1.2.0.1");
    m_control.WaitIdle();
    const QImage screen = m_control.Widget()->grab().toImage();
    int left = screen.width(), right = -1;
    for (int y = 300; y < 340; ++y)
        for (int x = 0; x < screen.width(); ++x)
            if (screen.pixelColor(x, y).lightness() > 90) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    ASSERT_GE(right, 0);
    EXPECT_NEAR((left + right) / 2.0, 352, 2);
}

class PayloadFormatTest : public PlayerControlTest, public ::testing::WithParamInterface<int> {};

TEST_P(PayloadFormatTest, DecodesIntoTheChannelsTile)
{
    const SampleStreams streams = SampleStreams::Make(Options(3, GetParam()));
    m_control.Player().SetLayout(0, 4);
    PushAll(2, streams.channels[2]);
    m_control.WaitIdle();
    const QImage capture = m_control.Capture();
    ASSERT_FALSE(capture.isNull());
    EXPECT_TRUE(Near(capture.pixelColor(TileProbe(2, 4)), SampleColour(2)))
        << capture.pixelColor(TileProbe(2, 4)).name().toStdString();
    // The burned-in "CAM 03" right of where the control's own title goes.
    EXPECT_GT(WhitePixels(capture, QRect(70, 288 + 16, 100, 36)), 100);
    EXPECT_TRUE(Near(capture.pixelColor(TileProbe(0, 4)), kEmptyTile, 4));
}

INSTANTIATE_TEST_SUITE_P(Formats, PayloadFormatTest, ::testing::Values(0, 1, 2, 3, 4),
                         [](const auto& info) { return "videoFormat" + std::to_string(info.param); });

TEST_F(PlayerControlTest, ShowsTheLatestFrameOfTheMovingPicture)
{
    const auto& frames = s_sixteen.channels[0];
    m_control.Player().SetLayout(0, 1);
    int next = 0;
    for (int i : {0, 7, 20}) {
        PushAll(0, {frames.begin() + next, frames.begin() + i + 1});
        next = i + 1;
        m_control.WaitIdle();
        const QImage capture = m_control.Capture();
        EXPECT_GT(capture.pixelColor(testsupport::BarProbe(i)).lightness(), 230) << "frame " << i;
        EXPECT_TRUE(Near(capture.pixelColor(testsupport::BarProbe(i + 3)), SampleColour(0))) << "frame " << i;
    }
}

TEST_F(PlayerControlTest, SixteenTilesShowTheirChannelsWithTitles)
{
    for (int k = 0; k < 16; ++k)
        m_control.Player().SetChannelTitle(k, u"CH-" + std::u16string(1, char16_t(u'A' + k)));
    m_control.Player().SetLayout(0, 16);
    PushEveryChannel();
    const QImage capture = m_control.Capture();
    ASSERT_FALSE(capture.isNull());
    for (int k = 0; k < 16; ++k) {
        EXPECT_TRUE(Near(capture.pixelColor(TileProbe(k, 16)), SampleColour(k))) << "channel " << k;
        // The title sits on a dark plate in the tile's top-left corner.
        const QRect tile = TileRect(k, 16);
        EXPECT_GT(WhitePixels(capture, QRect(tile.topLeft() + QPoint(4, 3), QSize(40, 14))), 10) << "title " << k;
        EXPECT_LT(capture.pixelColor(tile.topLeft() + QPoint(2, 8)).lightness(), 100) << "plate " << k;
    }
}

struct PageCase {
    int first, tiles, channelCount;
    std::vector<int> expected; // channel per tile, -1 empty
};

class PagingTest : public PlayerControlTest, public ::testing::WithParamInterface<PageCase> {};

TEST_P(PagingTest, TilesShowChannelsFromTheRoundedFirst)
{
    const PageCase& c = GetParam();
    m_control.Player().SetChannelCount(c.channelCount);
    m_control.Player().SetLayout(c.first, c.tiles);
    PushEveryChannel();
    const QImage capture = m_control.Capture();
    ASSERT_FALSE(capture.isNull());
    for (int tile = 0; tile < c.tiles; ++tile) {
        const QColor want = c.expected[tile] < 0 ? kEmptyTile : SampleColour(c.expected[tile]);
        EXPECT_TRUE(Near(capture.pixelColor(TileProbe(tile, c.tiles)), want)) << "tile " << tile;
    }
}

INSTANTIATE_TEST_SUITE_P(Pages, PagingTest,
                         ::testing::Values(PageCase{5, 4, 16, {4, 5, 6, 7}}, PageCase{15, 1, 16, {15}},
                                           PageCase{13, 9, 16, {9, 10, 11, 12, 13, 14, 15, -1, -1}},
                                           PageCase{0, 9, 6, {0, 1, 2, 3, 4, 5, -1, -1, -1}},
                                           PageCase{3, 16, 2, {0, 1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1}}),
                         [](const auto& info) {
                             const PageCase& c = info.param;
                             return "first" + std::to_string(c.first) + "tiles" + std::to_string(c.tiles) + "of" +
                                    std::to_string(c.channelCount);
                         });

TEST_F(PlayerControlTest, AChannelThatBecomesVisibleStartsAtItsNextKeyFrame)
{
    const auto stream = SampleStreams::Make(Options(2, 2, 2)).channels[1]; // key, P, key, P, ...
    m_control.Player().SetLayout(0, 1);
    PushAll(1, stream); // hidden: dropped
    m_control.Player().SetLayout(0, 4);
    Push(1, stream[1]); // a P frame without its key frame shows nothing
    m_control.WaitIdle();
    EXPECT_TRUE(m_control.Capture().isNull());
    Push(1, stream[2]);
    Push(1, stream[3]);
    m_control.WaitIdle();
    const QImage capture = m_control.Capture();
    ASSERT_FALSE(capture.isNull());
    EXPECT_TRUE(Near(capture.pixelColor(TileProbe(1, 4)), SampleColour(1)));
}

TEST_F(PlayerControlTest, ClickSelectsAndDoubleClickSwitchesBetweenSingleViewAndGrid)
{
    m_control.Player().SetLayout(0, 4);
    PushEveryChannel();
    ClickTile(3, 4);
    EXPECT_EQ(m_control.Player().CurrentChannel(), 3);
    // The outline marks the current tile on screen but never in a capture.
    const QPoint edge(352 + 1, 288 + 1);
    EXPECT_TRUE(Near(m_control.Widget()->grab().toImage().pixelColor(edge), QColor(255, 200, 0), 10));
    const QImage before = m_control.Capture();
    EXPECT_EQ(before.pixelColor(edge), before.pixelColor(edge + QPoint(3, 3))); // the picture, unmarked

    DoubleClickTile(3, 4);
    PushAll(3, s_sixteen.channels[3]);
    m_control.WaitIdle();
    QImage capture = m_control.Capture();
    // Channel 3 fills the screen: its background band runs from the left edge to the right.
    EXPECT_TRUE(Near(capture.pixelColor(TileProbe(0, 1)), SampleColour(3)));
    EXPECT_TRUE(Near(capture.pixelColor(TileProbe(0, 1).x() - 500, TileProbe(0, 1).y()), SampleColour(3)));

    DoubleClickTile(0, 1);
    PushEveryChannel();
    capture = m_control.Capture();
    EXPECT_TRUE(Near(capture.pixelColor(TileProbe(0, 4)), SampleColour(0)));
    std::vector<ControlHarness::Event> switches;
    for (const auto& event : m_control.Events()) {
        if (event.id == display::kLayoutToggled)
            switches.push_back(event);
    }
    const std::vector<ControlHarness::Event> expected{{6, 3, 1}, {6, 3, 4}};
    EXPECT_EQ(switches, expected);
    EXPECT_EQ(m_control.Events().front(), (ControlHarness::Event{3, 3, 0}));
}

TEST_F(PlayerControlTest, WheelZoomsTheSingleTileAboutThePointerDragPansAndCaptureStaysWhole)
{
    m_control.Player().SetLayout(0, 4);
    PushEveryChannel();
    const QImage grid = Screen();
    Wheel(TileProbe(0, 4), 2);
    EXPECT_EQ(Screen(), grid) << "the grid is never zoomed";

    m_control.Player().SetLayout(0, 1);
    Push(0, s_sixteen.channels[0][0]);
    m_control.WaitIdle();
    // Frame 0's white bar spans x 0..47; beside it lies the plain background.
    const QPoint bar = testsupport::BarProbe(0);
    const QPoint beside = bar + QPoint(36, 0);
    auto isBar = [](const QImage& image, QPoint at) { return image.pixelColor(at).lightness() > 230; };
    ASSERT_TRUE(isBar(Screen(), bar));
    ASSERT_FALSE(isBar(Screen(), beside));

    Wheel(bar, 2); // two notches: twice the size, the bar still under the pointer
    EXPECT_TRUE(isBar(Screen(), bar));
    EXPECT_TRUE(isBar(Screen(), beside));
    EXPECT_TRUE(Near(Screen().pixelColor(beside + QPoint(40, 0)), SampleColour(0)));
    const QImage capture = m_control.Capture();
    EXPECT_TRUE(isBar(capture, bar));
    EXPECT_TRUE(Near(capture.pixelColor(beside), SampleColour(0))) << "the capture is the whole frame";

    Drag(bar, bar - QPoint(200, 0)); // 100 picture pixels to the right: the bar leaves the view
    EXPECT_TRUE(Near(Screen().pixelColor(bar), SampleColour(0)));
    EXPECT_EQ(m_control.Player().CurrentChannel(), 0);

    m_control.Player().SetLayout(0, 1);
    EXPECT_TRUE(isBar(Screen(), bar));
    EXPECT_FALSE(isBar(Screen(), beside)) << "a new layout shows the whole picture";
}

TEST_F(PlayerControlTest, RightClickReportsTheTileWithoutSelectingIt)
{
    m_control.Player().SetLayout(0, 4);
    QTest::mouseClick(m_control.Widget(), Qt::RightButton, {}, TileProbe(2, 4));
    EXPECT_EQ(m_control.Player().CurrentChannel(), 0);
    EXPECT_EQ(m_control.Events(), (std::vector<ControlHarness::Event>{{4, 2, 0}}));
}

TEST_F(PlayerControlTest, DisplayOptionsChangeTheLookAndReturnTheirPreviousValue)
{
    auto option = [&](int32_t dispid, int32_t value) {
        const std::array<display::DispArg, 1> args{value};
        return m_control.Player().Invoke(dispid, args);
    };
    const auto& frames = s_sixteen.channels[0];
    m_control.Player().SetChannelTitle(0, u"CH-1");
    m_control.Player().SetLayout(0, 4);
    const QRect title(4, 3, 30, 14);

    EXPECT_EQ(option(display::kInit44, 1), 0); // titles hidden
    EXPECT_EQ(option(display::kInit46, 1), 0); // key frames only
    PushAll(0, frames);
    m_control.WaitIdle();
    QImage capture = m_control.Capture();
    EXPECT_EQ(WhitePixels(capture, title), 0);
    // Only the key frame was decoded: the bar stands where frame 0 put it.
    EXPECT_GT(capture.pixelColor(testsupport::BarProbe(0) / 2).lightness(), 230);

    EXPECT_EQ(option(display::kInit44, 0), 1);
    EXPECT_EQ(option(display::kInit46, 0), 1);
    PushAll(0, frames);
    m_control.WaitIdle();
    capture = m_control.Capture();
    EXPECT_GT(WhitePixels(capture, title), 10);
    EXPECT_GT(capture.pixelColor(testsupport::BarProbe(static_cast<int>(frames.size()) - 1) / 2).lightness(), 230);

    // 45 takes the selection outline off the screen.
    const QPoint edge(1, 1);
    EXPECT_TRUE(Near(m_control.Widget()->grab().toImage().pixelColor(edge), QColor(255, 200, 0), 10));
    EXPECT_EQ(option(display::kInit45, 1), 0);
    EXPECT_FALSE(Near(m_control.Widget()->grab().toImage().pixelColor(edge), QColor(255, 200, 0), 10));
}

TEST_F(PlayerControlTest, MouseIsIgnoredInModeZeroAndOnEmptyTiles)
{
    m_control.Player().SetChannelCount(2);
    m_control.Player().SetLayout(0, 4);
    ClickTile(3, 4);
    DoubleClickTile(3, 4);
    m_control.Player().SetMode(0, 0);
    ClickTile(1, 4);
    EXPECT_EQ(m_control.Player().CurrentChannel(), 0);
    EXPECT_TRUE(m_control.Events().empty());
}

TEST_F(PlayerControlTest, FlushKeepsThePictureUntilTheNextKeyFrame)
{
    // After the flush, channel 0 is fed channel 1's stream: its frames before a key frame
    // continue nothing the decoder still has and must not show.
    const auto& before = s_sixteen.channels[0];
    const auto after = SampleStreams::Make(Options(2, 2, 2)).channels[1];
    m_control.Player().SetLayout(0, 1);
    PushAll(0, before);
    m_control.WaitIdle();
    m_control.Player().Flush();
    EXPECT_TRUE(Near(m_control.Capture().pixelColor(TileProbe(0, 1)), SampleColour(0)));
    Push(0, after[1]);
    m_control.WaitIdle();
    EXPECT_TRUE(Near(m_control.Capture().pixelColor(TileProbe(0, 1)), SampleColour(0)));
    Push(0, after[2]);
    m_control.WaitIdle();
    EXPECT_TRUE(Near(m_control.Capture().pixelColor(TileProbe(0, 1)), SampleColour(1)));
}

TEST_F(PlayerControlTest, StopDropsTheQueuedFramesAndWaitsForTheWorkers)
{
    m_control.Player().SetLayout(0, 16);
    for (int k = 0; k < 16; ++k)
        PushAll(k, s_sixteen.channels[k]);
    m_control.Player().Stop();
    int32_t running = -1;
    m_control.Player().QueryRunning(&running);
    EXPECT_EQ(running, 0);
    // Decoding goes on from each channel's next key frame.
    Push(5, s_sixteen.channels[5][1]);
    Push(5, s_sixteen.channels[5][0]);
    m_control.WaitIdle();
    EXPECT_TRUE(Near(m_control.Capture().pixelColor(TileProbe(5, 16)), SampleColour(5)));
}

TEST_F(PlayerControlTest, ResetReturnsToTheIdlePicture)
{
    m_control.Player().SetLayout(0, 1);
    PushAll(0, s_sixteen.channels[0]);
    m_control.WaitIdle();
    ASSERT_FALSE(m_control.Capture().isNull());
    m_control.Player().PushReset();
    m_control.WaitIdle();
    EXPECT_TRUE(m_control.Capture().isNull());
    QTest::qWait(50);
    EXPECT_TRUE(Near(m_control.Widget()->grab().toImage().pixelColor(TileProbe(0, 1)), kIdleBackground, 2));
}

TEST_F(PlayerControlTest, ABehindChannelDropsUpToItsNextKeyFrameAndCountsWhatItDropped)
{
    // Three GOPs handed over at once: far more than a channel may have waiting.
    const auto stream = SampleStreams::Make([] {
        sample::SampleOptions o = Options(1);
        o.seconds = 3;
        return o;
    }()).channels[0];
    m_control.Player().SetLayout(0, 1);
    for (const SampleFrame& frame : stream)
        Push(0, frame);
    m_control.WaitIdle();
    const int32_t dropped = m_control.Player().DroppedFrames(0);
    EXPECT_GT(dropped, 0);
    EXPECT_LT(dropped, static_cast<int32_t>(stream.size()));
    EXPECT_EQ(m_control.Player().DroppedFrames(1), 0);
    // What is shown was decoded from a key frame on: a clean picture of the channel.
    EXPECT_TRUE(Near(m_control.Capture().pixelColor(TileProbe(0, 1)), SampleColour(0)));
    // Handed over at the pace it decodes, nothing more is dropped, and the last frame shows.
    PushAll(0, stream);
    m_control.WaitIdle();
    EXPECT_EQ(m_control.Player().DroppedFrames(0), dropped);
    EXPECT_GT(m_control.Capture().pixelColor(testsupport::BarProbe(static_cast<int>(stream.size()) - 1)).lightness(), 230);
}

TEST_F(PlayerControlTest, ALayoutChangeRedrawsEveryTileFromItsLastFrameUntilAReset)
{
    m_control.Player().SetLayout(0, 4);
    PushEveryChannel();
    // Paused: no frame comes, yet the channels hidden meanwhile show their pictures again.
    for (int tiles : {1, 4}) {
        m_control.Player().SetLayout(0, tiles);
        m_control.WaitIdle();
    }
    QImage capture = m_control.Capture();
    for (int k = 0; k < 4; ++k)
        EXPECT_TRUE(Near(capture.pixelColor(TileProbe(k, 4)), SampleColour(k))) << "channel " << k;
    // After a reset no frame of before comes back, whatever the layout does.
    m_control.Player().PushReset();
    for (int tiles : {16, 4}) {
        m_control.Player().SetLayout(0, tiles);
        m_control.WaitIdle();
    }
    EXPECT_TRUE(m_control.Capture().isNull());
}

TEST_F(PlayerControlTest, CaptureWritesBottomRowFirstInBgraWithinTheBuffer)
{
    m_control.Player().SetChannelTitle(0, u"CH-1");
    m_control.Player().SetLayout(0, 1);
    Push(0, s_sixteen.channels[0][0]);
    m_control.WaitIdle();
    std::vector<uint8_t> buffer(display::kCaptureBufferSize, 0xAB);
    int32_t width = 0, height = 0, bits = 0;
    const int32_t written = m_control.Player().CaptureImage(buffer.data(), &width, &height, &bits);
    EXPECT_EQ(written, 704 * 576 * 4);
    EXPECT_EQ(width, 704);
    EXPECT_EQ(height, 576);
    EXPECT_EQ(bits, 32);
    auto pixel = [&](int bufferRow, int x) {
        const uint8_t* p = buffer.data() + (static_cast<size_t>(bufferRow) * 704 + x) * 4;
        return std::array<int, 4>{p[0], p[1], p[2], p[3]};
    };
    // Row 0 of the buffer is the picture's bottom row: plain background colour, as B, G, R, 255.
    const auto bottom = pixel(0, 600);
    EXPECT_TRUE(Near(QColor(bottom[2], bottom[1], bottom[0]), SampleColour(0)))
        << bottom[0] << "," << bottom[1] << "," << bottom[2];
    EXPECT_EQ(bottom[3], 255);
    // The last row is the picture's top row, where the title's dark plate starts.
    const auto top = pixel(575 - 4, 2);
    EXPECT_LT(top[0] + top[1] + top[2], 3 * 90);
    EXPECT_EQ(top[3], 255);
    for (size_t i = 704 * 576 * 4; i < buffer.size(); ++i)
        ASSERT_EQ(buffer[i], 0xAB) << "byte " << i << " past the picture was written";
}

TEST_F(PlayerControlTest, BadCallsAreRefusedWithoutHarm)
{
    std::vector<uint8_t> garbage{0, 0, 0, 1, 0x67, 0xFF, 0x13, 0x00, 0x42, 0x99};
    auto& player = m_control.Player();
    const uint8_t* p = garbage.data();
    const auto size = static_cast<int32_t>(garbage.size());
    struct Call {
        const uint8_t* payload;
        int32_t length, channel;
    };
    for (const Call& call : {Call{p, size, 16}, Call{p, size, -2}, Call{p, -5, 0}, Call{p, 0, 0}, Call{nullptr, size, 0},
                             Call{p, size, 0}, Call{p, 3, 0}}) {
        player.PushFrame(call.payload, 0, 0, 0, call.length, 1, call.channel);
    }
    player.SetLayout(0, 3);
    player.SetLayout(-7, 4);
    std::array<display::DispArg, 1> wrongType{display::DispArg(u"text")};
    EXPECT_LT(player.Invoke(display::kSetLayout, wrongType), 0);
    EXPECT_LT(player.Invoke(display::kPushFrame, {}), 0);
    EXPECT_LT(player.Invoke(display::kCaptureImage, {}), 0);
    EXPECT_LT(player.Invoke(999, {}), 0);
    m_control.WaitIdle();
    EXPECT_TRUE(m_control.Capture().isNull());
}

TEST_F(PlayerControlTest, PushFromOneThreadWhileAnotherFlushesLaysOutAndCaptures)
{
    std::atomic<bool> done{false};
    std::thread play([&] {
        for (int round = 0; round < 2; ++round) {
            for (int k = 0; k < 16; ++k)
                PushAll(k, s_sixteen.channels[k]);
        }
        done = true;
    });
    std::vector<uint8_t> buffer(display::kCaptureBufferSize);
    int32_t w, h, b, running;
    const int layouts[] = {1, 4, 9, 16};
    for (int i = 0; !done; ++i) {
        m_control.Player().SetLayout(i % 16, layouts[i % 4]);
        m_control.Player().CaptureImage(buffer.data(), &w, &h, &b);
        m_control.Player().QueryRunning(&running);
        if (i % 3 == 0)
            m_control.Player().Flush();
        QCoreApplication::processEvents();
    }
    play.join();
    m_control.Player().SetLayout(0, 16);
    PushEveryChannel();
    const QImage capture = m_control.Capture();
    ASSERT_FALSE(capture.isNull());
    for (int k = 0; k < 16; ++k)
        EXPECT_TRUE(Near(capture.pixelColor(TileProbe(k, 16)), SampleColour(k))) << "channel " << k;
}

} // namespace
