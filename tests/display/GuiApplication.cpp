#include "display/GuiApplication.h"

#include <QApplication>

namespace testsupport {

void EnsureGuiApplication()
{
    static int argc = 1;
    static char name[] = "test";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance())
        new QApplication(argc, argv);
}

} // namespace testsupport
