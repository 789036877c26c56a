// One main for every test binary: a QApplication on the offscreen platform, so widget tests
// run without a display (also when ctest lists the cases at build time).
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName("Orvelan");
    QApplication::setApplicationDisplayName("Orvelan");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
