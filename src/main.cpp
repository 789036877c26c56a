// Orvelan: a desktop network toolbox.
#include <QApplication>

#include "app/app_windows.h"
#include "platform/program.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Orvelan");
    QApplication::setApplicationDisplayName("Orvelan");
    auto windows = orv::AppWindows::Create(orv::ExecutableFolder());
    windows->main->show();
    return QApplication::exec();
}
