#pragma once
#include <string>

#include "display/decoder/Ombrel.h"

namespace display {

// The decoder library, loaded at run time from the system directory (display::SystemDirectory,
// where the player writes it at start-up).
class DecoderLibrary {
public:
    // The file name the library has on this platform.
    static constexpr char kFileName[] = "libOmbrel.so";

    DecoderLibrary() = default;
    ~DecoderLibrary();
    DecoderLibrary(const DecoderLibrary&) = delete;
    DecoderLibrary& operator=(const DecoderLibrary&) = delete;

    // Loads kFileName from the directory; false when it is missing or lacks an export.
    bool Load(const std::string& directory);
    bool IsLoaded() const { return m_createDecoder && m_createConverter; }

    OmbrelVDecoder* CreateDecoder(int codec) const { return m_createDecoder ? m_createDecoder(codec) : nullptr; }
    OmbrelCConverter* CreateConverter() const { return m_createConverter ? m_createConverter() : nullptr; }

private:
    void* m_handle = nullptr;
    CreateVDecoderFn m_createDecoder = nullptr;
    CreateCConverterFn m_createConverter = nullptr;
};

} // namespace display
