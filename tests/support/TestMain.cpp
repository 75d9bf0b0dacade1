// Test entry point: one application object for the windows' tests, the C locale pinned,
// then GoogleTest.
#include <gtest/gtest.h>

#ifdef KINETRA_TEST_GUI
#include <QApplication>
#include <QLocale>
#endif

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
#ifdef KINETRA_TEST_GUI
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale::c());
#endif
    return RUN_ALL_TESTS();
}
