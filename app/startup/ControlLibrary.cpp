#include "app/startup/ControlLibrary.h"

#include "ui/MessageBox.h"

namespace app {

bool ControlLibrary::LoadAndRegister(const QString& bareName)
{
    m_library.setFileName(bareName);
    if (!m_library.load()) {
        ui::MessageBox(QStringLiteral("Load Dll Fail."));
        return false;
    }
    using RegisterServer = long (*)();
    auto registerServer = reinterpret_cast<RegisterServer>(m_library.resolve("DllRegisterServer"));
    if (!registerServer) {
        ui::MessageBox(QStringLiteral("Loading DLL Failed."));
        m_library.unload();
        return false;
    }
    registerServer();
    return true;
}

void ControlLibrary::Release()
{
    if (m_library.isLoaded())
        m_library.unload();
}

} // namespace app
