// Plays a recording in the display control alone, in a window of its own, at its recorded pace.
//
//   display_preview RECORDING [--tiles N] [--seconds S] [--capture FILE.png]
//
// With --seconds, playback pauses after S seconds; the program then compares the control's
// capture with what the screen shows (when the platform can grab it), writes the capture (and
// the screen grab beside it as FILE-screen.png) and quits a second later.
#include <array>
#include <atomic>
#include <chrono>
#include <memory>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include "app/startup/ControlLibrary.h"
#include "bench/display_decode/RecordingFrames.h"
#include "display/CVorquil_Ctrl_Player.h"
#include "display/ControlRegistry.h"
#include "display/DispId.h"

namespace {

struct Options {
    std::string recording;
    int tiles = 16;
    int seconds = 0;
    QString capture;
};

Options Parse(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--tiles" && hasValue)
            options.tiles = std::atoi(argv[++i]);
        else if (arg == "--seconds" && hasValue)
            options.seconds = std::atoi(argv[++i]);
        else if (arg == "--capture" && hasValue)
            options.capture = QString::fromLocal8Bit(argv[++i]);
        else if (options.recording.empty())
            options.recording = arg;
        else
            throw std::runtime_error("usage: display_preview RECORDING [--tiles N] [--seconds S] [--capture FILE.png]");
    }
    if (options.recording.empty())
        throw std::runtime_error("usage: display_preview RECORDING [--tiles N] [--seconds S] [--capture FILE.png]");
    return options;
}

// The control's capture, turned top row first.
QImage Capture(display::CVorquil_Ctrl_Player& player)
{
    std::vector<uint8_t> buffer(display::kCaptureBufferSize);
    int32_t width = 0, height = 0, bits = 0;
    if (player.CaptureImage(buffer.data(), &width, &height, &bits) < 0)
        return {};
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        std::memcpy(image.scanLine(y), buffer.data() + static_cast<size_t>(height - 1 - y) * width * 4, width * 4);
    return image;
}

int CountDifferences(const QImage& a, const QImage& b)
{
    int differences = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            differences += (a.pixel(x, y) & 0xFFFFFF) != (b.pixel(x, y) & 0xFFFFFF);
    return differences;
}

void Compare(display::CVorquil_Ctrl_Player& player, QWidget& window, const QString& path)
{
    const QImage capture = Capture(player);
    if (capture.isNull()) {
        std::printf("no picture to capture\n");
        return;
    }
    const QImage screen = window.screen()->grabWindow(window.winId()).toImage().convertToFormat(QImage::Format_RGB32);
    if (screen.size() == capture.size()) {
        std::printf("capture against the window on screen: %d of %d pixels differ\n", CountDifferences(capture, screen),
                    capture.width() * capture.height());
        // The selection outline is drawn on screen only; without it both must be the same.
        player.Invoke(display::kInit45, std::array<display::DispArg, 1>{int32_t{1}});
        window.repaint();
        const QImage plain = window.screen()->grabWindow(window.winId()).toImage().convertToFormat(QImage::Format_RGB32);
        std::printf("without the outline: %d pixels differ\n", CountDifferences(capture, plain));
        player.Invoke(display::kInit45, std::array<display::DispArg, 1>{int32_t{0}});
        window.repaint();
        QString screenPath = path;
        screen.save(screenPath.replace(QStringLiteral(".png"), QStringLiteral("-screen.png")));
    } else {
        std::printf("this platform cannot grab the screen (%dx%d)\n", screen.width(), screen.height());
    }
    if (!path.isEmpty())
        capture.save(path);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    try {
        const Options options = Parse(argc, argv);
        const bench::RecordingFrames recording = bench::RecordingFrames::Read(options.recording);
        app::ControlLibrary library;
        if (!library.LoadAndRegister())
            return 1;
        const display::ControlInstance control =
            display::ControlRegistry::Create(display::kPlayerControlClassId, nullptr, nullptr);
        if (!control.widget)
            throw std::runtime_error("the control is not registered");
        std::unique_ptr<QWidget> window(control.widget);
        display::CVorquil_Ctrl_Player player(control.target);
        window->setWindowTitle(QStringLiteral("Kelvora display control"));
        window->move(0, 0);
        window->show();
        player.SetTitleText(u"Kelvora Player");
        player.SetVersionText(u"                  Ver 1.2.0.1");
        for (int k = 0; k < 16; ++k)
            player.SetChannelTitle(k, u"CAM " + QString::number(k + 1).rightJustified(2, u'0').toStdU16String());
        player.SetMode(3, 0);
        player.SetChannelCount(recording.channels);
        player.SetLayout(0, options.tiles);

        std::atomic<bool> quit{false};
        std::thread play([&] {
            using Clock = std::chrono::steady_clock;
            const auto start = Clock::now();
            const uint32_t first = recording.frames.empty() ? 0 : recording.frames.front().msec;
            for (const bench::Frame& frame : recording.frames) {
                const auto due = start + std::chrono::milliseconds(frame.msec - first);
                if (quit || (options.seconds > 0 && due - start > std::chrono::seconds(options.seconds)))
                    break;
                std::this_thread::sleep_until(due);
                player.PushFrame(frame.payload.data(), frame.fTime, static_cast<int32_t>(frame.msec % 1000), 0,
                                 static_cast<int32_t>(frame.payload.size()), static_cast<int32_t>(frame.key), frame.channel);
            }
        });
        if (options.seconds > 0) {
            QTimer::singleShot(options.seconds * 1000 + 500, [&] { Compare(player, *window, options.capture); });
            QTimer::singleShot(options.seconds * 1000 + 1500, &application, &QApplication::quit);
        }
        application.exec();
        quit = true;
        play.join();
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "display_preview: %s\n", e.what());
        return 1;
    }
}
