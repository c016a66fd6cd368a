#include "app/CommandLine.h"

#include <gtest/gtest.h>

namespace {

using Action = app::CommandLine::Action;

struct Case {
    std::vector<std::string> arguments;
    Action action;
    std::string file;
    int quitAfterMs;
};

TEST(CommandLine, ReadsFileOptionsAndRefusesTheRest)
{
    const Case cases[] = {
        {{}, Action::Run, "", -1},
        {{"a.vrc"}, Action::Run, "a.vrc", -1},
        {{"--quit-after", "1500", "a.vrc"}, Action::Run, "a.vrc", 1500},
        {{"a.vrc", "--quit-after", "0"}, Action::Run, "a.vrc", 0},
        {{"-"}, Action::Run, "-", -1},
        {{"a.vrc", "--help"}, Action::Help, "", -1},
        {{"-h"}, Action::Help, "", -1},
        {{"--version", "--bogus"}, Action::Version, "", -1},
        {{"--bogus"}, Action::Usage, "", -1},
        {{"-x", "a.vrc"}, Action::Usage, "", -1},
        {{"a.vrc", "b.vrc"}, Action::Usage, "", -1},
        {{"--quit-after"}, Action::Usage, "", -1},
        {{"--quit-after", "-5"}, Action::Usage, "", -1},
        {{"--quit-after", "10ms"}, Action::Usage, "", -1},
        {{"--", "--help"}, Action::Run, "--help", -1},
        {{""}, Action::Usage, "", -1},
    };
    for (const Case& c : cases) {
        const std::string shown = ::testing::PrintToString(c.arguments);
        const app::CommandLine command = app::CommandLine::Parse(c.arguments);
        EXPECT_EQ(command.action, c.action) << shown;
        EXPECT_EQ(command.action == Action::Usage, !command.error.empty()) << shown;
        if (c.action == Action::Run) {
            EXPECT_EQ(command.file, c.file) << shown;
            EXPECT_EQ(command.quitAfterMs, c.quitAfterMs) << shown;
        }
    }
    EXPECT_EQ(app::CommandLine::Parse({"--bogus"}).error, "unknown option '--bogus'");
    EXPECT_EQ(app::CommandLine::UsageText().rfind("usage: kelvora-player [FILE]\n", 0), 0u);
}

} // namespace
