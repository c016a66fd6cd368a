#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

#include "display/CVorquil_Ctrl_Player.h"
#include "display/DispId.h"
#include "platform/VirtualClock.h"
#include "playback/NullPlayerView.h"
#include "playback/PlayerCore.h"
#include "recording/TimeText.h"
#include "tools/vrc-tool/CommandErrors.h"
#include "tools/vrc-tool/Commands.h"
#include "tools/vrc-tool/Json.h"

namespace vrctool {
namespace {

constexpr const char* kUsage =
    "usage: vrc-tool frames [--json] FILE [--speed N] [--from SEC] [--iframe-only] [--limit N]\n"
    "  N is 1, 2, 4, 8, 16 or 32, or -1 to -32 for reverse\n";

constexpr CommandErrors kErrors{"frames", kUsage};

struct Options {
    bool json = false;
    std::string path;
    int speed = 1;
    int from = 0;
    bool iframeOnly = false;
    long limit = -1;
};

// Stands in for the display control and prints each frame handed over to it, with the
// calendar time the player shows for it.
class FramePrinter : public display::DispatchTarget {
public:
    FramePrinter(bool json, long limit) : m_json(json), m_limit(limit) {}
    void Attach(const playback::PlayerCore* core) { m_core = core; }
    bool Done() const { return m_done; }

    int32_t Invoke(int32_t dispid, std::span<const display::DispArg> args) override
    {
        if (dispid != display::kPushFrame || args.size() != 7 || m_done)
            return 0;
        int32_t v[6];
        for (size_t i = 1; i < 7; ++i)
            v[i - 1] = std::get<int32_t>(args[i]);
        if (v[5] == -1) // the reset before the first frame, not a frame
            return 0;
        const std::string shown = recording::FormatDateTime(m_core->m_ShownTime, 1);
        if (m_json)
            std::printf("{\"ch\": %d, \"audio\": %d, \"f_time\": %d, \"msec\": %d, \"key\": %d, \"len\": %d, \"shown\": %s}\n",
                        v[5], v[2], v[0], v[1], v[4], v[3], JsonString(shown).c_str());
        else
            std::printf("%2d %d %d %03d %d %7d %s\n", v[5], v[2], v[0], v[1], v[4], v[3], shown.c_str());
        if (m_limit >= 0 && ++m_count >= m_limit)
            m_done = true;
        return 0;
    }

private:
    bool m_json;
    long m_limit;
    long m_count = 0;
    std::atomic<bool> m_done{false};
    const playback::PlayerCore* m_core = nullptr;
};

std::optional<Options> Parse(const Args& args)
{
    Options o;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--json")
            o.json = true;
        else if (a == "--iframe-only")
            o.iframeOnly = true;
        else if (a == "--speed" && hasValue)
            o.speed = std::atoi(args[++i].c_str());
        else if (a == "--from" && hasValue)
            o.from = std::atoi(args[++i].c_str());
        else if (a == "--limit" && hasValue)
            o.limit = std::atol(args[++i].c_str());
        else if (o.path.empty() && !a.starts_with("--"))
            o.path = a;
        else
            return std::nullopt;
    }
    if (o.path.empty() || o.from < 0)
        return std::nullopt;
    for (int s : {1, 2, 4, 8, 16, 32}) {
        if (o.speed == s || o.speed == -s)
            return o;
    }
    return std::nullopt;
}

// Presses the buttons a user would, each search finished before the next press, and only
// then lets the play thread run, so the listing is the same on every run.
void PressButtons(playback::PlayerCore& core, const Options& o)
{
    playback::TransportCommands& t = core.Transport();
    t.OnPlay();
    core.WaitForSearch();
    if (o.from > 0) {
        t.OnSeekSlider(playback::TransportCommands::kThumbPosition, true, o.from);
        core.WaitForSearch();
    }
    int presses = 0;
    for (int s = std::abs(o.speed); s > 1; s /= 2)
        ++presses;
    for (int i = 0; i < presses + (o.speed < 0 ? 1 : 0); ++i) {
        if (o.speed < 0)
            t.OnRew();
        else
            t.OnFf();
        core.WaitForSearch();
    }
}

} // namespace

int RunFrames(const Args& args)
{
    const std::optional<Options> o = Parse(args);
    if (!o)
        return kErrors.Usage("unexpected or missing argument");
    platform::VirtualClock clock;
    FramePrinter printer(o->json, o->limit);
    display::CVorquil_Ctrl_Player ctrl(&printer);
    playback::NullPlayerView view;
    playback::PlayerCore core(ctrl, view, clock);
    printer.Attach(&core);
    core.InitWindowDefaults();
    core.m_nDisplayMode = 3; // as the window's layout leaves it
    core.m_bIFrameOnly = o->iframeOnly ? 1 : 0;
    core.m_bPlayThreadStarted = 1; // started below, once the buttons are pressed

    const playback::FileOpenResult opened = core.Open().OnFileChosen(o->path);
    if (!opened.openError.empty())
        return kErrors.CannotRead(o->path, opened.openError);
    for (const std::string& text : opened.BoxTexts())
        std::fprintf(stderr, "%s\n", text.c_str());
    core.Open().FinishFileOpen(opened);
    if (opened.after == playback::FileOpenResult::After::Nothing && opened.reason.empty())
        return kErrors.Fail(o->path, "the player opens only names that hold .vrc or .crv");
    if (!core.m_bFileOpened)
        return 1;

    PressButtons(core, *o);
    core.StartPlayThread();
    // Ends at the end of the stream, at the limit, or when no search found a key frame.
    while (core.m_bAtEnd == 0 && !printer.Done() && !(core.m_bSeekDone == 0 && !core.SearchRunning()))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    core.Shutdown();
    std::fflush(stdout);
    return 0;
}

} // namespace vrctool
