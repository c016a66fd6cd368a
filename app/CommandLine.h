#pragma once
#include <string>
#include <vector>

namespace app {

// What the player was asked on its command line:
//     kelvora-player [--quit-after MS] [--] [FILE]
//     kelvora-player --help | --version
// Read before anything of the window exists, so that the answers to --help, --version and a
// wrong option need no display.
class CommandLine {
public:
    enum class Action { Run, Help, Version, Usage };

    // The arguments after the program's name.
    static CommandLine Parse(const std::vector<std::string>& arguments);
    static std::string UsageText();

    Action action = Action::Run;
    // The recording to open at start; empty for none.
    std::string file;
    // Milliseconds after which the window reports its texts and closes; negative: never.
    int quitAfterMs = -1;
    // With Action::Usage: what was wrong, for the user.
    std::string error;

private:
    static CommandLine Wrong(std::string error);
};

} // namespace app
