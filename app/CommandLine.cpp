#include "app/CommandLine.h"

#include <charconv>

namespace app {

CommandLine CommandLine::Wrong(std::string error)
{
    CommandLine wrong;
    wrong.action = Action::Usage;
    wrong.error = std::move(error);
    return wrong;
}

CommandLine CommandLine::Parse(const std::vector<std::string>& arguments)
{
    CommandLine command;
    bool optionsEnded = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (!optionsEnded && a == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (a == "--help" || a == "-h")) {
            command.action = Action::Help;
            return command;
        } else if (!optionsEnded && a == "--version") {
            command.action = Action::Version;
            return command;
        } else if (!optionsEnded && a == "--quit-after") {
            if (i + 1 == arguments.size())
                return Wrong("--quit-after needs a number of milliseconds");
            const std::string& ms = arguments[++i];
            const auto [end, ec] = std::from_chars(ms.data(), ms.data() + ms.size(), command.quitAfterMs);
            if (ec != std::errc() || end != ms.data() + ms.size() || command.quitAfterMs < 0)
                return Wrong("--quit-after needs a number of milliseconds, not '" + ms + "'");
        } else if (!optionsEnded && a.size() > 1 && a[0] == '-') {
            return Wrong("unknown option '" + a + "'");
        } else if (!command.file.empty()) {
            return Wrong("one file at a time, not also '" + a + "'");
        } else if (a.empty()) {
            return Wrong("an empty file name");
        } else {
            command.file = a;
        }
    }
    return command;
}

std::string CommandLine::UsageText()
{
    return "usage: kelvora-player [FILE]\n"
           "       kelvora-player --help | --version\n"
           "Plays recordings of multi-channel video recorders (.vrc, .crv); FILE opens at start.\n"
           "  -h, --help         print this and exit\n"
           "  --version          print the version and exit\n"
           "  --quit-after MS    print the window's texts and close it after MS milliseconds\n";
}

} // namespace app
