#include "platform/shell.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>
#include <atomic>

namespace orv {

namespace {
std::atomic<ShellOpenHook> g_hook{nullptr};
}

void SetShellOpenHook(ShellOpenHook hook) {
    g_hook.store(hook);
}

bool ShellOpen(const std::string& target) {
    if (ShellOpenHook hook = g_hook.load())
        return hook(target);
    QString t = QString::fromLocal8Bit(target.c_str());
    // A path without scheme is a local file; anything with a scheme goes as it is.
    QUrl url = t.startsWith('/') ? QUrl::fromLocalFile(t) : QUrl(t, QUrl::TolerantMode);
    return QDesktopServices::openUrl(url);
}

}  // namespace orv
