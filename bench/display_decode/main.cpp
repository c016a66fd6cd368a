// The display control under a play loop that keeps its pace, beside ffmpeg decoding the same
// streams with two threads, measured in the same run.
//
//   display_decode [--recording FILE] [--vrc-tool PATH] [--dir DIR] [--seconds N]
//
// Takes the recording given, or makes (once) a realistic 16-channel one with `vrc-tool
// make-sample --realistic --stamp-offset 2`. Pushes its video frames into the control shown
// offscreen at 1x for N seconds (16 channels in 16 tiles: dropped frames, CPU, peak memory),
// then at 2x to 32x with 16 channels and with 4 (speed reached, pictures decoded, longest
// PushFrame), and decodes each channel's stream, extracted with `vrc-tool extract`, with
// ffmpeg: what decoding every frame would cost.
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

namespace {

namespace fs = std::filesystem;


void ReportFfmpeg(const char* what, const bench::FfmpegResult& reference, int channels)
{
    if (!reference.ok) {
        std::printf("%-40s ffmpeg failed\n", what);
        return;
    }
    const double fps = reference.frames / reference.seconds;
    std::printf("%-40s %6d frames %7.2f s %7.1f frames/s  peak %5ld MB  -> every frame decoded at most %.1fx\n", what,
                reference.frames, reference.seconds, fps, reference.peakRssKb / 1024, fps / (25.0 * channels));
}

void ReportPaced(int speed, int channels, const bench::RunResult& run)
{
    std::printf("  %2dx %2d ch: reached %5.2fx (%3.0f%%)  %6d frames, %6d dropped (%4.1f%% decoded)  cpu %3.0f%% of 2"
                "  peak %5ld MB  longest PushFrame %.2f ms\n",
                speed, channels, run.reachedSpeed, 100.0 * run.reachedSpeed / speed, run.frames, run.dropped,
                run.frames ? 100.0 * (run.frames - run.dropped) / run.frames : 0.0,
                100.0 * run.cpuSeconds / run.seconds / 2.0, run.peakRssKb / 1024, run.longestPushSeconds * 1000);
}


} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    try {
        const bench::BenchRecording::Options options = bench::BenchRecording::Parse(argc, argv, "display_decode", 20);
        fs::create_directories(options.dir);
        const fs::path path = options.recording.empty()
                                  ? bench::BenchRecording::Make(options.vrcTool, options.dir, options.seconds)
                                  : options.recording;
        const bench::RecordingFrames frames = bench::RecordingFrames::Read(path.string());
        const int channels = frames.channels;
        std::printf("display control on %s: %d channels, %zu video frames; offscreen, %u cores\n",
                    path.filename().c_str(), channels, frames.frames.size(), std::thread::hardware_concurrency());

        const std::vector<std::string> streams = bench::BenchRecording::Extract(options.vrcTool, options.dir, path, channels);
        ReportFfmpeg("ffmpeg -threads 2, every channel's stream", bench::RunFfmpeg(streams), channels);
        const int few = std::min(channels, 4);
        ReportFfmpeg("ffmpeg -threads 2, the first 4 streams", bench::RunFfmpeg({streams.begin(), streams.begin() + few}),
                     few);

        bench::ControlBench control;
        std::printf("the control, paced as the play loop paces it (%d s of wall time at most per run):\n",
                    options.seconds);
        ReportPaced(1, channels, control.PushAtSpeed(frames, channels, 16, 1, options.seconds));
        for (int tiles : {16, 4}) {
            const int shown = std::min(channels, tiles);
            for (int speed : {2, 4, 8, 16, 32})
                ReportPaced(speed, shown, control.PushAtSpeed(frames, shown, tiles, speed, options.seconds / 2.0));
        }
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "display_decode: %s\n", e.what());
        return 1;
    }
}
