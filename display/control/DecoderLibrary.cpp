#include "display/control/DecoderLibrary.h"

#include <dlfcn.h>

#include <filesystem>

namespace display {

DecoderLibrary::~DecoderLibrary()
{
    if (m_handle)
        dlclose(m_handle);
}

bool DecoderLibrary::Load(const std::string& directory)
{
    if (m_handle)
        return IsLoaded();
    const std::string path = (std::filesystem::path(directory) / kFileName).string();
    // The codec libraries it brings along keep process-long tables that they never free;
    // unmapping them at the end would leave those tables behind unreachable, so the library
    // stays mapped until the process ends.
    m_handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!m_handle)
        return false;
    m_createDecoder = reinterpret_cast<CreateVDecoderFn>(dlsym(m_handle, "CreateVDecoder"));
    m_createConverter = reinterpret_cast<CreateCConverterFn>(dlsym(m_handle, "CreateCConverter"));
    if (!IsLoaded()) {
        dlclose(m_handle);
        m_handle = nullptr;
        m_createDecoder = nullptr;
        m_createConverter = nullptr;
    }
    return IsLoaded();
}

} // namespace display
