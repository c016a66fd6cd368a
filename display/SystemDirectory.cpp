#include "display/SystemDirectory.h"

#include <dlfcn.h>

#include <filesystem>

namespace display {

std::string SystemDirectory()
{
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&SystemDirectory), &info) || !info.dli_fname)
        return {};
    // The loader reports the name it found the library under, for instance "<bin>/../lib/...".
    std::error_code error;
    const std::filesystem::path library = std::filesystem::absolute(info.dli_fname, error);
    return error ? std::string() : library.lexically_normal().parent_path().string();
}

} // namespace display
