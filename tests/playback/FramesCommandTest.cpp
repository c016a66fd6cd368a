#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "PlaybackHarness.h"

using testsupport::RecordingBuilder;

namespace playbacktest {
namespace {

struct ToolRun {
    int status;
    std::vector<std::string> lines;
};

ToolRun Tool(const std::string& arguments)
{
    const char* build = std::getenv("KELVORA_BUILD_DIR");
    const std::string command = std::string(build ? build : ".") + "/bin/vrc-tool frames " + arguments + " 2>/dev/null";
    FILE* out = popen(command.c_str(), "r");
    ToolRun run{-1, {}};
    if (!out)
        return run;
    char line[512];
    while (std::fgets(line, sizeof line, out)) {
        std::string s(line);
        if (!s.empty() && s.back() == '\n')
            s.pop_back();
        run.lines.push_back(s);
    }
    run.status = WEXITSTATUS(pclose(out));
    return run;
}

class FramesCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        RecordingBuilder().VideoRun(0, kT0, 0, 125, 40, 25, 3000).AudioRun(0, kT0, 0, 250, 20, 160).Build().Write(Path());
    }
    std::string Path() const { return dir.File("r.vrc"); }
    testsupport::TempDir dir;
};

TEST_F(FramesCommand, ListsEveryFrameShownAtNormalSpeed)
{
    const ToolRun run = Tool(Path());
    EXPECT_EQ(run.status, 0);
    // 101 video frames up to the last key frame and 250 audio frames, less the last record
    // read, which is never shown.
    ASSERT_EQ(run.lines.size(), 101u + 250u - 1u);
    EXPECT_EQ(run.lines[0], " 0 0 1268121907 000 1    3000 2010-03-09 08:05:07");
    EXPECT_EQ(run.lines[1], " 0 1 1268121907 000 0     160 2010-03-09 08:05:07");
}

TEST_F(FramesCommand, JsonLinesAndLimit)
{
    const ToolRun run = Tool("--json " + Path() + " --limit 2 --speed 2");
    EXPECT_EQ(run.status, 0);
    ASSERT_EQ(run.lines.size(), 2u);
    EXPECT_EQ(run.lines[0], R"({"ch": 0, "audio": 0, "f_time": 1268121907, "msec": 0, "key": 1, "len": 3000, "shown": "2010-03-09 08:05:07"})");
    EXPECT_EQ(run.lines[1], R"({"ch": 0, "audio": 0, "f_time": 1268121907, "msec": 40, "key": 0, "len": 3000, "shown": "2010-03-09 08:05:07"})");
}

TEST_F(FramesCommand, ReverseFromASecondAndIFrameOnly)
{
    const ToolRun reverse = Tool(Path() + " --speed -4 --from 2");
    ASSERT_EQ(reverse.lines.size(), 2u);
    EXPECT_EQ(reverse.lines[0], " 0 0 1268121909 000 1    3000 2010-03-09 08:05:09");
    EXPECT_EQ(reverse.lines[1], " 0 0 1268121908 000 1    3000 2010-03-09 08:05:08");
    const ToolRun keys = Tool(Path() + " --iframe-only --speed 32");
    EXPECT_EQ(keys.lines.size(), 5u); // the audio after the last key frame lets it be shown
}

TEST_F(FramesCommand, RefusesUnknownSpeeds)
{
    EXPECT_EQ(Tool(Path() + " --speed 3").status, 2);
    EXPECT_EQ(Tool("--speed 2").status, 2);
}

} // namespace
} // namespace playbacktest
