#pragma once
#include <string>

namespace vrctool {

// A JSON string literal for the given UTF-8 text.
std::string JsonString(const std::string& text);

} // namespace vrctool
