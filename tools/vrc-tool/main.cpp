#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/vrc-tool/Commands.h"

namespace {

struct Command {
    const char* name;
    int (*run)(const vrctool::Args&);
    const char* usage;
};

constexpr Command kCommands[] = {
    {"info", vrctool::RunInfo, "info [--json] FILE"},
    {"make-sample", vrctool::RunMakeSample,
     "make-sample OUT [--channels N] [--audio LIST] [--seconds S] [--format 0..4] [--version 0|1|2]\n"
     "                      [--gop N] [--start \"YYYY-MM-DD hh:mm:ss\"] [--reuse-gop]  (--help)"},
    {"extract", vrctool::RunExtract, "extract FILE --channel K [--audio] OUT"},
    {"storage", vrctool::RunStorage, "storage list DIR | storage export DIR ENTRY"},
    {"make-storage", vrctool::RunMakeStorage, "make-storage DIR"},
    {"frames", vrctool::RunFrames, "frames [--json] FILE [--speed N] [--from SEC] [--iframe-only] [--limit N]"},
    {"export", vrctool::RunExport,
     "export FILE --channel K [--channel K ...] [--from TIME] [--to TIME] [--audio] [--force] OUT\n"
     "                      copies channel K's frames unchanged into OUT (.mkv, or .mp4 without sound)\n"
     "                      and writes OUT.manifest.json; TIME is \"YYYY-MM-DD hh:mm:ss\" recorded time"},
    {"verify", vrctool::RunVerify, "verify MANIFEST   checks an export's source and clip against its manifest"},
    {"timeline", vrctool::RunTimeline,
     "timeline [--json] FILE [--gap SECONDS]   per channel: span, frames, key frames, gaps and jumps"},
    {"motion", vrctool::RunMotion,
     "motion FILE --channel K [--region X,Y,W,H]... [--from TIME] [--to TIME] [--sensitivity 1..10]\n"
     "                      [--min-gap S] [--json]   the spans of recorded time with movement in the regions"},
};

int Usage()
{
    std::fprintf(stderr, "usage: vrc-tool COMMAND ...\n");
    for (const Command& c : kCommands)
        std::fprintf(stderr, "  vrc-tool %s\n", c.usage);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    // Past a file-size limit a write must fail and be reported like any other, not end the
    // program with a file cut short.
    std::signal(SIGXFSZ, SIG_IGN);
    if (argc < 2)
        return Usage();
    for (const Command& c : kCommands) {
        if (std::strcmp(argv[1], c.name) == 0)
            return c.run(vrctool::Args(argv + 2, argv + argc));
    }
    return Usage();
}
