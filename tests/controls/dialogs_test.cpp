// The dialogs on screen: the save dialog given a folder, and a message box's width.
#include "controls/dialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFontMetrics>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

namespace orv::ui {
namespace {

// Runs `step` on the modal dialog once it is open.
void OnModal(std::function<void(QWidget*)> step) {
    QTimer::singleShot(0, [step = std::move(step)] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w) {
            OnModal(step);
            return;
        }
        step(w);
    });
}

// A folder's name opens the folder: it is never asked about as the file to replace.
TEST(SaveDialog, AFolderNameOpensTheFolder) {
    QTemporaryDir dir;
    // A name with a dot: the save dialog adds no default extension to it.
    ASSERT_TRUE(QDir(dir.path()).mkdir("old.reports"));
    const QString folder = dir.filePath("old.reports");
    FileDialogSpec spec;
    spec.filter = "*.txt|*.txt";
    spec.defaultExt = "txt";
    spec.initialDir = dir.path();
    QStringList asked;
    bool stayedOpen = false;
    QString shownDir;
    OnModal([&](QWidget* w) {
        auto* d = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(d, nullptr);
        d->selectFile(folder);
        QMetaObject::invokeMethod(d, "accept", Qt::DirectConnection);
        stayedOpen = d->isVisible();
        shownDir = d->directory().absolutePath();
        d->selectFile("history");
        QMetaObject::invokeMethod(d, "accept", Qt::DirectConnection);
    });
    QtDialogs qt;
    const std::optional<QString> chosen = qt.SaveFile(nullptr, spec, [&](const QString& name) {
        asked << name;
        return true;
    });
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(shownDir, QDir(folder).absolutePath());
    EXPECT_EQ(asked, QStringList{QDir(folder).filePath("history.txt")});
    EXPECT_EQ(chosen, QDir(folder).filePath("history.txt"));
}

// A box with a short text is still wide enough for its caption and the title bar's buttons.
TEST(MessageBox, AtLeastAsWideAsItsCaption) {
    for (const char* text : {"Disk full", "File not found"}) {
        SCOPED_TRACE(text);
        int width = 0;
        int captionWidth = 0;
        OnModal([&](QWidget* w) {
            QFont bold = w->font();
            bold.setBold(true);
            captionWidth = QFontMetrics(bold).horizontalAdvance(w->windowTitle());
            width = w->width();
            static_cast<QMessageBox*>(w)->done(0);
        });
        QtDialogs qt;
        qt.ErrorBox(nullptr, text);
        EXPECT_GT(captionWidth, 0);
        EXPECT_GE(width, captionWidth + 100);
    }
}

}  // namespace
}  // namespace orv::ui
