// How far the sound lies from the picture in the running player: a private PulseAudio server
// with a null sink, the real window (offscreen is fine) playing a 4-channel sample recording
// whose channel 1 beeps louder for the first 200 ms of every second, parec recording the
// sink's monitor, and the control's paints read for the first frame of each second. Prints
// per second and in summary the beep's onset at the sink less the time that frame was
// painted (positive: the sound comes later), and the gaps in the sound: the 20 ms windows
// without a sample above 1/20 of the steady tone, and the longest run of them. With more
// channels the wall costs more to decode and draw (run it beside a CPU hog to see whether the
// sound survives). Figures only; nothing is judged.
//
//   bench_av_offset [seconds [stamp offset ms [channels]]]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include "app/startup/ControlLibrary.h"
#include "bench/av_offset/MonitorRecorder.h"
#include "bench/av_offset/PaintClock.h"
#include "display/PulseServer.h"
#include "support/TempDir.h"
#include "tools/sample/SampleWriter.h"
#include "tools/sample/ToneEncoder.h"
#include "ui/ControlIds.h"
#include "ui/MessageBox.h"
#include "ui/PlayerDialog.h"
#include "ui/RunningPlayer.h"

namespace {

using Clock = std::chrono::steady_clock;
using testsupport::PulseServer;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// The silent 20 ms windows from a sample on, and the longest run of them in ms.
std::pair<int, int> SilentWindows(const std::vector<int16_t>& samples, size_t from)
{
    constexpr size_t kWindow = PulseServer::kRate / 50;
    std::vector<int> loudest;
    for (size_t i = from; i + kWindow <= samples.size(); i += kWindow) {
        int peak = 0;
        for (size_t j = i; j < i + kWindow; ++j)
            peak = std::max(peak, std::abs(int(samples[j])));
        loudest.push_back(peak);
    }
    std::vector<int> sorted = loudest;
    std::sort(sorted.begin(), sorted.end());
    // The steady tone: the median window; a beep is louder, silence far quieter.
    const int threshold = sorted.empty() ? 0 : sorted[sorted.size() / 2] / 20;
    int silent = 0, run = 0, longest = 0;
    for (int peak : loudest) {
        run = peak <= threshold ? run + 1 : 0;
        silent += peak <= threshold;
        longest = std::max(longest, run);
    }
    return {silent, longest * 20};
}

// Samples where a beep starts: the first sample above 60% of the loudest (the beep is four
// times the steady tone) after at least half a second without one. The first half second has
// no such history: a recording that starts inside a beep would show a false onset there.
std::vector<size_t> BeepOnsets(const std::vector<int16_t>& samples)
{
    int peak = 0;
    for (int16_t x : samples)
        peak = std::max(peak, std::abs(int(x)));
    const int threshold = peak * 6 / 10;
    std::vector<size_t> onsets;
    std::optional<size_t> last;
    for (size_t i = 0; i < samples.size(); ++i) {
        if (std::abs(int(samples[i])) <= threshold || peak < 1000)
            continue;
        if (i >= PulseServer::kRate / 2 && (!last || i - *last > PulseServer::kRate / 2))
            onsets.push_back(i);
        last = i;
    }
    return onsets;
}

void Wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

int Run(int seconds, int stampOffsetMs, int channels)
{
    testsupport::TempDir dir;
    sample::SampleOptions o;
    o.channels = channels;
    o.audioMask = 0b0011;
    o.seconds = seconds + 2;
    o.stampOffsetMs = stampOffsetMs;
    if (const std::string error = sample::SampleWriter::Write(dir.File("four.vrc"), o); !error.empty()) {
        std::fprintf(stderr, "make-sample: %s\n", error.c_str());
        return 1;
    }
    app::ControlLibrary library;
    if (!library.LoadAndRegister()) {
        std::fprintf(stderr, "the display control library could not be loaded\n");
        return 1;
    }
    ui::SetMessageBoxHandler([](const QString& text) { std::fprintf(stderr, "message: %s\n", qPrintable(text)); });
    int result = 0;
    {
        ui::PlayerDialog dialog;
        dialog.show();
        ui::RunningPlayer& player = dialog.Player();
        player.OpenFile(QString::fromStdString(dir.File("four.vrc")));
        player.Core().Transport().OnVolumeSlider(playback::TransportCommands::kEndTrack, 15);
        // The recording opens in the grid that holds all its channels.
        const int columns = channels <= 4 ? 2 : channels <= 9 ? 3 : 4;
        avoffset::PaintClock paints(*dialog.GetDlgItem(ui::id::kDisplay), player.Control(), columns);
        avoffset::MonitorRecorder recorder(std::string(PulseServer::kSink) + ".monitor", PulseServer::kRate);
        if (const std::string error = recorder.Start(); !error.empty()) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        for (int i = 0; i < 100 && !recorder.Receiving(); ++i)
            Wait(50);
        Wait(500); // more than the half second BeepOnsets ignores
        const Clock::time_point play = Clock::now();
        player.Core().Transport().OnPlay();
        Wait(seconds * 1000);
        recorder.Stop();
        const int dropped = player.Control().DroppedFrames(0);

        const std::vector<size_t> onsets = BeepOnsets(recorder.Samples());
        std::printf("recorded %.1f s of the monitor; first sample %.1f ms before Play; blocks arrived a median "
                    "%.1f ms after the earliest bound; %zu beeps; %zu seconds painted, %d paints unread; "
                    "channel 1 dropped %d frames\n",
                    double(recorder.Samples().size()) / PulseServer::kRate, Ms(play - recorder.FirstSample()),
                    recorder.MedianBlockDelayMs(), onsets.size(), paints.Seconds().size(), paints.Unread(), dropped);
        std::printf("%6s %6s %12s %12s %10s\n", "second", "frame", "painted ms", "beep ms", "offset ms");
        double sum = 0, worst = 0;
        int matched = 0;
        for (const avoffset::PaintClock::Second& s : paints.Seconds()) {
            std::optional<double> offset;
            for (size_t onset : onsets) {
                const double d = Ms(recorder.At(onset) - s.painted);
                if (std::abs(d) < 500 && (!offset || std::abs(d) < std::abs(*offset)))
                    offset = d;
            }
            if (!offset) {
                std::printf("%6lld %6lld %12.1f %12s %10s\n", (long long)s.second, (long long)s.frame,
                            Ms(s.painted - play), "-", "-");
                continue;
            }
            std::printf("%6lld %6lld %12.1f %12.1f %10.1f\n", (long long)s.second, (long long)s.frame,
                        Ms(s.painted - play), Ms(s.painted - play) + *offset, *offset);
            sum += *offset;
            worst = std::abs(*offset) > std::abs(worst) ? *offset : worst;
            ++matched;
        }
        const auto playedFrom = static_cast<size_t>(
            std::max(0.0, Ms(play - recorder.FirstSample()) + 500) * PulseServer::kRate / 1000);
        const auto [silent, longest] = SilentWindows(recorder.Samples(), playedFrom);
        std::printf("sound from 0.5 s after Play on, %d channels: %d silent 20 ms windows, the longest gap %d ms\n",
                    channels, silent, longest);
        if (matched == 0) {
            std::printf("no second matched a beep\n");
            result = 1;
        } else {
            std::printf("audio minus picture over %d seconds: mean %.1f ms, largest %.1f ms\n", matched,
                        sum / matched, worst);
        }
    }
    library.Release();
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    if (!PulseServer::Installed()) {
        std::fprintf(stderr, "no pulseaudio program: nothing to measure\n");
        return 1;
    }
    // Before anything looks for an audio device.
    if (const std::string& error = PulseServer::Shared().Error(); !error.empty()) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 20;
    const int offset = argc > 2 ? std::atoi(argv[2]) : 0;
    const int channels = argc > 3 ? std::clamp(std::atoi(argv[3]), 2, 16) : 4;
    return Run(std::max(seconds, 2), offset, channels);
}
