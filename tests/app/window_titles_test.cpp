// Window and box titles on the real widgets: the captions exactly, empty ones included, with
// nothing added by the application.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <functional>

#include "app/app_windows.h"
#include "controls/dialogs.h"
#include "fake_resolver.h"

// Readable failures.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace orv {
namespace {

// The title the widget's platform window carries.
QString PlatformTitle(QWidget* w) {
    return w->windowHandle() ? w->windowHandle()->title() : QString("<no window>");
}

// Shows a box through `show` and reads its title while it is up, then closes it.
QString BoxTitle(const std::function<void()>& show) {
    QString title = "<no box>";
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            title = PlatformTitle(box);
            box->reject();
        }
    });
    poll.start(1);
    show();
    return title;
}

TEST(WindowTitles, NoDisplayNameIsAddedToTheTitles) {
    // A display name, once set, is appended to the title of every window and box on the
    // desktop platforms. Unset, it follows the application name.
    const QString name = QCoreApplication::applicationName();
    EXPECT_EQ(name, "Orvelan");
    QCoreApplication::setApplicationName("probe");
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), "probe") << "a display name is set";
    QCoreApplication::setApplicationName(name);
}

TEST(WindowTitles, BoxesShowTheirCaptionsExactly) {
    ui::QtDialogs qt;
    struct Case {
        const char* what;
        std::function<void()> show;
        QString title;
    } cases[] = {
        {"input warning, empty caption", [&] { qt.Warn(nullptr, " Please enter the integer! "); },
         ""},
        {"error box with its caption",
         [&] {
             qt.Message(nullptr, "Host does not exist!  ", "Error", ui::Icon::Error,
                        ui::Buttons::Ok);
         },
         "Error"},
        {"the standard error box", [&] { qt.ErrorBox(nullptr, "Winsock Version Error"); },
         "Orvelan"},
        {"question", [&] { qt.Confirm(nullptr, "The file has existed, replace it or not?"); },
         "Confirm"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(BoxTitle(c.show), c.title);
    }
}

TEST(WindowTitles, WindowsShowTheirCaptionsExactly) {
    QTemporaryDir dir;
    test::FakeResolver resolver;
    auto w = AppWindows::Create(QDir(dir.path()).absolutePath().toStdString() + "/");
    struct Case {
        QWidget* window;
        QString title;
    } cases[] = {
        {w->main.get(), "Orvelan"},
        {w->ip_add.get(), "Add"},
        {w->whereis_update.get(), "Update"},
        {w->about.get(), "About"},
        {w->filter_help.get(), "Filter Help"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title.toStdString());
        c.window->show();
        EXPECT_EQ(PlatformTitle(c.window), c.title);
        c.window->hide();
    }
    w.reset();
}

}  // namespace
}  // namespace orv
