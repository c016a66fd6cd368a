#pragma once
#include <optional>
#include <string>

namespace vrctool {

// The channel number 0..15 that a --channel argument gives, or empty.
std::optional<int> ParseChannelNumber(const std::string& text);

} // namespace vrctool
