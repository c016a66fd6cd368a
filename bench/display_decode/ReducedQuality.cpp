#include "bench/display_decode/ReducedQuality.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <stdexcept>

#include <QImage>

#include "display/control/ChannelDecoder.h"
#include "display/control/DecoderLibrary.h"

namespace bench {
namespace {

// PSNR over the colour values of two images of one size, and their largest difference.
std::pair<double, int> Compare(const QImage& a, const QImage& b)
{
    double squares = 0;
    int largest = 0;
    for (int y = 0; y < a.height(); ++y) {
        const uchar* p = a.constScanLine(y);
        const uchar* q = b.constScanLine(y);
        for (int x = 0; x < a.width() * 4; ++x) {
            if (x % 4 == 3)
                continue;
            const int d = std::abs(int{p[x]} - int{q[x]});
            squares += d * d;
            largest = std::max(largest, d);
        }
    }
    const double mse = squares / (3.0 * a.width() * a.height());
    return {mse == 0 ? kIdenticalPsnr : std::min(kIdenticalPsnr, 10 * std::log10(255.0 * 255.0 / mse)), largest};
}

} // namespace

std::vector<TileQuality> MeasureReducedQuality(const RecordingFrames& recording, const std::string& libraryDirectory,
                                               QSize tile, double seconds)
{
    display::DecoderLibrary library;
    if (!library.Load(libraryDirectory))
        throw std::runtime_error("the decoder library could not be loaded from " + libraryDirectory);
    std::vector<TileQuality> result(recording.channels);
    std::vector<std::unique_ptr<display::ChannelDecoder>> reduced, full;
    for (int k = 0; k < recording.channels; ++k) {
        result[k].channel = k;
        result[k].worstPsnr = kIdenticalPsnr;
        reduced.push_back(std::make_unique<display::ChannelDecoder>(library));
        full.push_back(std::make_unique<display::ChannelDecoder>(library));
    }
    const uint32_t first = recording.frames.empty() ? 0 : recording.frames.front().msec;
    std::vector<int> index(recording.channels, 0);
    for (const Frame& frame : recording.frames) {
        if (frame.msec - first >= seconds * 1000)
            break;
        if (frame.channel < 0 || frame.channel >= recording.channels)
            continue;
        const std::span<const uint8_t> shown = recording.Payload(frame);
        const std::vector<uint8_t> payload(shown.begin(), shown.end());
        TileQuality& q = result[frame.channel];
        const int i = index[frame.channel]++;
        const bool a = reduced[frame.channel]->Decode(payload, {true});
        const bool b = full[frame.channel]->Decode(payload, {});
        if (!a || !b)
            continue;
        const auto [psnr, largest] =
            Compare(reduced[frame.channel]->Render(tile), full[frame.channel]->Render(tile));
        q.meanPsnr += psnr;
        ++q.frames;
        q.largestDifference = std::max(q.largestDifference, largest);
        if (psnr < q.worstPsnr) {
            q.worstPsnr = psnr;
            q.worstFrame = i;
        }
    }
    for (TileQuality& q : result)
        q.meanPsnr = q.frames ? q.meanPsnr / q.frames : 0;
    return result;
}

} // namespace bench
