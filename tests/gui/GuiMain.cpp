// Window tests run under a real QApplication (offscreen platform in CI).
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    // Window tests never need a display, also when CTest lists them at build time.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
