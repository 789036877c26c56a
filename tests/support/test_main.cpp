// One main for every test binary: a QApplication on the offscreen platform, so widget tests
// run without a display (also when ctest lists the cases at build time).
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

#include "controls/dialogs.h"
#include "platform/registry.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    orv::ui::NameApplication();  // as the program does
    // The program writes its connection limits to the user's registry file: keep tests off it.
    QTemporaryDir registry;
    orv::Registry::SetFolder(registry.path().toStdString());
    // A settings.ini in the user's configuration folder would win over a test's own.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
