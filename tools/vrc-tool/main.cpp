#include <csignal>
#include <cstdio>
#include <cstring>
#include <span>
#include <string>

#include "display/decoder/LibavLog.h"
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
     "export FILE --channel K [--channel K ...] [--tracks] [--from TIME] [--to TIME] [--audio] [--force]\n"
     "                      [--sign KEY] OUT   copies channel K's frames unchanged into OUT (.mkv, or .mp4\n"
     "                      without sound; --tracks: the channels as tracks of one .mkv) and writes\n"
     "                      OUT.manifest.json; TIME is \"YYYY-MM-DD hh:mm:ss\" recorded time"},
    {"verify", vrctool::RunVerify,
     "verify MANIFEST [--pubkey PUB]   exports the span again from the source and checks every field,\n"
     "                      frame and hash of the manifest and the clip beside it (and its signature)"},
    {"keygen", vrctool::RunKeygen, "keygen KEY   writes a new Ed25519 private key KEY and its public key KEY.pub"},
    {"sign", vrctool::RunSign, "sign MANIFEST --key KEY   writes MANIFEST.sig"},
    {"report", vrctool::RunReport,
     "report MANIFEST -o FILE.html|FILE.txt   what was exported, from where, its hashes, its time list\n"
     "                      second by second, holes, clock steps, damage and a fresh verification"},
    {"timeline", vrctool::RunTimeline,
     "timeline [--json] FILE [--gap SECONDS]   per channel: span, frames, key frames, gaps and jumps"},
    {"salvage", vrctool::RunSalvage,
     "salvage BROKEN OUT.vrc [--report FILE]\n"
     "                      writes every intact record of a damaged or cut recording into a new one\n"
     "                      and says per channel what was kept and lost; BROKEN is only read"},
    {"motion", vrctool::RunMotion,
     "motion FILE --channel K [--region X,Y,W,H]... [--from TIME] [--to TIME] [--sensitivity 1..10]\n"
     "                      [--min-gap S] [--json]   the spans of recorded time with movement in the regions"},
};

void PrintUsage(std::FILE* to)
{
    std::fprintf(to, "usage: vrc-tool COMMAND ...\n");
    for (const Command& c : kCommands)
        std::fprintf(to, "  vrc-tool %s\n", c.usage);
    std::fprintf(to, "  vrc-tool --help | --version | COMMAND --help\n"
                     "exit status: 0 done, 1 the input or the output failed, 2 a usage error\n");
}

bool AsksForHelp(const char* word) { return std::strcmp(word, "--help") == 0 || std::strcmp(word, "-h") == 0; }

} // namespace

int main(int argc, char** argv)
{
    // Past a file-size limit a write must fail and be reported like any other, not end the
    // program with a file cut short.
    std::signal(SIGXFSZ, SIG_IGN);
    // libav's own lines (a damaged stream gives one per frame) only as the player says them.
    display::LibavLog::Install(nullptr, "libav");
    if (argc >= 2 && AsksForHelp(argv[1])) {
        PrintUsage(stdout);
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("vrc-tool %s\n", KELVORA_VERSION);
        return 0;
    }
    for (const Command& c : argc >= 2 ? std::span(kCommands) : std::span<const Command>()) {
        if (std::strcmp(argv[1], c.name) != 0)
            continue;
        // make-sample explains its options at length itself.
        if (argc == 3 && AsksForHelp(argv[2]) && std::strcmp(c.name, "make-sample") != 0) {
            std::printf("usage: vrc-tool %s\n", c.usage);
            return 0;
        }
        return c.run(vrctool::Args(argv + 2, argv + argc));
    }
    if (argc >= 2)
        std::fprintf(stderr, "vrc-tool: unknown command '%s'\n", argv[1]);
    PrintUsage(stderr);
    return 2;
}
