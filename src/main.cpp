// Orvelan: a desktop network toolbox.
#include <QApplication>

#include "app/app_windows.h"
#include "common/boundary_guard.h"
#include "controls/dialogs.h"
#include "platform/program.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    orv::ui::NameApplication();
    orv::ui::ReportFaultsInErrorBox();
    auto windows = orv::AppWindows::Create(orv::ExecutableFolder());
    windows->main->show();
    const int code = QApplication::exec();
    // The windows go from here on: a fault in what Qt calls meanwhile is logged, not boxed.
    orv::SetFaultReporter(nullptr);
    return code;
}
