#include "bench/display_decode/TileSpread.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <span>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

#include "display/control/DecodePipeline.h"
#include "display/control/DecoderLibrary.h"

namespace bench {
namespace {

using Clock = std::chrono::steady_clock;

// The frames in the order the play loop hands them over at a speed of that sign.
std::vector<const Frame*> HandedOver(const RecordingFrames& recording, int speed)
{
    std::vector<const Frame*> order;
    for (const Frame& frame : recording.frames) {
        if (speed > 0 || frame.key)
            order.push_back(&frame);
    }
    if (speed < 0)
        std::reverse(order.begin(), order.end());
    return order;
}

double Percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<size_t>(p * static_cast<double>(values.size())))];
}

double KeyInterval(const RecordingFrames& recording)
{
    std::vector<uint32_t> keys;
    for (const Frame& frame : recording.frames) {
        if (frame.key && frame.channel == recording.frames.front().channel)
            keys.push_back(frame.msec);
    }
    return keys.size() > 1 ? (keys.back() - keys.front()) / 1000.0 / static_cast<double>(keys.size() - 1) : 0;
}

} // namespace

TileSpread MeasureTileSpread(const RecordingFrames& recording, const std::string& libraryDirectory, int speed,
                             double seconds)
{
    display::DecoderLibrary library;
    if (!library.Load(libraryDirectory))
        throw std::runtime_error("the decoder library could not be loaded from " + libraryDirectory);
    display::DecodePipeline pipeline(library, std::chrono::milliseconds(40), [] {});
    std::array<QSize, display::kChannels> tiles{};
    for (int k = 0; k < recording.channels; ++k)
        tiles[k] = QSize(176, 144);
    pipeline.SetTileSizes(tiles);

    const std::vector<const Frame*> order = HandedOver(recording, speed);
    std::atomic<int64_t> handed{-1};
    std::atomic<bool> done{false};
    std::thread play([&] {
        const auto start = Clock::now();
        const int64_t first = order.empty() ? 0 : order.front()->msec;
        for (const Frame* frame : order) {
            const auto due = start + std::chrono::microseconds(std::abs(int64_t{frame->msec} - first) * 1000 / std::abs(speed));
            if (std::chrono::duration<double>(due - start).count() > seconds)
                break;
            std::this_thread::sleep_until(due);
            const std::span<const uint8_t> payload = recording.Payload(*frame);
            pipeline.Push(frame->channel, payload.data(), payload.size(), frame->key != 0,
                          {frame->fTime, static_cast<int32_t>(frame->msec % 1000)});
            handed = display::FrameStamp{frame->fTime, static_cast<int32_t>(frame->msec % 1000)}.Milliseconds();
        }
        done = true;
    });

    std::vector<double> spreads;
    TileSpread result;
    while (!done) {
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
        const auto stamps = pipeline.Pictures().second;
        std::vector<int64_t> shown;
        for (int k = 0; k < recording.channels; ++k) {
            if (stamps[k].IsValid())
                shown.push_back(stamps[k].Milliseconds());
        }
        if (static_cast<int>(shown.size()) < recording.channels)
            continue; // not every tile has its first picture yet
        const auto [low, high] = std::minmax_element(shown.begin(), shown.end());
        spreads.push_back((*high - *low) / 1000.0);
        const int64_t oldest = speed > 0 ? *low : *high;
        result.behindSeconds = std::max(result.behindSeconds, std::abs(handed - oldest) / 1000.0);
    }
    play.join();
    pipeline.Stop();
    result.samples = static_cast<int>(spreads.size());
    result.medianSeconds = Percentile(spreads, 0.5);
    result.p95Seconds = Percentile(spreads, 0.95);
    result.largestSeconds = spreads.empty() ? 0 : *std::max_element(spreads.begin(), spreads.end());
    result.keyIntervalSeconds = KeyInterval(recording);
    return result;
}

} // namespace bench
