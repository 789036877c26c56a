// Dialogs for benchmarks: no box may stop a run. Every box is closed without an answer, no file
// is chosen and every modal window is dismissed.
#pragma once

#include <QString>
#include <functional>
#include <optional>

#include "controls/dialogs.h"

namespace orv::bench {

class QuietDialogs final : public ui::Dialogs {
  public:
    ui::Answer Message(QWidget*, const QString&, const QString&, ui::Icon, ui::Buttons) override {
        return ui::Answer::Closed;
    }
    std::optional<QString> OpenFile(QWidget*, const ui::FileDialogSpec&) override { return {}; }
    std::optional<QString> SaveFile(QWidget*, const ui::FileDialogSpec&,
                                    const std::function<bool(const QString&)>&) override {
        return {};
    }
    int ExecModal(QDialog*) override { return 0; }
};

}  // namespace orv::bench
