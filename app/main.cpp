#include "ui/PlayerDialog.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ui::PlayerDialog dialog;
    dialog.exec();
    return 0;
}
