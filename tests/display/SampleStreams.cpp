#include "display/SampleStreams.h"

#include <stdexcept>

#include "recording/KeyFrame.h"
#include "support/TempDir.h"
#include "support/SampleFile.h"
#include "tools/sample/ChannelColour.h"
#include "tools/sample/SamplePicture.h"
#include "tools/sample/SampleWriter.h"

namespace testsupport {

SampleStreams SampleStreams::Make(int channels, int videoFormat, int gop, int seconds, bool realistic)
{
    sample::SampleOptions options{.channels = channels, .seconds = seconds, .videoFormat = videoFormat, .gop = gop};
    options.realistic = realistic;
    TempDir dir;
    const std::string path = dir.File("sample.vrc");
    const std::string error = sample::SampleWriter::Write(path, options);
    if (!error.empty())
        throw std::runtime_error(error);
    const SampleFile file = SampleFile::Load(path);
    const size_t skip = options.videoFormat == 4 ? recording::kPrefixBlockSize : 0;
    SampleStreams streams;
    for (int k = 0; k < 16; ++k) {
        const recording::ChannelEntry& entry = file.header.videoCh[k];
        if (!(file.header.videoMask & (1u << k)) || !entry.HasRun())
            continue;
        for (const SampleFile::Record& record : file.Run(entry))
            streams.channels[entry.chNumber].push_back(
                {std::vector<uint8_t>(record.payload.begin() + static_cast<long>(skip), record.payload.end()),
                 record.header.f_key == 1});
    }
    return streams;
}

QColor SampleColour(int channel)
{
    const sample::Rgb rgb = sample::ChannelColour(channel);
    return QColor(rgb.r, rgb.g, rgb.b);
}

QPoint BackgroundProbe(const QRect& tile)
{
    const sample::Area band = sample::kBackgroundArea;
    const int y = band.y + band.height / 2;
    return {tile.x() + tile.width() * 3 / 4, tile.y() + tile.height() * y / sample::kPictureHeight};
}

QPoint BarProbe(int frameIndex)
{
    const sample::Area band = sample::SamplePicture::kBarBand;
    return {sample::SamplePicture::BarX(frameIndex) + sample::SamplePicture::kBarWidth / 2, band.y + band.height / 2};
}

} // namespace testsupport
