// The display control under a play loop that keeps its pace, beside ffmpeg decoding the same
// streams with two threads, measured in the same run.
//
//   display_decode [--recording FILE] [--vrc-tool PATH] [--dir DIR] [--seconds N] [--part all|speed|spread|quality]
//
// Takes the recording given, or makes (once) a realistic 16-channel one with `vrc-tool
// make-sample --realistic --stamp-offset 2`. Pushes its video frames into the control shown
// offscreen at 1x for N seconds (16 channels in 16 tiles: dropped frames, CPU, peak memory),
// then at 2x to 32x with 16 channels, with 4, and with 1 in a single tile (speed reached,
// pictures decoded, their rate beside ffmpeg's, longest PushFrame), then channel 1 alone played
// several times over at 128x and 256x (its decode rate when saturated), and decodes each channel's
// stream, extracted with `vrc-tool extract`, with ffmpeg: what decoding every frame would cost.
// The quality part decodes the first N seconds of every channel reduced and fully filtered,
// and compares the 16-tile and 9-tile pictures of each frame (PSNR, largest difference).
// The spread part feeds the decode pipeline at 8x to 32x both ways and reads how far apart in
// recorded time its tiles are.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <QApplication>

#include "bench/display_decode/BenchRecording.h"
#include "bench/display_decode/ControlBench.h"
#include "bench/display_decode/FfmpegReference.h"
#include "bench/display_decode/RecordingFrames.h"
#include "bench/display_decode/ReducedQuality.h"
#include "bench/display_decode/TileSpread.h"

namespace {

namespace fs = std::filesystem;


// Frames decoded per second of wall time and per second of CPU time.
struct Rate {
    double wall = 0;
    double cpu = 0;
};

// ffmpeg's rates, zero when it failed.
Rate ReportFfmpeg(const char* what, const bench::FfmpegResult& reference, int channels)
{
    if (!reference.ok) {
        std::printf("%-40s ffmpeg failed\n", what);
        return {};
    }
    const Rate rate{reference.frames / reference.seconds,
                    reference.cpuSeconds > 0 ? reference.frames / reference.cpuSeconds : 0};
    std::printf("%-40s %6d frames %7.2f s %7.1f frames/s (%6.1f per cpu s)  peak %5ld MB  -> every frame decoded at "
                "most %.1fx\n",
                what, reference.frames, reference.seconds, rate.wall, rate.cpu, reference.peakRssKb / 1024,
                rate.wall / (25.0 * channels));
    return rate;
}

// Beside ffmpeg's rates: on a loaded machine the rate per CPU second is the one to compare.
void ReportPaced(int speed, int channels, const bench::RunResult& run, Rate ffmpeg)
{
    const double decoded = run.frames - run.dropped;
    const Rate rate{run.seconds > 0 ? decoded / run.seconds : 0, run.cpuSeconds > 0 ? decoded / run.cpuSeconds : 0};
    std::printf("  %3dx %2d ch: reached %5.2fx (%3.0f%%)  %6d frames, %6d dropped (%5.1f%% decoded)  %6.1f decoded/s ="
                " %4.2fx ffmpeg, per cpu s %4.2fx  cpu %3.0f%% of 2  peak %5ld MB  longest PushFrame %.2f ms\n",
                speed, channels, run.reachedSpeed, 100.0 * run.reachedSpeed / speed, run.frames, run.dropped,
                run.frames ? 100.0 * decoded / run.frames : 0.0, rate.wall, ffmpeg.wall > 0 ? rate.wall / ffmpeg.wall : 0.0,
                ffmpeg.cpu > 0 ? rate.cpu / ffmpeg.cpu : 0.0, 100.0 * run.cpuSeconds / run.seconds / 2.0,
                run.peakRssKb / 1024, run.longestPushSeconds * 1000);
}

// Where the decoder library lies beside this program in the build tree.
std::string LibraryDirectory()
{
    return (fs::path(QCoreApplication::applicationDirPath().toStdString()) / ".." / "lib").string();
}

void ReportQuality(const bench::RecordingFrames& frames, const bench::BenchRecording::Options& options)
{
    const std::string library = LibraryDirectory();
    for (const QSize tile : {QSize(176, 144), QSize(234, 192)}) {
        std::printf("reduced %dx%d tiles against fully filtered ones, first %d s:\n", tile.width(), tile.height(),
                    options.seconds);
        std::printf("  channel  frames  mean PSNR  worst PSNR (frame)  largest difference\n");
        const auto table = bench::MeasureReducedQuality(frames, library, tile, options.seconds);
        double sum = 0;
        int count = 0;
        const bench::TileQuality* worst = nullptr;
        for (const bench::TileQuality& q : table) {
            std::printf("  %7d  %6d  %6.2f dB  %7.2f dB (%5d)  %18d\n", q.channel + 1, q.frames, q.meanPsnr,
                        q.worstPsnr, q.worstFrame, q.largestDifference);
            sum += q.meanPsnr * q.frames;
            count += q.frames;
            if (!worst || q.worstPsnr < worst->worstPsnr)
                worst = &q;
        }
        if (worst)
            std::printf("  all      %6d  %6.2f dB  %7.2f dB (channel %d frame %d)\n", count, count ? sum / count : 0.0,
                        worst->worstPsnr, worst->channel + 1, worst->worstFrame);
    }
}

constexpr int kLaps = 5;

void ReportSpeed(const bench::RecordingFrames& frames, const std::vector<std::string>& streams,
                 const bench::BenchRecording::Options& options)
{
    const int channels = frames.channels;
    const Rate all = ReportFfmpeg("ffmpeg -threads 2, every channel's stream", bench::RunFfmpeg(streams), channels);
    const int few = std::min(channels, 4);
    const Rate four = ReportFfmpeg("ffmpeg -threads 2, the first 4 streams",
                                     bench::RunFfmpeg({streams.begin(), streams.begin() + few}), few);
    const Rate one = ReportFfmpeg("ffmpeg -threads 2, the first stream", bench::RunFfmpeg({streams.front()}), 1);

    bench::ControlBench control;
    std::printf("the control, paced as the play loop paces it (%d s of wall time at most per run):\n",
                options.seconds);
    ReportPaced(1, channels, control.PushAtSpeed(frames, channels, 16, 1, options.seconds), all);
    for (int tiles : {16, 4, 1}) {
        const int shown = std::min(channels, tiles);
        for (int speed : {2, 4, 8, 16, 32})
            ReportPaced(speed, shown, control.PushAtSpeed(frames, shown, tiles, speed, options.seconds / 2.0),
                        tiles == 16 ? all : tiles == 4 ? four : one);
    }
    // Offered faster than two cores decode one channel: what it decodes is its rate. The
    // channel is played several times over so that the run lasts, and ffmpeg decodes its
    // stream as many times for a steady reference.
    const std::string lapsName = "ffmpeg -threads 2, the first stream " + std::to_string(kLaps) + " times";
    const Rate oneSteady = ReportFfmpeg(lapsName.c_str(),
                                        bench::RunFfmpeg(std::vector<std::string>(kLaps, streams.front())), 1);
    const bench::RecordingFrames laps = frames.FirstChannelLaps(kLaps);
    std::printf("one channel alone on screen, played %d times over, offered more than it can decode:\n", kLaps);
    for (int speed : {128, 256})
        ReportPaced(speed, 1, control.PushAtSpeed(laps, 1, 1, speed, options.seconds), oneSteady);
}

void ReportSpread(const bench::RecordingFrames& frames, const bench::BenchRecording::Options& options)
{
    std::printf("tiles of a %d-channel wall apart in recorded time, fed as the play loop feeds them:\n", frames.channels);
    for (int speed : {8, 16, 32, -8, -16, -32}) {
        const bench::TileSpread s = bench::MeasureTileSpread(frames, LibraryDirectory(), speed, options.seconds / 2.0);
        std::printf("  %3dx: apart median %5.2f s, 95%% %5.2f s, largest %5.2f s (key frames %.2f s apart); the "
                    "oldest tile at most %5.2f s behind the frame handed over; %d samples\n",
                    speed, s.medianSeconds, s.p95Seconds, s.largestSeconds, s.keyIntervalSeconds, s.behindSeconds,
                    s.samples);
    }
}

// Takes "--part all|speed|quality|spread" out of the arguments, leaving the shared ones.
std::string TakePart(int& argc, char** argv)
{
    std::string part = "all";
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--part" && i + 1 < argc)
            part = argv[++i];
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    if (part != "all" && part != "speed" && part != "quality" && part != "spread")
        throw std::runtime_error("--part takes all, speed, quality or spread");
    return part;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    try {
        const std::string part = TakePart(argc, argv);
        const bench::BenchRecording::Options options = bench::BenchRecording::Parse(argc, argv, "display_decode", 20);
        fs::create_directories(options.dir);
        const fs::path path = options.recording.empty()
                                  ? bench::BenchRecording::Make(options.vrcTool, options.dir, options.seconds)
                                  : options.recording;
        const bench::RecordingFrames frames = bench::RecordingFrames::Read(path.string());
        const int channels = frames.channels;
        std::printf("display control on %s: %d channels, %zu video frames; offscreen, %u cores\n",
                    path.filename().c_str(), channels, frames.frames.size(), std::thread::hardware_concurrency());

        if (part == "all" || part == "speed")
            ReportSpeed(frames, bench::BenchRecording::Extract(options.vrcTool, options.dir, path, channels), options);
        if (part == "all" || part == "spread")
            ReportSpread(frames, options);
        if (part == "all" || part == "quality")
            ReportQuality(frames, options);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "display_decode: %s\n", e.what());
        return 1;
    }
}
