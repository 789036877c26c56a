#include "app/text_export.h"

#include <QFileInfo>
#include <QSaveFile>

namespace orv {

bool ConfirmReplace(ui::Dialogs& dialogs, QWidget* parent, const QString& fileName) {
    if (!QFileInfo::exists(fileName))
        return true;
    return dialogs.Confirm(parent, kReplaceQuestion);
}

QString SaveLines(ui::Dialogs& dialogs, QWidget* parent, const ui::FileDialogSpec& spec,
                  const QStringList& lines, const std::function<bool(const QString&)>& canClose) {
    QByteArrayList bytes;
    bytes.reserve(lines.size());
    for (const QString& line : lines)
        bytes.append(line.toUtf8());
    return SaveLines(dialogs, parent, spec, bytes, canClose);
}

QString SaveLines(ui::Dialogs& dialogs, QWidget* parent, const ui::FileDialogSpec& spec,
                  const QByteArrayList& lines,
                  const std::function<bool(const QString&)>& canClose) {
    auto name = dialogs.SaveFile(parent, spec, canClose);
    if (!name)
        return {};
    QByteArray out;
    for (const QByteArray& line : lines) {
        out += line;
        out += "\r\n";
    }
    // The old file stays as it was unless the new one is written completely.
    QSaveFile file(*name);
    if (!file.open(QIODevice::WriteOnly) || file.write(out) != out.size() || !file.commit()) {
        dialogs.ErrorBox(
            parent, QString("Cannot write the file \"%1\": %2").arg(*name, file.errorString()));
        return {};
    }
    return *name;
}

}  // namespace orv
