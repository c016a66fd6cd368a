#include "tools/vrc-tool/SmallFile.h"

#include <cstdint>

#include "platform/File.h"

namespace vrctool {

std::optional<std::string> ReadSmallFile(const std::string& path, std::string& why)
{
    constexpr int64_t kLargest = 64 << 20;
    platform::File file;
    if (!file.Open(path)) {
        why = "cannot be read: " + file.OpenError();
        return std::nullopt;
    }
    const int64_t size = file.Size();
    if (size < 0 || size > kLargest) {
        why = "cannot be read: it is not a file of at most 64 MiB";
        return std::nullopt;
    }
    std::string text(static_cast<size_t>(size), '\0');
    if (file.ReadAt(0, text.data(), text.size()) != text.size()) {
        why = "cannot be read whole";
        return std::nullopt;
    }
    return text;
}

} // namespace vrctool
