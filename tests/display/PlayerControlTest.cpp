#include <array>
#include <atomic>
#include <thread>

#include <gtest/gtest.h>
#include <QTest>
#include <QWidget>

#include "display/ControlHarness.h"
#include "display/DispId.h"
#include "display/EncodedStream.h"
#include "display/GuiApplication.h"

namespace {

using testsupport::ControlHarness;
using testsupport::EncodedFrame;
using testsupport::EncodeStream;
using testsupport::Near;
using testsupport::PayloadFormat;

const QColor kEmptyTile(34, 36, 40);
const QColor kIdleBackground(20, 22, 26);

QColor ChannelColour(int channel) { return QColor::fromHsv(channel * 360 / 16, 255, 220); }

// Where a tile's picture can be probed away from its title and edges.
QPoint TileProbe(int tile, int tiles)
{
    const int side = tiles == 1 ? 1 : tiles == 4 ? 2 : tiles == 9 ? 3 : 4;
    const int w = 704 / side, h = 576 / side;
    return {(tile % side) * w + w / 2, (tile / side) * h + h * 3 / 4};
}

class PlayerControlTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        testsupport::EnsureGuiApplication();
        for (int k = 0; k < 16; ++k)
            s_streams[k] = EncodeStream(PayloadFormat::H264, ChannelColour(k), 3, 3);
    }

    void Push(int channel, const EncodedFrame& frame)
    {
        m_control.Player().PushFrame(frame.data.data(), 1'700'000'000, 0, 0, static_cast<int32_t>(frame.data.size()),
                                     frame.key ? 1 : 0, channel);
    }
    void PushAll(int channel, const std::vector<EncodedFrame>& frames)
    {
        for (const EncodedFrame& frame : frames)
            Push(channel, frame);
    }
    void PushEveryChannel()
    {
        for (int k = 0; k < 16; ++k)
            PushAll(k, s_streams[k]);
        m_control.WaitIdle();
    }
    void ClickTile(int tile, int tiles) { QTest::mouseClick(m_control.Widget(), Qt::LeftButton, {}, TileProbe(tile, tiles)); }
    void DoubleClickTile(int tile, int tiles)
    {
        QTest::mouseDClick(m_control.Widget(), Qt::LeftButton, {}, TileProbe(tile, tiles));
    }

    static std::array<std::vector<EncodedFrame>, 16> s_streams;
    ControlHarness m_control;
};

std::array<std::vector<EncodedFrame>, 16> PlayerControlTest::s_streams;

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

struct FormatCase {
    PayloadFormat format;
    const char* name;
};

class PayloadFormatTest : public PlayerControlTest, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(PayloadFormatTest, DecodesIntoTheChannelsTile)
{
    const QColor colour(230, 40, 40);
    m_control.Player().SetLayout(0, 4);
    PushAll(2, EncodeStream(GetParam().format, colour, 6, 3));
    m_control.WaitIdle();
    const QImage capture = m_control.Capture();
    ASSERT_FALSE(capture.isNull());
    EXPECT_TRUE(Near(capture.pixelColor(TileProbe(2, 4)), colour)) << capture.pixelColor(TileProbe(2, 4)).name().toStdString();
    EXPECT_TRUE(Near(capture.pixelColor(TileProbe(0, 4)), kEmptyTile, 4));
}

INSTANTIATE_TEST_SUITE_P(Formats, PayloadFormatTest,
                         ::testing::Values(FormatCase{PayloadFormat::Mpeg4, "Mpeg4"}, FormatCase{PayloadFormat::H264, "H264"},
                                           FormatCase{PayloadFormat::H264Block, "H264Block"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PlayerControlTest, SixteenTilesShowTheirChannelsWithTitles)
{
    for (int k = 0; k < 16; ++k)
        m_control.Player().SetChannelTitle(k, u"CH-" + std::u16string(1, char16_t(u'A' + k)));
    m_control.Player().SetLayout(0, 16);
    PushEveryChannel();
    const QImage capture = m_control.Capture();
    ASSERT_FALSE(capture.isNull());
    for (int k = 0; k < 16; ++k) {
        EXPECT_TRUE(Near(capture.pixelColor(TileProbe(k, 16)), ChannelColour(k))) << "channel " << k;
        // The title's white letters sit in the tile's top-left corner.
        const QRect corner((k % 4) * 176 + 4, (k / 4) * 144 + 2, 40, 18);
        int white = 0;
        for (int y = corner.top(); y <= corner.bottom(); ++y)
            for (int x = corner.left(); x <= corner.right(); ++x)
                white += capture.pixelColor(x, y).lightness() > 240;
        EXPECT_GT(white, 10) << "title of channel " << k;
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
        const QColor want = c.expected[tile] < 0 ? kEmptyTile : ChannelColour(c.expected[tile]);
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
    const auto stream = EncodeStream(PayloadFormat::H264, ChannelColour(1), 4, 2); // key, P, key, P
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
    EXPECT_TRUE(Near(capture.pixelColor(TileProbe(1, 4)), ChannelColour(1)));
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
    EXPECT_TRUE(Near(m_control.Capture().pixelColor(edge), ChannelColour(3)));

    DoubleClickTile(3, 4);
    PushAll(3, s_streams[3]);
    m_control.WaitIdle();
    QImage capture = m_control.Capture();
    EXPECT_TRUE(Near(capture.pixelColor(TileProbe(0, 4)), ChannelColour(3)));
    EXPECT_TRUE(Near(capture.pixelColor(TileProbe(3, 4)), ChannelColour(3)));

    DoubleClickTile(0, 1);
    PushEveryChannel();
    capture = m_control.Capture();
    EXPECT_TRUE(Near(capture.pixelColor(TileProbe(0, 4)), ChannelColour(0)));
    std::vector<ControlHarness::Event> switches;
    for (const auto& event : m_control.Events()) {
        if (event.id == display::kLayoutToggled)
            switches.push_back(event);
    }
    const std::vector<ControlHarness::Event> expected{{6, 3, 1}, {6, 3, 4}};
    EXPECT_EQ(switches, expected);
    EXPECT_EQ(m_control.Events().front(), (ControlHarness::Event{3, 3, 0}));
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
    const QColor red(230, 40, 40), blue(40, 40, 230);
    const auto redStream = EncodeStream(PayloadFormat::H264, red, 3, 3);
    const auto blueStream = EncodeStream(PayloadFormat::H264, blue, 4, 2);
    m_control.Player().SetLayout(0, 1);
    PushAll(0, redStream);
    m_control.WaitIdle();
    m_control.Player().Flush();
    EXPECT_TRUE(Near(m_control.Capture().pixelColor(TileProbe(0, 1)), red));
    Push(0, blueStream[1]); // continues nothing the decoder still has: skipped
    m_control.WaitIdle();
    EXPECT_TRUE(Near(m_control.Capture().pixelColor(TileProbe(0, 1)), red));
    Push(0, blueStream[2]);
    m_control.WaitIdle();
    EXPECT_TRUE(Near(m_control.Capture().pixelColor(TileProbe(0, 1)), blue));
}

TEST_F(PlayerControlTest, ResetReturnsToTheIdlePicture)
{
    m_control.Player().SetLayout(0, 1);
    PushAll(0, s_streams[0]);
    m_control.WaitIdle();
    ASSERT_FALSE(m_control.Capture().isNull());
    m_control.Player().PushReset();
    m_control.WaitIdle();
    EXPECT_TRUE(m_control.Capture().isNull());
    QTest::qWait(50);
    EXPECT_TRUE(Near(m_control.Widget()->grab().toImage().pixelColor(TileProbe(0, 1)), kIdleBackground, 2));
}

TEST_F(PlayerControlTest, CaptureWritesBottomRowFirstInBgraWithinTheBuffer)
{
    const QColor top(240, 30, 30), bottom(30, 30, 240);
    m_control.Player().SetLayout(0, 1);
    PushAll(0, EncodeStream(PayloadFormat::H264, top, 1, 1, bottom));
    m_control.WaitIdle();
    std::vector<uint8_t> buffer(display::kCaptureBufferSize, 0xAB);
    int32_t width = 0, height = 0, bits = 0;
    const int32_t written = m_control.Player().CaptureImage(buffer.data(), &width, &height, &bits);
    EXPECT_EQ(written, 704 * 576 * 4);
    EXPECT_EQ(width, 704);
    EXPECT_EQ(height, 576);
    EXPECT_EQ(bits, 32);
    auto pixel = [&](int row, int x) {
        const uint8_t* p = buffer.data() + static_cast<size_t>(row) * 704 * 4 + x * 4;
        return std::array<int, 4>{p[0], p[1], p[2], p[3]};
    };
    // Row 0 of the buffer is the bottom of the picture; every pixel is B, G, R, 255.
    const auto first = pixel(0, 350), last = pixel(575, 350);
    EXPECT_TRUE(Near(QColor(first[2], first[1], first[0]), bottom)) << first[0] << "," << first[1] << "," << first[2];
    EXPECT_TRUE(Near(QColor(last[2], last[1], last[0]), top));
    EXPECT_EQ(first[3], 255);
    EXPECT_EQ(last[3], 255);
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
        for (int round = 0; round < 4; ++round) {
            for (int k = 0; k < 16; ++k)
                PushAll(k, s_streams[k]);
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
        EXPECT_TRUE(Near(capture.pixelColor(TileProbe(k, 16)), ChannelColour(k))) << "channel " << k;
}

} // namespace
