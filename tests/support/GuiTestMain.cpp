#include <QApplication>
#include <QStandardPaths>

#include <gtest/gtest.h>

// GUI tests build widgets, pixmaps, fonts and printers, all of which want one application
// object for the whole run. Without a display they run on the offscreen platform, also when
// the build lists the tests.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // What the player keeps between runs goes to a test folder, never to the user's settings.
    QStandardPaths::setTestModeEnabled(true);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
