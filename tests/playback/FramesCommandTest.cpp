#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "PlaybackHarness.h"

namespace playbacktest {
namespace {

// vrc-tool frames prints what the play loop hands over: one line per frame, plain or JSON.
TEST(FramesCommand, ListsTheFramesShownAtEachSpeedAndRefusesUnknownOnes)
{
    testsupport::TempDir dir;
    const std::string path = dir.File("r.vrc");
    testsupport::RecordingBuilder().VideoRun(0, kT0, 0, 125, 40, 25, 3000).AudioRun(0, kT0, 0, 250, 20, 160).Build().Write(path);
    struct Case {
        std::string arguments;
        int status;
        size_t lines;
        std::vector<std::string> first; // the first lines printed
    };
    const Case cases[] = {
        // 101 video frames up to the last key frame and 250 audio frames, less the last
        // record read, which is never shown.
        {path, 0, 101 + 250 - 1,
         {" 0 0 1268121907 000 1    3000 2010-03-09 08:05:07", " 0 1 1268121907 000 0     160 2010-03-09 08:05:07"}},
        {"--json " + path + " --limit 2 --speed 2", 0, 2,
         {R"({"ch": 0, "audio": 0, "f_time": 1268121907, "msec": 0, "key": 1, "len": 3000, "shown": "2010-03-09 08:05:07"})",
          R"({"ch": 0, "audio": 0, "f_time": 1268121907, "msec": 40, "key": 0, "len": 3000, "shown": "2010-03-09 08:05:07"})"}},
        {path + " --speed -4 --from 2", 0, 2,
         {" 0 0 1268121909 000 1    3000 2010-03-09 08:05:09", " 0 0 1268121908 000 1    3000 2010-03-09 08:05:08"}},
        {path + " --iframe-only --speed 32", 0, 5, {}}, // the audio after the last key frame lets it be shown
        {path + " --speed 3", 2, 0, {}},
        {"--speed 2", 2, 0, {}},
    };
    const char* build = std::getenv("KELVORA_BUILD_DIR");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        const std::string command = std::string(build ? build : ".") + "/bin/vrc-tool frames " + c.arguments + " 2>/dev/null";
        FILE* out = popen(command.c_str(), "r");
        ASSERT_NE(out, nullptr);
        std::vector<std::string> lines;
        char line[512];
        while (std::fgets(line, sizeof line, out))
            lines.emplace_back(line, std::strcspn(line, "\n"));
        EXPECT_EQ(WEXITSTATUS(pclose(out)), c.status);
        EXPECT_EQ(lines.size(), c.lines);
        lines.resize(std::min(lines.size(), c.first.size()));
        EXPECT_EQ(lines, c.first);
    }
}

} // namespace
} // namespace playbacktest
