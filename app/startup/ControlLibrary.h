#pragma once
#include <QLibrary>
#include <QString>

namespace app {

// The display-control library of the run: loaded by its bare name, self-registered through
// its DllRegisterServer export, and kept loaded until the player window is destroyed.
class ControlLibrary {
public:
    // "VQC_Ctrl_Player.dll" by its bare name; the platform's library name is made from it.
    static constexpr char kBareName[] = "VQC_Ctrl_Player";

    // Loads the library and calls its DllRegisterServer (whose result is not examined).
    // On failure the user sees "Load Dll Fail." (library not found) or "Loading DLL Failed."
    // (no DllRegisterServer; the library is released again) and false comes back.
    bool LoadAndRegister(const QString& bareName = QString::fromLatin1(kBareName));
    bool IsLoaded() const { return m_library.isLoaded(); }
    // Releases the library, at window destruction.
    void Release();

private:
    QLibrary m_library;
};

} // namespace app
