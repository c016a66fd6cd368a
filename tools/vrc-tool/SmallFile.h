#pragma once
#include <optional>
#include <string>

namespace vrctool {

// A manifest or signature read whole. It goes through platform::File, so a FIFO or a
// directory given in its place is refused at once instead of holding the command forever;
// larger than any manifest (64 MiB) is refused too. On failure `why` says what went wrong.
std::optional<std::string> ReadSmallFile(const std::string& path, std::string& why);

} // namespace vrctool
