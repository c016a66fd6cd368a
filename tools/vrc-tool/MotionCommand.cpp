#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "motion/MotionSearch.h"
#include "tools/vrc-tool/CommandArguments.h"
#include "tools/vrc-tool/CommandErrors.h"
#include "tools/vrc-tool/Commands.h"
#include "tools/vrc-tool/Json.h"
#include "tools/vrc-tool/Progress.h"

namespace vrctool {
namespace {

constexpr CommandErrors kErrors{
    "motion",
    "usage: vrc-tool motion FILE --channel K [--region X,Y,W,H]... [--from TIME] [--to TIME] [--sensitivity 1..10]\n"
    "                       [--min-gap S] [--json]\n"
    "       regions are in the channel's picture pixels; TIME is a recorded time \"YYYY-MM-DD hh:mm:ss\"\n"};

struct MotionArgs {
    std::string file;
    int channel = -1;
    motion::MotionOptions options;
    std::string fromText, toText;
    bool json = false;
};

std::string TakeRegion(const Args& args, size_t& i, std::vector<motion::Region>& regions)
{
    if (i + 1 == args.size())
        return "--region needs X,Y,W,H";
    const std::string& text = args[++i];
    int v[4] = {};
    char tail = 0;
    if (std::sscanf(text.c_str(), "%d,%d,%d,%d%c", &v[0], &v[1], &v[2], &v[3], &tail) != 4 || v[0] < 0 || v[1] < 0 ||
        v[2] <= 0 || v[3] <= 0 || v[0] > 65535 || v[1] > 65535 || v[2] > 65535 || v[3] > 65535)
        return "--region takes X,Y,W,H in pixels (W and H above 0), not '" + text + "'";
    regions.push_back({v[0], v[1], v[2], v[3]});
    return {};
}

std::string TakeNumber(const Args& args, size_t& i, double low, double high, double& value)
{
    if (i + 1 == args.size())
        return args[i] + " needs a number";
    const std::string& text = args[++i];
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !(value >= low && value <= high))
        return args[i - 1] + " takes a number from " + std::to_string(static_cast<int>(low)) + " to " +
               std::to_string(static_cast<int>(high)) + ", not '" + text + "'";
    return {};
}

std::string Parse(const Args& args, MotionArgs& m)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::string error;
        double number = 0;
        if (a == "--json") {
            m.json = true;
        } else if (a == "--channel") {
            error = CommandArguments::TakeChannel(args, i, m.channel);
        } else if (a == "--region") {
            error = TakeRegion(args, i, m.options.regions);
        } else if (a == "--from") {
            error = CommandArguments::TakeTime(args, i, m.options.from, m.fromText);
        } else if (a == "--to") {
            error = CommandArguments::TakeTime(args, i, m.options.to, m.toText);
        } else if (a == "--sensitivity") {
            error = TakeNumber(args, i, 1, 10, number);
            m.options.sensitivity = static_cast<int>(number);
            if (error.empty() && number != m.options.sensitivity)
                error = "--sensitivity takes a whole number from 1 to 10";
        } else if (a == "--min-gap") {
            error = TakeNumber(args, i, 0, 86'400, number);
            m.options.minGapMs = static_cast<int>(std::llround(number * 1000));
        } else {
            std::string unused;
            error = CommandArguments::TakeFileOrOut(a, m.file, unused);
            if (error.empty() && !unused.empty())
                error = "unexpected argument '" + a + "'";
        }
        if (!error.empty())
            return error;
    }
    return m.file.empty() || m.channel < 0 ? "FILE and --channel K are both needed" : "";
}

std::string Fixed(double value, int decimals)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string Json(const MotionArgs& m, const motion::MotionResult& r)
{
    std::string regions;
    for (const motion::Region& g : m.options.regions)
        regions += (regions.empty() ? "[" : ", [") + std::to_string(g.x) + ", " + std::to_string(g.y) + ", " +
                   std::to_string(g.width) + ", " + std::to_string(g.height) + "]";
    std::string events;
    for (const motion::MotionEvent& e : r.events)
        events += std::string(events.empty() ? "" : ", ") + "{\"start\": " + JsonString(e.start.Text()) +
                  ", \"end\": " + JsonString(e.end.Text()) + ", \"peak\": " + Fixed(e.peak, 2) + "}";
    return "{\"channel\": " + std::to_string(m.channel) + ", \"region\": [" + regions + "], \"events\": [" + events +
           "], \"analysedFrames\": " + std::to_string(r.analysedFrames) +
           ", \"damagedRecords\": " + std::to_string(r.damagedRecords) + ", \"seconds\": " + Fixed(r.seconds, 3) + "}";
}

} // namespace

int RunMotion(const Args& args)
{
    MotionArgs m;
    if (const std::string error = Parse(args, m); !error.empty())
        return kErrors.Usage(error);
    if (m.options.from && m.options.to && *m.options.to < *m.options.from)
        return kErrors.Fail(m.file, "--to " + m.toText + " lies before --from " + m.fromText);
    constexpr uint64_t kSteps = 1000;
    Progress progress("channel " + std::to_string(m.channel), kSteps);
    motion::SearchObserver observer;
    observer.progress = [&](double done) { progress.Update(static_cast<uint64_t>(done * kSteps)); };
    const motion::MotionResult r = motion::MotionSearch::Run(m.file, m.channel, m.options, observer);
    if (!r.error.empty())
        return kErrors.Fail(m.file, r.error);
    progress.Finish();
    if (m.json) {
        std::printf("%s\n", Json(m, r).c_str());
        return 0;
    }
    for (const motion::MotionEvent& e : r.events)
        std::printf("%s .. %s  peak %s  %s s\n", e.start.Text().c_str(), e.end.Text().c_str(), Fixed(e.peak, 2).c_str(),
                    Fixed(static_cast<double>(e.DurationMs()) / 1000.0, 3).c_str());
    std::fprintf(stderr, "vrc-tool motion: %zu events in %s s of channel %d (%llu pictures analysed%s)\n",
                 r.events.size(), Fixed(r.seconds, 3).c_str(), m.channel,
                 static_cast<unsigned long long>(r.analysedFrames),
                 r.damagedRecords ? (", " + std::to_string(r.damagedRecords) + " damaged records skipped").c_str() : "");
    return 0;
}

} // namespace vrctool
