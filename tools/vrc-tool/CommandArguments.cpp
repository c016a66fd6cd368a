#include "tools/vrc-tool/CommandArguments.h"

#include "recording/RecordingHeader.h"
#include "recording/TimeText.h"

namespace vrctool {

std::string CommandArguments::TakeChannel(const std::vector<std::string>& args, size_t& i, int& channel)
{
    if (i + 1 == args.size())
        return "--channel needs a number";
    const std::string& v = args[++i];
    const bool digits = !v.empty() && v.size() <= 2 && v.find_first_not_of("0123456789") == std::string::npos;
    const int number = digits ? std::stoi(v) : -1;
    if (number < 0 || number >= recording::RecordingHeader::kChannels)
        return "--channel takes a channel number 0..15, not '" + v + "'";
    channel = number;
    return {};
}

std::string CommandArguments::TakeFileOrOut(const std::string& word, std::string& file, std::string& out)
{
    if (word.starts_with("--"))
        return "unknown option " + word;
    if (file.empty())
        file = word;
    else if (out.empty())
        out = word;
    else
        return "unexpected argument '" + word + "'";
    return {};
}

std::string CommandArguments::TakeTime(const std::vector<std::string>& args, size_t& i, std::optional<int32_t>& time,
                                       std::string& text)
{
    if (i + 1 == args.size())
        return args[i] + " needs a time \"YYYY-MM-DD hh:mm:ss\"";
    text = args[++i];
    time = recording::ParseDateTime(text);
    return time ? "" : args[i - 1] + " takes a time \"YYYY-MM-DD hh:mm:ss\", not '" + text + "'";
}

} // namespace vrctool
