// The player program driven from inside, for tests that need real player processes: the same
// start-up, window and shutdown as kelvora-player, with a script that acts as the user.
//
//   player_process                            starts, and closes the window once it is up
//   player_process FILE READY_FILE STOP_FILE  opens FILE, plays, creates READY_FILE once the
//                                             time display runs, and when STOP_FILE appears
//                                             checks that it still runs, then closes
//
// The exit status is the player's own (0 after the window closed), or 3 when a message box
// came up or the playing did not go on.
#include <QApplication>
#include <QFile>
#include <QTest>
#include <QTimer>

#include <cstdio>

#include "app/PlayerApp.h"
#include "ui/ControlIds.h"
#include "ui/MessageBox.h"
#include "ui/PlayerDialog.h"
#include "ui/RunningPlayer.h"
#include "ui/StaticText.h"

namespace {

constexpr int kWaitMs = 120'000;

QStringList g_script;
bool g_failed = false;

void Fail(const char* what, const QString& detail = {})
{
    std::fprintf(stderr, "player_process: %s %s\n", what, qPrintable(detail));
    g_failed = true;
}

QString Osd(ui::PlayerDialog& dialog) { return static_cast<ui::StaticText*>(dialog.GetDlgItem(ui::id::kOsd))->Text(); }

void Click(ui::PlayerDialog& dialog, int id) { QTest::mouseClick(dialog.GetDlgItem(id), Qt::LeftButton, {}, QPoint(5, 5)); }

// Plays the recording until the test says stop, then sees the recorded time move on.
void Play(ui::PlayerDialog& dialog, const QString& file, const QString& ready, const QString& stop)
{
    dialog.Player().OpenFile(file);
    Click(dialog, ui::id::kPlay);
    if (!QTest::qWaitFor([&] { return !Osd(dialog).isEmpty(); }, kWaitMs))
        return Fail("the time display never showed a time");
    QFile(ready).open(QIODevice::WriteOnly);
    if (!QTest::qWaitFor([&] { return QFile::exists(stop); }, 10 * kWaitMs))
        return Fail("no stop from the test");
    const QString before = Osd(dialog);
    if (!QTest::qWaitFor([&] { return Osd(dialog) > before; }, kWaitMs))
        return Fail("stopped playing at", before);
    std::fprintf(stderr, "player_process: played on from %s to %s\n", qPrintable(before), qPrintable(Osd(dialog)));
}

ui::PlayerDialog* FindWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<ui::PlayerDialog*>(w); dialog && dialog->isVisible())
            return dialog;
    return nullptr;
}

void Drive()
{
    ui::PlayerDialog* dialog = FindWindow();
    if (!dialog) {
        QTimer::singleShot(20, Drive);
        return;
    }
    if (g_script.size() == 3)
        Play(*dialog, g_script[0], g_script[1], g_script[2]);
    Click(*dialog, ui::id::kExit);
}

// Runs inside the application's constructor, before the start-up steps.
void Prepare()
{
    ui::SetMessageBoxHandler([](const QString& text) { Fail("message box:", text); });
    QTimer::singleShot(0, Drive);
}
Q_COREAPP_STARTUP_FUNCTION(Prepare)

} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        g_script.append(QString::fromLocal8Bit(argv[i]));
    // The arguments are the script's, not the player's command line.
    const int status = app::PlayerApp::Run(1, argv);
    return g_failed ? 3 : status;
}
