// Motion search on realistic footage, in times real time, beside ffmpeg decoding the same
// channels' streams (key frames only, and every frame) in the same run.
//
//   bench_motion [--recording FILE] [--vrc-tool PATH] [--dir DIR] [--seconds N]
//
// Takes the recording given, or makes (once) a realistic 16-channel one. Searches channel 0
// alone, then every channel one after another (each search on every core), over the whole
// picture: wall time, CPU, peak memory of this process, and what was found.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>

#include "bench/display_decode/BenchRecording.h"
#include "bench/display_decode/FfmpegReference.h"
#include "motion/MotionSearch.h"
#include "platform/File.h"
#include "recording/ChannelTables.h"
#include "recording/HeaderCheck.h"

namespace {

namespace fs = std::filesystem;


double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long PeakRssKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void Search(const fs::path& path, int channels)
{
    const auto start = std::chrono::steady_clock::now();
    const double cpu = CpuSeconds();
    double recorded = 0;
    uint64_t frames = 0, events = 0;
    for (int k = 0; k < channels; ++k) {
        const motion::MotionResult r = motion::MotionSearch::Run(path.string(), k, {});
        if (!r.error.empty())
            throw std::runtime_error("channel " + std::to_string(k) + ": " + r.error);
        recorded += r.seconds;
        frames += r.analysedFrames;
        events += r.events.size();
    }
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%-44s %7.2f s %7.1fx real time  %6llu pictures, %3llu events  cpu %3.0f%% of %u  peak %4ld MB\n",
                (std::string("motion search, ") + std::to_string(channels) + " channel(s)").c_str(), wall,
                recorded / wall, static_cast<unsigned long long>(frames), static_cast<unsigned long long>(events),
                100.0 * (CpuSeconds() - cpu) / wall / std::thread::hardware_concurrency(),
                std::thread::hardware_concurrency(), PeakRssKb() / 1024);
}

void Reference(const char* what, const std::vector<std::string>& streams, const std::string& options,
               double recordedSeconds)
{
    const bench::FfmpegResult r = bench::RunFfmpeg(streams, options);
    if (!r.ok) {
        std::printf("%-44s ffmpeg failed\n", what);
        return;
    }
    std::printf("%-44s %7.2f s %7.1fx real time  %6d pictures                cpu -           peak %4ld MB\n", what,
                r.seconds, recordedSeconds / r.seconds, r.frames, r.peakRssKb / 1024);
}


int VideoChannels(const fs::path& path)
{
    platform::File file;
    if (!file.Open(path.string()))
        throw std::runtime_error("cannot read " + path.string());
    const recording::HeaderCheck check = recording::HeaderCheck::Run(file);
    if (check.error)
        throw std::runtime_error(path.string() + " is not a recording");
    return recording::ChannelTables::Build(check.header, check.fileSize).videoChCount;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        const bench::BenchRecording::Options options = bench::BenchRecording::Parse(argc, argv, "bench_motion", 60);
        fs::create_directories(options.dir);
        const fs::path path = options.recording.empty()
                                  ? bench::BenchRecording::Make(options.vrcTool, options.dir, options.seconds)
                                  : options.recording;
        const int channels = VideoChannels(path);
        const motion::MotionResult first = motion::MotionSearch::Run(path.string(), 0, {});
        std::printf("motion search on %s: %d channels of %.1f s; %u cores\n", path.filename().c_str(), channels,
                    first.seconds, std::thread::hardware_concurrency());
        Search(path, 1);
        Search(path, channels);
        const std::vector<std::string> streams = bench::BenchRecording::Extract(options.vrcTool, options.dir, path, channels);
        for (const bool all : {false, true}) {
            const std::vector<std::string> some(streams.begin(), streams.begin() + (all ? channels : 1));
            const double recorded = first.seconds * static_cast<double>(some.size());
            const std::string n = " (" + std::to_string(some.size()) + " ch)";
            Reference(("ffmpeg -threads 2 -skip_frame nokey" + n).c_str(), some, "-skip_frame nokey", recorded);
            Reference(("ffmpeg -threads 2, every frame" + n).c_str(), some, "", recorded);
        }
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_motion: %s\n", e.what());
        return 1;
    }
}
