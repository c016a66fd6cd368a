#include <charconv>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

#include "recording/TimeConversion.h"
#include "recording/TimeText.h"
#include "tools/sample/SampleWriter.h"
#include "tools/vrc-tool/CommandErrors.h"
#include "tools/vrc-tool/Commands.h"

namespace vrctool {
namespace {

constexpr const char* kUsage =
    "usage: vrc-tool make-sample OUT [--channels N] [--audio LIST] [--seconds S] [--format 0..4]\n"
    "                            [--version 0|1|2] [--gop N] [--start \"YYYY-MM-DD hh:mm:ss\"]\n"
    "                            [--reuse-gop] [--realistic] [--stamp-offset MS]\n";

constexpr CommandErrors kErrors{"make-sample", kUsage};

constexpr const char* kHelp =
    "Writes a recording with really encoded 704x576 video at 25 frames a second: channel k shows\n"
    "its own background colour, \"CAM nn\", the recorded date and time of the frame and a sweeping\n"
    "bar; audio channels carry a G.711 mu-law tone of their own pitch.\n"
    "  --channels N     video channels 0..N-1, 1..16 (default 4)\n"
    "  --audio LIST     comma-separated channel numbers with audio, e.g. 0,1 (default none)\n"
    "  --seconds S      length in seconds (default 10); the player needs 64 KiB in every video\n"
    "                   run, so use 3 or more\n"
    "  --format F       0, 1: MPEG-4 Part 2; 2: H.264; 3, 4: H.264 behind a 52-byte block (default 2)\n"
    "  --version V      header layout 0, 1 or 2 (default 0)\n"
    "  --gop N          pictures from one key frame to the next (default 25)\n"
    "  --start TIME     recorded time of the first frame (default \"2024-06-03 09:00:00\")\n"
    "  --reuse-gop      encode one GOP per channel and repeat it with fresh stamps: fast for\n"
    "                   large files (16 channels, --seconds 3800: about 2 GiB), but the\n"
    "                   burned-in time then repeats every GOP\n"
    "  --realistic      pictures like a camera's instead: a textured view, fixed or panning,\n"
    "                   with moving objects and sensor noise, a small caption, and about\n"
    "                   1.5 Mbit/s per channel (a 60 s, 16-channel one takes minutes)\n"
    "  --stamp-offset MS  channel k's stamps come k x MS milliseconds after channel 0's, as\n"
    "                   a recorder stamping its channels independently writes them (0..40,\n"
    "                   default 0)\n";

std::optional<int> ParseInt(const std::string& text)
{
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<uint32_t> ParseChannelList(const std::string& text)
{
    uint32_t mask = 0;
    size_t from = 0;
    while (from <= text.size()) {
        const size_t comma = std::min(text.find(',', from), text.size());
        const auto k = ParseInt(text.substr(from, comma - from));
        if (!k || *k < 0 || *k > 15)
            return std::nullopt;
        mask |= 1u << *k;
        from = comma + 1;
    }
    return mask;
}

// Fills options from "--name value" pairs; the message says what was wrong.
std::string ParseOptions(const Args& args, std::string& out, sample::SampleOptions& o)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--reuse-gop" || a == "--realistic") {
            (a == "--reuse-gop" ? o.reuseGop : o.realistic) = true;
            continue;
        }
        if (!a.starts_with("--")) {
            if (!out.empty())
                return "unexpected argument '" + a + "'";
            out = a;
            continue;
        }
        if (i + 1 == args.size())
            return a + " needs a value";
        const std::string& v = args[++i];
        std::optional<int> n = ParseInt(v);
        int* field = a == "--channels" ? &o.channels : a == "--seconds" ? &o.seconds : a == "--format" ? &o.videoFormat
                   : a == "--version" ? &o.version : a == "--gop" ? &o.gop
                   : a == "--stamp-offset" ? &o.stampOffsetMs : nullptr;
        if (field) {
            if (!n)
                return a + " takes a whole number, not '" + v + "'";
            *field = *n;
        } else if (a == "--audio") {
            const auto mask = ParseChannelList(v);
            if (!mask)
                return "--audio takes channel numbers 0..15 separated by commas, not '" + v + "'";
            o.audioMask = *mask;
        } else if (a == "--start") {
            const std::optional<int32_t> start = recording::ParseDateTime(v);
            if (!start)
                return "--start takes \"YYYY-MM-DD hh:mm:ss\", not '" + v + "'";
            o.start = recording::FTimeToSystemTime(*start);
        } else {
            return "unknown option " + a;
        }
    }
    return out.empty() ? "no output file given" : sample::SampleWriter::Check(o);
}

} // namespace

int RunMakeSample(const Args& args)
{
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::printf("%s\n%s", kUsage, kHelp);
        return 0;
    }
    std::string out;
    sample::SampleOptions options;
    if (const std::string error = ParseOptions(args, out, options); !error.empty())
        return kErrors.Usage(error);
    const auto begin = std::chrono::steady_clock::now();
    if (const std::string error = sample::SampleWriter::Write(out, options); !error.empty()) {
        std::fprintf(stderr, "vrc-tool make-sample: %s\n", error.c_str());
        std::error_code ignored;
        std::filesystem::remove(out, ignored);
        return 1;
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - begin;
    std::error_code ec;
    std::printf("%s: %ju bytes in %.1f s\n", out.c_str(), static_cast<uintmax_t>(std::filesystem::file_size(out, ec)),
                took.count());
    return 0;
}

} // namespace vrctool
