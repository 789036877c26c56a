// Dialogs for tests: every box is recorded, answers come from queues, nothing blocks.
#pragma once

#include <QDialog>
#include <QString>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "common/boundary_guard.h"
#include "controls/dialogs.h"

namespace orv::test {

class ScriptedDialogs final : public ui::Dialogs {
  public:
    struct Shown {
        QString text;
        QString caption;
        ui::Icon icon;
        ui::Buttons buttons;
    };

    // Installs itself as the dialogs in force for its lifetime.
    ScriptedDialogs() { ui::SetDialogs(this); }
    ~ScriptedDialogs() override { ui::SetDialogs(nullptr); }

    std::vector<Shown> shown;
    // Answers to message boxes, in order; an empty queue answers Ok to an OK box and Closed to
    // a question.
    std::deque<ui::Answer> answers;
    // Names chosen in open and save dialogs, in order; nullopt or an empty queue cancels.
    std::deque<std::optional<QString>> files;
    // Scripts for modal windows: each gets the dialog and returns its result code.
    std::deque<std::function<int(QDialog*)>> modals;
    std::vector<QString> saveRefusals;  // names a save dialog's hook refused
    // Runs while a message box is up, before it is answered: a test may spin an event loop
    // here, as a box on screen does.
    std::function<void(const Shown&)> whileShown;

    ui::Answer Message(QWidget*, const QString& text, const QString& caption, ui::Icon icon,
                       ui::Buttons buttons) override {
        shown.push_back({text, caption, icon, buttons});
        if (whileShown)
            whileShown(shown.back());
        if (answers.empty())
            return buttons == ui::Buttons::Ok ? ui::Answer::Ok : ui::Answer::Closed;
        ui::Answer a = answers.front();
        answers.pop_front();
        return a;
    }

    std::optional<QString> OpenFile(QWidget*, const ui::FileDialogSpec& spec) override {
        lastSpec = spec;
        return Next();
    }

    std::optional<QString> SaveFile(QWidget*, const ui::FileDialogSpec& spec,
                                    const std::function<bool(const QString&)>& canClose) override {
        lastSpec = spec;
        // A refused name keeps the dialog open: the script's next name is tried.
        for (;;) {
            std::optional<QString> f = Next();
            if (!f || !canClose || canClose(*f))
                return f;
            saveRefusals.push_back(*f);
        }
    }

    int ExecModal(QDialog* dialog) override {
        if (modals.empty())
            return QDialog::Rejected;
        auto script = std::move(modals.front());
        modals.pop_front();
        return script(dialog);
    }

    ui::FileDialogSpec lastSpec;

    QStringList Texts() const {
        QStringList t;
        for (const auto& s : shown)
            t << s.text;
        return t;
    }

  private:
    std::optional<QString> Next() {
        if (files.empty())
            return std::nullopt;
        // Taken out as a plain QString: copying the optional itself trips GCC 12's
        // maybe-uninitialized warning.
        const bool chosen = files.front().has_value();
        QString f = chosen ? *files.front() : QString();
        files.pop_front();
        if (!chosen)
            return std::nullopt;
        return f;
    }
};

// While it lives, what the guards at Qt's calls catch goes to the error box, as in the program.
class ErrorBoxFaults {
  public:
    ErrorBoxFaults() : before_(SetFaultReporter(nullptr)) { ui::ReportFaultsInErrorBox(); }
    ~ErrorBoxFaults() { SetFaultReporter(before_); }
    ErrorBoxFaults(const ErrorBoxFaults&) = delete;
    ErrorBoxFaults& operator=(const ErrorBoxFaults&) = delete;

  private:
    FaultReporter before_;
};

}  // namespace orv::test
