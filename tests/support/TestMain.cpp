// Test entry point: one application object for the windows' tests with the fonts the
// program maps at start-up, the C locale pinned, then GoogleTest.
#include <gtest/gtest.h>

#ifdef KINETRA_TEST_GUI
#include <QApplication>
#include <QLocale>

#include "ui/WindowLook.h"
#endif

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
#ifdef KINETRA_TEST_GUI
    QApplication app(argc, argv);
    kinetra::installFontSubstitutes();
    QLocale::setDefault(QLocale::c());
#endif
    return RUN_ALL_TESTS();
}
