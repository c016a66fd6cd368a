#include "app/PlayerApp.h"

#include <QApplication>

#include "app/startup/ControlLibrary.h"
#include "app/startup/DecoderInstallation.h"
#include "ui/PlayerDialog.h"

namespace app {

int PlayerApp::Run(int argc, char** argv)
{
    QApplication application(argc, argv);
    ControlLibrary library;
    if (!library.LoadAndRegister())
        return 1;
    DecoderInstallation::Install();
    {
        ui::PlayerDialog dialog;
        dialog.exec();
    }
    // The control's widget has gone with the window; only now may its code be unloaded.
    library.Release();
    return 0;
}

} // namespace app
