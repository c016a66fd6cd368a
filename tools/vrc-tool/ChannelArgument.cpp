#include "tools/vrc-tool/ChannelArgument.h"

#include "recording/RecordingHeader.h"

namespace vrctool {

std::optional<int> ParseChannelNumber(const std::string& text)
{
    if (text.empty() || text.size() > 2 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const int channel = std::stoi(text);
    return channel < recording::RecordingHeader::kChannels ? std::optional<int>(channel) : std::nullopt;
}

} // namespace vrctool
