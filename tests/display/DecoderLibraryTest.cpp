#include <filesystem>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>
#include <QtGlobal>

#include "display/SampleStreams.h"
#include "display/SystemDirectory.h"
#include "display/control/ChannelDecoder.h"
#include "display/control/DecoderLibrary.h"
#include "support/TempDir.h"

namespace {

using display::ChannelDecoder;
using display::DecoderLibrary;
using testsupport::SampleStreams;

// Whether a picture shows a channel's plain background where the sample pictures have it.
void ExpectBackground(const QImage& picture, int channel)
{
    const QColor got = picture.pixelColor(testsupport::BackgroundProbe(picture.rect()));
    const QColor want = testsupport::SampleColour(channel);
    EXPECT_NEAR(got.red(), want.red(), 20);
    EXPECT_NEAR(got.green(), want.green(), 20);
    EXPECT_NEAR(got.blue(), want.blue(), 20);
}

// The library as the control loads it, from the folder the installation writes to.
class DecoderLibraryTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_library.Load(display::SystemDirectory())); }
    DecoderLibrary m_library;
};

TEST_F(DecoderLibraryTest, TheRecordersBlockNeverReachesTheDecoder)
{
    // The recorder's block carries data of its own. Here it holds parameter sets of a 64x64
    // stream: if they reached the decoder, they would replace the channel's own between key
    // frames and wreck every picture after the first.
    auto frames = SampleStreams::Make(1, 3, 5).channels[0];
    const std::vector<uint8_t> foreign{0, 0, 0, 1, 0x67, 0x42, 0xC0, 0x0A, 0xD9, 0x04, 0x26, 0xC0, 0x44, 0, 0, 3,
                                       0, 4, 0, 0, 3, 0, 0xC8, 0x3C, 0x48, 0x99, 0x20, 0, 0, 0, 1, 0x68, 0xCB,
                                       0x83, 0xCB, 0x20};
    ChannelDecoder decoder(m_library);
    int pictures = 0;
    for (auto& frame : frames) {
        std::copy(foreign.begin(), foreign.end(), frame.data.begin() + 8);
        pictures += decoder.Decode(frame.data.data(), frame.data.size());
    }
    EXPECT_EQ(pictures, static_cast<int>(frames.size()));
    const QImage picture = decoder.Render({704, 576});
    ExpectBackground(picture, 0);
    // The last frame's bar is where that frame put it.
    EXPECT_GT(picture.pixelColor(testsupport::BarProbe(static_cast<int>(frames.size()) - 1)).lightness(), 230);
    // A small tile gets the picture scaled to it.
    const QImage tile = decoder.Render({176, 144});
    ASSERT_EQ(tile.size(), QSize(176, 144));
    ExpectBackground(tile, 0);
}

std::mutex g_linesMutex;
std::vector<std::pair<std::chrono::steady_clock::time_point, std::string>> g_lines;

TEST_F(DecoderLibraryTest, ADamagedStreamSaysAtMostOneLineASecondNamingItsChannel)
{
    auto frames = SampleStreams::Make(1, 2, 25, 2).channels[0];
    // Every frame but the first key frame has garbage in its middle.
    uint32_t noise = 12345;
    for (size_t i = 1; i < frames.size(); ++i) {
        auto& data = frames[i].data;
        for (size_t b = data.size() / 3; b < data.size() * 2 / 3; ++b)
            data[b] = static_cast<uint8_t>((noise = noise * 1103515245 + 12345) >> 16);
    }
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& text) {
        std::lock_guard lock(g_linesMutex);
        g_lines.emplace_back(std::chrono::steady_clock::now(), text.toStdString());
    });
    ChannelDecoder decoder(m_library, "CH-7");
    for (int round = 0; round < 2; ++round) {
        if (round > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1100));
        for (const auto& frame : frames)
            decoder.Decode(frame.data.data(), frame.data.size());
    }
    qInstallMessageHandler(previous);
    std::lock_guard lock(g_linesMutex);
    ASSERT_GE(g_lines.size(), 2u);
    EXPECT_EQ(g_lines[0].second.rfind("CH-7: ", 0), 0u) << g_lines[0].second;
    EXPECT_NE(g_lines.back().second.find("more messages left out"), std::string::npos) << g_lines.back().second;
    for (size_t i = 1; i < g_lines.size(); ++i)
        EXPECT_GE(g_lines[i].first - g_lines[i - 1].first, std::chrono::milliseconds(999)) << g_lines[i].second;
}

TEST(DecoderLibrary, MissingLibraryOrExportLeavesItUnloadedAndAChannelDecodingNothing)
{
    testsupport::TempDir dir;
    DecoderLibrary missing;
    EXPECT_FALSE(missing.Load(dir.Path().string()));
    EXPECT_EQ(missing.CreateDecoder(1), nullptr);
    // A real library under the decoder's name, but without its exports.
    std::filesystem::copy_file(std::filesystem::path(display::SystemDirectory()) / "libkelvora_control_registry.so",
                               dir.Path() / DecoderLibrary::kFileName);
    DecoderLibrary wrong;
    EXPECT_FALSE(wrong.Load(dir.Path().string()));
    EXPECT_FALSE(wrong.IsLoaded());
    ChannelDecoder decoder(wrong);
    const auto frames = SampleStreams::Make(1).channels[0];
    EXPECT_FALSE(decoder.Decode(frames[0].data.data(), frames[0].data.size()));
    EXPECT_TRUE(decoder.Render({10, 10}).isNull());
}

} // namespace
