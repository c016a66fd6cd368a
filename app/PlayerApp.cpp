#include "app/PlayerApp.h"

#include <csignal>

#include <QApplication>

#include "app/startup/ControlLibrary.h"
#include "app/startup/DecoderInstallation.h"
#include "ui/PlayerDialog.h"

namespace app {

int PlayerApp::Run(int argc, char** argv)
{
    // Past a file-size limit a write must fail and be handled like a full disk, not end the
    // player.
    std::signal(SIGXFSZ, SIG_IGN);
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
