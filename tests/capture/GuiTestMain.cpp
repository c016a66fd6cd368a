#include <QApplication>

#include <gtest/gtest.h>

// The capture tests build bitmaps, fonts, widgets and printers, all of which want an
// application object for the whole run.
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
