#include <filesystem>

#include <gtest/gtest.h>

#include "display/SampleStreams.h"
#include "display/control/ChannelDecoder.h"
#include "display/control/DecoderLibrary.h"
#include "support/TempDir.h"

namespace {

using display::DecoderLibrary;

std::filesystem::path LibraryDirectory() { return std::filesystem::path(std::getenv("KELVORA_BUILD_DIR")) / "lib"; }

TEST(DecoderLibrary, LoadsFromTheSystemDirectoryAndDecodes)
{
    DecoderLibrary library;
    ASSERT_TRUE(library.Load(LibraryDirectory().string()));
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
