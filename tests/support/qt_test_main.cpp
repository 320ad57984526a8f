// Test entry for suites that touch Qt: widgets need a QApplication, and the
// test binary must run without a display (ctest lists tests without the
// test environment, so the platform is forced here when unset).
#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
