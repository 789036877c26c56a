// Renders the main window to a PNG, for the README's picture: snapshot <out.png> [page index]
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "app/app_windows.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s out.png [page]\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("Orvelan");
    QApplication::setApplicationDisplayName("Orvelan");
    QTemporaryDir folder;
    auto windows = orv::AppWindows::Create(QDir(folder.path()).absolutePath().toStdString() + "/");
    if (argc > 2)
        windows->main->mainpage->SetActivePageIndex(std::atoi(argv[2]));
    windows->main->show();
    QTimer::singleShot(300, [&] {
        bool ok = windows->main->grab().save(QString::fromLocal8Bit(argv[1]));
        QApplication::exit(ok ? 0 : 1);
    });
    return QApplication::exec();
}
