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

using display::DecoderLibrary;

// Test programs sit in bin/, beside the project's lib/.
std::filesystem::path LibraryDirectory()
{
    return std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path() / "lib";
}

TEST(DecoderLibrary, LoadsFromTheSystemDirectoryAndDecodes)
{
    // The folder of the project's libraries, found from where they were loaded.
    ASSERT_EQ(display::SystemDirectory(), LibraryDirectory().lexically_normal().string());
    DecoderLibrary library;
    ASSERT_TRUE(library.Load(display::SystemDirectory()));
    display::ChannelDecoder decoder(library);
    sample::SampleOptions options;
    options.channels = 6;
    options.seconds = 1;
    options.videoFormat = 3; // every frame behind the recorder's block, handed over whole
    const testsupport::SampleStreams streams = testsupport::SampleStreams::Make(options);
    bool decoded = false;
    for (const auto& frame : streams.channels[5])
        decoded = decoder.Decode(frame.data.data(), frame.data.size()) || decoded;
    ASSERT_TRUE(decoded);
    const QImage tile = decoder.Render({176, 144});
    ASSERT_EQ(tile.size(), QSize(176, 144));
    const QColor got = tile.pixelColor(testsupport::BackgroundProbe(tile.rect()));
    const QColor want = testsupport::SampleColour(5);
    EXPECT_NEAR(got.red(), want.red(), 20);
    EXPECT_NEAR(got.green(), want.green(), 20);
    EXPECT_NEAR(got.blue(), want.blue(), 20);
}

TEST(DecoderLibrary, TheRecordersBlockNeverReachesTheDecoder)
{
    // The recorder's block carries data of its own. Here it holds parameter sets of a 64x64
    // stream: if they reached the decoder, they would replace the channel's own between key
    // frames and wreck every picture after the first.
    DecoderLibrary library;
    ASSERT_TRUE(library.Load(LibraryDirectory().string()));
    sample::SampleOptions options;
    options.channels = 1;
    options.seconds = 1;
    options.videoFormat = 3;
    options.gop = 5;
    testsupport::SampleStreams streams = testsupport::SampleStreams::Make(options);
    const std::vector<uint8_t> foreign{0, 0, 0, 1, 0x67, 0x42, 0xC0, 0x0A, 0xD9, 0x04, 0x26, 0xC0, 0x44, 0, 0, 3,
                                       0, 4, 0, 0, 3, 0, 0xC8, 0x3C, 0x48, 0x99, 0x20, 0, 0, 0, 1, 0x68, 0xCB,
                                       0x83, 0xCB, 0x20};
    display::ChannelDecoder decoder(library);
    int pictures = 0;
    for (auto& frame : streams.channels[0]) {
        std::copy(foreign.begin(), foreign.end(), frame.data.begin() + 8);
        pictures += decoder.Decode(frame.data.data(), frame.data.size());
    }
    EXPECT_EQ(pictures, static_cast<int>(streams.channels[0].size()));
    const QImage picture = decoder.Render({704, 576});
    const QColor got = picture.pixelColor(testsupport::BackgroundProbe(picture.rect()));
    const QColor want = testsupport::SampleColour(0);
    EXPECT_NEAR(got.red(), want.red(), 20);
    EXPECT_NEAR(got.green(), want.green(), 20);
    EXPECT_NEAR(got.blue(), want.blue(), 20);
    // The last frame's bar is where that frame put it.
    EXPECT_GT(picture.pixelColor(testsupport::BarProbe(static_cast<int>(streams.channels[0].size()) - 1)).lightness(), 230);
}

std::mutex g_linesMutex;
std::vector<std::pair<std::chrono::steady_clock::time_point, std::string>> g_lines;

TEST(DecoderLibrary, ADamagedStreamSaysAtMostOneLineASecondNamingItsChannel)
{
    DecoderLibrary library;
    ASSERT_TRUE(library.Load(LibraryDirectory().string()));
    sample::SampleOptions options;
    options.channels = 1;
    options.seconds = 2;
    auto frames = testsupport::SampleStreams::Make(options).channels[0];
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
    display::ChannelDecoder decoder(library, "CH-7");
    auto decodeAll = [&] {
        for (const auto& frame : frames)
            decoder.Decode(frame.data.data(), frame.data.size());
    };
    decodeAll();
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    decodeAll();
    qInstallMessageHandler(previous);
    std::lock_guard lock(g_linesMutex);
    ASSERT_GE(g_lines.size(), 2u);
    EXPECT_EQ(g_lines[0].second.rfind("CH-7: ", 0), 0u) << g_lines[0].second;
    EXPECT_NE(g_lines.back().second.find("more messages left out"), std::string::npos) << g_lines.back().second;
    for (size_t i = 1; i < g_lines.size(); ++i)
        EXPECT_GE(g_lines[i].first - g_lines[i - 1].first, std::chrono::milliseconds(999)) << g_lines[i].second;
}

TEST(DecoderLibrary, MissingLibraryOrExportLeavesItUnloaded)
{
    testsupport::TempDir dir;
    DecoderLibrary missing;
    EXPECT_FALSE(missing.Load(dir.Path().string()));
    EXPECT_EQ(missing.CreateDecoder(1), nullptr);

    // A real library under the decoder's name, but without its exports.
    std::filesystem::copy_file(LibraryDirectory() / "libkelvora_control_registry.so", dir.Path() / DecoderLibrary::kFileName);
    DecoderLibrary wrong;
    EXPECT_FALSE(wrong.Load(dir.Path().string()));
    EXPECT_FALSE(wrong.IsLoaded());

    // Without a decoder library, a channel decodes nothing and does not fail.
    display::ChannelDecoder decoder(wrong);
    sample::SampleOptions options;
    options.channels = 1;
    options.seconds = 1;
    const auto frames = testsupport::SampleStreams::Make(options).channels[0];
    EXPECT_FALSE(decoder.Decode(frames[0].data.data(), frames[0].data.size()));
    EXPECT_TRUE(decoder.Render({10, 10}).isNull());
}

} // namespace
