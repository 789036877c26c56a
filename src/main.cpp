// Orvelan: a desktop network toolbox.
#include <QApplication>

#include "app/app_windows.h"
#include "controls/dialogs.h"
#include "platform/program.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    orv::ui::NameApplication();
    auto windows = orv::AppWindows::Create(orv::ExecutableFolder());
    windows->main->show();
    return QApplication::exec();
}
