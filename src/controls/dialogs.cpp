#include "controls/dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QKeyEvent>
#include <QMessageBox>
#include <QThread>

#include "common/boundary_guard.h"

namespace orv::ui {

namespace {

Dialogs* g_current = nullptr;
bool g_faultBoxUp = false;

void ShowFaultInErrorBox(const Fault& fault) {
    // One box at a time, on the UI thread, and none once the application is closing down.
    const bool fits = fault.box == FaultBox::Fits && !g_faultBoxUp &&
                      qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr &&
                      !QCoreApplication::closingDown() &&
                      QThread::currentThread() == QCoreApplication::instance()->thread();
    if (!fits) {
        LogFault(fault);
        return;
    }
    g_faultBoxUp = true;
    struct Down {
        ~Down() { g_faultBoxUp = false; }
    } down;
    QWidget* parent = QApplication::activeModalWidget();
    if (parent == nullptr)
        parent = QApplication::activeWindow();
    CurrentDialogs().ErrorBox(parent, QString::fromStdString(fault.what));
}

// A save dialog that asks `canClose` before it accepts a name, and stays open on false.
class HookedSaveDialog final : public QFileDialog {
  public:
    HookedSaveDialog(QWidget* parent, std::function<bool(const QString&)> canClose)
        : QFileDialog(parent), canClose_(std::move(canClose)) {}

    void accept() override {
        Guarded("HookedSaveDialog::accept", [this] {
            QStringList files = selectedFiles();
            // A folder is never the file's name: the dialog opens it, nothing is asked about it.
            if (!files.isEmpty() && QFileInfo(files.front()).isDir()) {
                QFileDialog::accept();
                return;
            }
            if (!files.isEmpty() && canClose_ && !canClose_(files.front()))
                return;
            QFileDialog::accept();
        });
    }

  private:
    std::function<bool(const QString&)> canClose_;
};

// A message box whose Esc and close button end it with no button pressed. Qt's own box counts
// them as its escape button, which in a one-button box is OK: a question of "OK only" would be
// answered by a user who only closed it.
class MessageBox final : public QMessageBox {
  public:
    using QMessageBox::QMessageBox;

  protected:
    void keyPressEvent(QKeyEvent* e) override {
        if (e->matches(QKeySequence::Cancel)) {
            reject();
            return;
        }
        QMessageBox::keyPressEvent(e);
    }
    void closeEvent(QCloseEvent* e) override { QDialog::closeEvent(e); }
};

// A window manager elides a caption its title bar cannot hold ("Disk full" in a box named
// "Orvelan" came out as "..."): the box is made at least as wide as its caption in a bold
// title font, with room for the title bar's icon and buttons.
void WidenForCaption(QMessageBox& box) {
    if (box.windowTitle().isEmpty())
        return;
    QFont title = box.font();
    title.setBold(true);
    constexpr int kTitleBarButtons = 140;
    const int need = QFontMetrics(title).horizontalAdvance(box.windowTitle()) + kTitleBarButtons;
    // The box sizes itself to its text when shown; a spacer in its grid holds it wider.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(need, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
}

QMessageBox::Icon ToQt(Icon icon) {
    switch (icon) {
        case Icon::Information:
            return QMessageBox::Information;
        case Icon::Warning:
            return QMessageBox::Warning;
        case Icon::Error:
            return QMessageBox::Critical;
        case Icon::Question:
            return QMessageBox::Question;
        case Icon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

Dialogs& CurrentDialogs() {
    static QtDialogs qt;
    return g_current ? *g_current : qt;
}

void SetDialogs(Dialogs* d) {
    g_current = d;
}

void NameApplication() {
    QApplication::setApplicationName(QString::fromLatin1(kApplicationTitle));
}

void ReportFaultsInErrorBox() {
    SetFaultReporter(&ShowFaultInErrorBox);
}

void Dialogs::ErrorBox(QWidget* parent, const QString& text) {
    Message(parent, text, QString::fromLatin1(kApplicationTitle), Icon::Error, Buttons::Ok);
}

QStringList ToQtFilters(const QString& filter) {
    QStringList parts = filter.split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        out << parts[i] + " (" + QString(parts[i + 1]).replace(';', ' ') + ")";
    return out;
}

Answer QtDialogs::Message(QWidget* parent, const QString& text, const QString& caption, Icon icon,
                          Buttons buttons) {
    MessageBox box(ToQt(icon), caption, text, QMessageBox::NoButton, parent);
    switch (buttons) {
        case Buttons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case Buttons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case Buttons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
        case Buttons::YesCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::Cancel);
            break;
    }
    WidenForCaption(box);
    box.exec();
    switch (box.standardButton(box.clickedButton())) {
        case QMessageBox::Ok:
            return Answer::Ok;
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        case QMessageBox::Cancel:
            return Answer::Cancel;
        default:
            return Answer::Closed;
    }
}

std::optional<QString> QtDialogs::OpenFile(QWidget* parent, const FileDialogSpec& spec) {
    QFileDialog d(parent);
    d.setAcceptMode(QFileDialog::AcceptOpen);
    d.setFileMode(QFileDialog::ExistingFile);
    d.setNameFilters(ToQtFilters(spec.filter));
    if (!spec.initialDir.isEmpty())
        d.setDirectory(spec.initialDir);
    if (!spec.fileName.isEmpty())
        d.selectFile(spec.fileName);
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty())
        return std::nullopt;
    return d.selectedFiles().front();
}

std::optional<QString> QtDialogs::SaveFile(QWidget* parent, const FileDialogSpec& spec,
                                           const std::function<bool(const QString&)>& canClose) {
    HookedSaveDialog d(parent, canClose);
    // The hook does the asking; Qt's own overwrite question would ask twice.
    d.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
    d.setAcceptMode(QFileDialog::AcceptSave);
    d.setNameFilters(ToQtFilters(spec.filter));
    d.setDefaultSuffix(spec.defaultExt);
    if (!spec.initialDir.isEmpty())
        d.setDirectory(spec.initialDir);
    if (!spec.fileName.isEmpty())
        d.selectFile(spec.fileName);
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty())
        return std::nullopt;
    return d.selectedFiles().front();
}

int QtDialogs::ExecModal(QDialog* dialog) {
    return dialog->exec();
}

}  // namespace orv::ui
