#include "display/control/DecoderLibrary.h"

#include <dlfcn.h>

#include <filesystem>

#include <QLoggingCategory>

namespace display {
namespace {

Q_LOGGING_CATEGORY(lcDecoder, "kelvora.decoder")

// The decoder library's messages join the control's own.
void ForwardLog(const char* line) { qCWarning(lcDecoder, "%s", line); }

} // namespace

DecoderLibrary::~DecoderLibrary()
{
    if (!m_handle)
        return;
    // The library may stay loaded for another user while this control's code goes.
    if (const auto setLogSink = reinterpret_cast<SetLogSinkFn>(dlsym(m_handle, "SetLogSink")))
        setLogSink(nullptr);
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
    if (const auto setLogSink = reinterpret_cast<SetLogSinkFn>(dlsym(m_handle, "SetLogSink")))
        setLogSink(&ForwardLog);
    if (!IsLoaded()) {
        dlclose(m_handle);
        m_handle = nullptr;
        m_createDecoder = nullptr;
        m_createConverter = nullptr;
    }
    return IsLoaded();
}

} // namespace display
