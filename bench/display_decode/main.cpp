// Throughput of the display control on real H.264 recordings, beside ffmpeg decoding the same
// streams with two threads, measured in the same run.
//
//   display_decode [--vrc-tool PATH] [--dir DIR] [--seconds N]
//
// Makes (once) a 16-channel and a 1-channel recording with `vrc-tool make-sample`, pushes every
// frame into the control shown offscreen (16 tiles, then 1 tile) as fast as it accepts them,
// then the 16-channel recording at its recorded pace, and extracts each channel's stream with
// `vrc-tool extract` for ffmpeg.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <QApplication>

#include "bench/display_decode/ControlBench.h"
#include "bench/display_decode/FfmpegReference.h"
#include "bench/display_decode/RecordingFrames.h"

namespace {

namespace fs = std::filesystem;

struct Options {
    std::string vrcTool;
    fs::path dir = fs::temp_directory_path() / "kelvora-bench";
    int seconds = 30;
};

bool Run(const std::string& command)
{
    return std::system((command + " >/dev/null").c_str()) == 0;
}

std::string Quote(const fs::path& path) { return "'" + path.string() + "'"; }

fs::path MakeSample(const Options& options, int channels, int seconds)
{
    const fs::path path = options.dir / ("h264-" + std::to_string(channels) + "ch-" + std::to_string(seconds) + "s.vrc");
    if (!fs::exists(path) &&
        !Run(options.vrcTool + " make-sample " + Quote(path) + " --channels " + std::to_string(channels) +
             " --seconds " + std::to_string(seconds) + " --format 2"))
        throw std::runtime_error("vrc-tool make-sample failed");
    return path;
}

std::vector<std::string> Extract(const Options& options, const fs::path& recording, int channels)
{
    std::vector<std::string> streams;
    for (int k = 0; k < channels; ++k) {
        const fs::path out = options.dir / (recording.stem().string() + "-ch" + std::to_string(k) + ".h264");
        if (!Run(options.vrcTool + " extract " + Quote(recording) + " --channel " + std::to_string(k) + " " + Quote(out)))
            throw std::runtime_error("vrc-tool extract failed");
        streams.push_back(out.string());
    }
    return streams;
}

void Report(const char* what, const bench::RunResult& run, const bench::FfmpegResult* reference)
{
    const double fps = run.frames / run.seconds;
    std::printf("%-34s %6d frames %7.3f s %8.1f frames/s  cpu %5.1f%% of 2 cores  peak %6ld MB", what, run.frames,
                run.seconds, fps, 100.0 * run.cpuSeconds / run.seconds / 2.0, run.peakRssKb / 1024);
    if (reference && reference->ok) {
        const double ffmpegFps = reference->frames / reference->seconds;
        std::printf("\n%-34s %6d frames %7.3f s %8.1f frames/s  peak %6ld MB  -> control at %.0f%% of ffmpeg",
                    "  ffmpeg -threads 2, same streams", reference->frames, reference->seconds, ffmpegFps,
                    reference->peakRssKb / 1024, 100.0 * fps / ffmpegFps);
    }
    std::printf("\n");
}

Options Parse(int argc, char** argv)
{
    Options options;
    options.vrcTool = (fs::path(QCoreApplication::applicationDirPath().toStdString()) / "vrc-tool").string();
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string flag = argv[i];
        if (flag == "--vrc-tool")
            options.vrcTool = argv[i + 1];
        else if (flag == "--dir")
            options.dir = argv[i + 1];
        else if (flag == "--seconds")
            options.seconds = std::max(1, std::atoi(argv[i + 1]));
        else
            throw std::runtime_error("usage: display_decode [--vrc-tool PATH] [--dir DIR] [--seconds N]");
    }
    return options;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    try {
        const Options options = Parse(argc, argv);
        fs::create_directories(options.dir);
        const fs::path sixteen = MakeSample(options, 16, options.seconds);
        const fs::path one = MakeSample(options, 1, options.seconds * 4);
        const bench::RecordingFrames sixteenFrames = bench::RecordingFrames::Read(sixteen.string());
        const bench::RecordingFrames oneFrames = bench::RecordingFrames::Read(one.string());

        bench::ControlBench control;
        const bench::RunResult sixteenRun = control.PushAsFastAsAccepted(sixteenFrames, 16);
        const bench::RunResult oneRun = control.PushAsFastAsAccepted(oneFrames, 1);
        const bench::RunResult paced = control.PushInRealTime(sixteenFrames, 16, std::min(options.seconds, 10));

        const bench::FfmpegResult sixteenRef = bench::RunFfmpeg(Extract(options, sixteen, 16));
        const bench::FfmpegResult oneRef = bench::RunFfmpeg(Extract(options, one, 1));

        std::printf("display control, H.264 704x576, offscreen, %u cores\n", std::thread::hardware_concurrency());
        Report("16 channels in 16 tiles, flat out", sixteenRun, &sixteenRef);
        Report("1 channel in 1 tile, flat out", oneRun, &oneRef);
        Report("16 channels in 16 tiles, real time", paced, nullptr);
        std::printf("%-34s last frame pushed %.1f ms after its time\n", "", paced.lateSeconds * 1000);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "display_decode: %s\n", e.what());
        return 1;
    }
}
