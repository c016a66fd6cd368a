#include "app/PlayerApp.h"

#include <csignal>
#include <cstdio>
#include <filesystem>

#include <QApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

#include "app/CommandLine.h"
#include "app/WindowReport.h"
#include "app/startup/ControlLibrary.h"
#include "app/startup/DecoderInstallation.h"
#include "ui/MessageBox.h"
#include "ui/PlayerDialog.h"
#include "ui/RunningPlayer.h"

namespace app {
namespace {

// Answers what needs no window; returns the exit status, or -1 when the player is to run.
int AnswerWithoutWindow(const CommandLine& command)
{
    switch (command.action) {
    case CommandLine::Action::Help:
        std::fputs(CommandLine::UsageText().c_str(), stdout);
        return 0;
    case CommandLine::Action::Version:
        std::printf("kelvora-player %s\n", KELVORA_VERSION);
        return 0;
    case CommandLine::Action::Usage:
        std::fprintf(stderr, "kelvora-player: %s\n%s", command.error.c_str(), CommandLine::UsageText().c_str());
        return 2;
    case CommandLine::Action::Run:
        break;
    }
    return -1;
}

// Once the window runs: the file of the command line opens as the open dialog's answer would,
// and a script's deadline prints what the window shows, then closes it.
void ScheduleCommandLine(ui::PlayerDialog& dialog, const CommandLine& command)
{
    if (!command.file.empty()) {
        // Kept as bytes: a name that is not UTF-8 would not survive a QString.
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(command.file, error);
        const std::string path = error ? command.file : absolute.lexically_normal().string();
        QTimer::singleShot(0, &dialog, [&dialog, path] { dialog.Player().OpenFile(path); });
    }
    if (command.quitAfterMs >= 0) {
        // No box may wait for a click that never comes: messages go to the report.
        ui::SetMessageBoxHandler([](const QString& text) { std::printf("message: %s\n", qPrintable(text)); });
        QTimer::singleShot(command.quitAfterMs, &dialog, [&dialog] {
            std::fputs(WindowReport(dialog).c_str(), stdout);
            std::fflush(stdout);
            dialog.reject();
        });
    }
}

} // namespace

int PlayerApp::Run(int argc, char** argv)
{
    const CommandLine command = CommandLine::Parse({argv + 1, argv + argc});
    if (const int status = AnswerWithoutWindow(command); status >= 0)
        return status;
    // Past a file-size limit a write must fail and be handled like a full disk, not end the
    // player.
    std::signal(SIGXFSZ, SIG_IGN);
    // Qt sees none of the arguments: they have all been read above.
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    QApplication::setApplicationName(QStringLiteral("kelvora-player"));
    QApplication::setApplicationVersion(QStringLiteral(KELVORA_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("kelvora-player"));
    ControlLibrary library;
    if (!library.LoadAndRegister())
        return 1;
    DecoderInstallation::Install();
    {
        ui::PlayerDialog dialog;
        ScheduleCommandLine(dialog, command);
        // Shown, not exec()'d: a dialog's own loop marks it modal to the window manager.
        QEventLoop loop;
        QObject::connect(&dialog, &QDialog::finished, &loop, &QEventLoop::quit);
        dialog.show();
        loop.exec();
    }
    // The control's widget has gone with the window; only now may its code be unloaded.
    library.Release();
    return 0;
}

} // namespace app
