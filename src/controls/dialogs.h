// Every message box, question and file dialog of the program goes through one interface:
// on screen it is Qt's, in tests a script that records what was asked and answers from a queue.
#pragma once

#include <QString>
#include <functional>
#include <optional>

class QWidget;
class QDialog;

namespace orv::ui {

enum class Icon { None, Information, Warning, Error, Question };
enum class Buttons { Ok, OkCancel, YesNo, YesCancel };
enum class Answer { Ok, Cancel, Yes, No, Closed };

struct FileDialogSpec {
    QString filter;      // "*.txt|*.txt|*.ini|*.ini": description|pattern pairs
    QString defaultExt;  // added when the name has none, e.g. "txt"
    QString initialDir;
    QString fileName;
};

class Dialogs {
  public:
    virtual ~Dialogs() = default;

    // A message box; `text` and `caption` are shown as they are, blanks included.
    virtual Answer Message(QWidget* parent, const QString& text, const QString& caption, Icon icon,
                           Buttons buttons) = 0;
    // The chosen file, or nullopt when cancelled.
    virtual std::optional<QString> OpenFile(QWidget* parent, const FileDialogSpec& spec) = 0;
    // The chosen file, or nullopt when cancelled. `canClose`, when set, is asked with the
    // chosen name before the dialog closes; false keeps the dialog open.
    virtual std::optional<QString> SaveFile(
        QWidget* parent, const FileDialogSpec& spec,
        const std::function<bool(const QString&)>& canClose) = 0;
    // Shows `dialog` modally and returns its result code.
    virtual int ExecModal(QDialog* dialog) = 0;

    // The program's usual boxes.
    // Input error: fixed text, warning icon, empty caption.
    void Warn(QWidget* parent, const QString& text) {
        Message(parent, text, QString(), Icon::Warning, Buttons::Ok);
    }
    // The standard error box: the application's title as caption.
    void ErrorBox(QWidget* parent, const QString& text);
    // Yes/No question; true only for Yes.
    bool Confirm(QWidget* parent, const QString& text,
                 const QString& caption = QStringLiteral("Confirm")) {
        return Message(parent, text, caption, Icon::Question, Buttons::YesNo) == Answer::Yes;
    }
};

// The application's title, the standard error box's caption.
inline constexpr char kApplicationTitle[] = "Orvelan";

// Names the application with its title. No display name is set: Qt would add it to the title of
// every window and box, and the captions are shown exactly as they are given.
void NameApplication();

// Makes what the guard at a place Qt calls catches show in the standard error box of the
// dialogs in force, where the place allows a box and no such box is up already; anything else
// is logged. The program installs it at start and takes it back (SetFaultReporter(nullptr))
// once its event loop has ended.
void ReportFaultsInErrorBox();

// The dialogs in force: Qt's unless a test installed a script.
Dialogs& CurrentDialogs();
void SetDialogs(Dialogs* d);  // nullptr: back to Qt's

// Qt's boxes and file dialogs.
class QtDialogs final : public Dialogs {
  public:
    Answer Message(QWidget* parent, const QString& text, const QString& caption, Icon icon,
                   Buttons buttons) override;
    std::optional<QString> OpenFile(QWidget* parent, const FileDialogSpec& spec) override;
    std::optional<QString> SaveFile(QWidget* parent, const FileDialogSpec& spec,
                                    const std::function<bool(const QString&)>& canClose) override;
    int ExecModal(QDialog* dialog) override;
};

// "*.txt|*.txt|*.ini|*.ini" as Qt name filters ("*.txt (*.txt)", ...).
QStringList ToQtFilters(const QString& filter);

}  // namespace orv::ui
