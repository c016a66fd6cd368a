// Time to validate and scan a recording, warm, beside the time to read its first MiB:
// opening must cost about the chunks the scan reads, whatever the recording's size.
//
//   open_scan [FILE...]    default: the 16-channel demo and a 2 GiB 16-channel recording,
//                          made with vrc-tool make-sample on first use
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "recording/RecordingReport.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
constexpr int kRuns = 21;

double Millis(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

template <typename F> double MedianMillis(F f)
{
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        const auto start = Clock::now();
        f();
        times.push_back(Millis(Clock::now() - start));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

std::string Quoted(const std::string& s) { return "'" + s + "'"; }

// Makes a recording with vrc-tool (next to this program) unless it exists.
std::string Ensure(const fs::path& bin, const fs::path& file, const std::string& options)
{
    if (!fs::exists(file)) {
        fs::create_directories(file.parent_path());
        const std::string cmd = Quoted((bin / "vrc-tool").string()) + " make-sample " + Quoted(file.string() + ".part") +
                                " " + options + " && mv " + Quoted(file.string() + ".part") + " " + Quoted(file.string());
        std::printf("making %s ...\n", file.c_str());
        std::fflush(stdout);
        if (std::system(cmd.c_str()) != 0) {
            std::fprintf(stderr, "open_scan: could not make %s\n", file.c_str());
            std::exit(2);
        }
    }
    return file.string();
}

void Measure(const std::string& path)
{
    const recording::RecordingReport first = recording::RecordingReport::Run(path);
    if (!first.ok) {
        std::printf("%s: rejected, not measured\n", path.c_str());
        return;
    }
    const double scan = MedianMillis([&] { recording::RecordingReport::Run(path); });
    const std::string cat = "head -c 1048576 " + Quoted(path) + " > /dev/null";
    const double catMs = MedianMillis([&] { (void)std::system(cat.c_str()); });
    const double readMs = MedianMillis([&] {
        platform::File f;
        std::vector<char> buf(1 << 20);
        f.Open(path);
        f.ReadAt(0, buf.data(), buf.size());
    });
    std::printf("%-60s %8.1f MiB  open+scan %7.3f ms   reference: cat of 1 MiB %7.3f ms, read of 1 MiB %7.3f ms\n",
                path.c_str(), fs::file_size(path) / 1048576.0, scan, catMs, readMs);
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> files(argv + 1, argv + argc);
    if (files.empty()) {
        const fs::path bin = fs::canonical("/proc/self/exe").parent_path();
        const char* home = std::getenv("HOME");
        const fs::path cache = fs::path(home ? home : "/tmp") / ".cache" / "kelvora-bench";
        files.push_back(Ensure(bin, fs::path(home ? home : "/tmp") / "Storage/Demo/demo-16ch-h264.vrc",
                               "--channels 16 --seconds 60 --format 2"));
        files.push_back(Ensure(bin, cache / "16ch-2gib.vrc", "--channels 16 --seconds 3800 --format 2 --reuse-gop"));
    }
    std::printf("median of %d warm runs each\n", kRuns);
    for (const std::string& f : files)
        Measure(f);
}
