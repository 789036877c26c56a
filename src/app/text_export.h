// Saving a page's results as a text file: the save dialog asks before it replaces a file, and
// the file is written whole or not at all.
#pragma once

#include <QByteArrayList>
#include <QStringList>

#include "controls/dialogs.h"

class QWidget;

namespace orv {

inline const QString kReplaceQuestion = "The file has existed, replace it or not?";

// The save dialog's can-close hook: a name that exists is taken only after Yes.
bool ConfirmReplace(ui::Dialogs& dialogs, QWidget* parent, const QString& fileName);

// Shows the save dialog `spec`, asking `canClose` before it takes a name; on OK writes `lines`,
// each ended by CR LF. Returns the file written, or an empty text when cancelled or when
// writing failed (which is reported in the standard error box).
QString SaveLines(ui::Dialogs& dialogs, QWidget* parent, const ui::FileDialogSpec& spec,
                  const QStringList& lines, const std::function<bool(const QString&)>& canClose);

// The same for lines that are already bytes (a reply or a page kept as it came in): each line
// goes out exactly as given, ended by CR LF.
QString SaveLines(ui::Dialogs& dialogs, QWidget* parent, const ui::FileDialogSpec& spec,
                  const QByteArrayList& lines, const std::function<bool(const QString&)>& canClose);

}  // namespace orv
