#include "tools/vrc-tool/ExportArgs.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "recording/TimeText.h"
#include "tools/vrc-tool/CommandArguments.h"

namespace vrctool {
namespace {

std::string ParseTime(const std::vector<std::string>& args, size_t& i, std::optional<int32_t>& time, std::string& text)
{
    if (i + 1 == args.size())
        return args[i] + " needs a time \"YYYY-MM-DD hh:mm:ss\"";
    text = args[++i];
    time = recording::ParseDateTime(text);
    return time ? "" : args[i - 1] + " takes a time \"YYYY-MM-DD hh:mm:ss\", not '" + text + "'";
}

} // namespace

std::string ExportArgs::Parse(const std::vector<std::string>& args)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::string error;
        if (a == "--audio") {
            audio = true;
        } else if (a == "--force") {
            force = true;
        } else if (a == "--from") {
            error = ParseTime(args, i, from, fromText);
        } else if (a == "--to") {
            error = ParseTime(args, i, to, toText);
        } else if (a == "--sign") {
            error = i + 1 < args.size() ? "" : "--sign needs a private key file";
            signKey = error.empty() ? args[++i] : "";
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
    return {};
}

std::string ExportArgs::OutputFor(int channel) const
{
    if (channels.size() == 1)
        return out;
    const std::filesystem::path path(out);
    char suffix[8];
    std::snprintf(suffix, sizeof suffix, "-ch%02d", channel);
    return (path.parent_path() / (path.stem().string() + suffix + path.extension().string())).string();
}

} // namespace vrctool
