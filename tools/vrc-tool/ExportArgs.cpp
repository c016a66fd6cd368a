#include "tools/vrc-tool/ExportArgs.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "recording/TimeText.h"
#include "tools/vrc-tool/CommandArguments.h"

namespace vrctool {
namespace {

// The text after an option that takes one.
std::string TakeText(const std::vector<std::string>& args, size_t& i, std::string& text, const char* what)
{
    if (i + 1 == args.size() || args[i + 1].empty())
        return args[i] + " needs " + what;
    text = args[++i];
    return {};
}

} // namespace

std::string ExportArgs::Parse(const std::vector<std::string>& args)
{
    const std::pair<const char*, std::string*> texts[] = {
        {"--case", &caseId}, {"--exhibit", &exhibit}, {"--operator", &operatorName}, {"--note", &note}};
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::string error;
        const auto text = std::ranges::find(texts, a, [](const auto& t) { return std::string(t.first); });
        if (text != std::end(texts)) {
            error = TakeText(args, i, *text->second, "a text");
        } else if (a == "--audio") {
            audio = true;
        } else if (a == "--force") {
            force = true;
        } else if (a == "--tracks") {
            tracks = true;
        } else if (a == "--from") {
            error = CommandArguments::TakeTime(args, i, from, fromText);
        } else if (a == "--to") {
            error = CommandArguments::TakeTime(args, i, to, toText);
        } else if (a == "--sign") {
            error = TakeText(args, i, signKey, "a private key file");
        } else if (a == "--channel") {
            int channel = -1;
            error = CommandArguments::TakeChannel(args, i, channel);
            if (error.empty() && std::ranges::count(channels, channel) > 0)
                error = "--channel " + std::to_string(channel) + " is given twice";
            channels.push_back(channel);
        } else {
            error = CommandArguments::TakeFileOrOut(a, file, out);
        }
        if (!error.empty())
            return error;
    }
    if (file.empty() || out.empty() || channels.empty())
        return "FILE, --channel K and OUT are all needed";
    if (tracks && channels.size() < 2)
        return "--tracks needs two or more --channel";
    if ((caseId.empty() || exhibit.empty() || operatorName.empty()) && !(caseId + exhibit + operatorName + note).empty())
        return "a case record needs --case, --exhibit and --operator together";
    return {};
}

std::string ExportArgs::OutputFor(int channel) const
{
    if (channels.size() == 1 || tracks)
        return out;
    const std::filesystem::path path(out);
    char suffix[8];
    std::snprintf(suffix, sizeof suffix, "-ch%02d", channel);
    return (path.parent_path() / (path.stem().string() + suffix + path.extension().string())).string();
}

} // namespace vrctool
