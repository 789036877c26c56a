#include "app/text_export.h"

#include <QFile>
#include <QFileInfo>
#include <string>
#include <string_view>

#include "platform/whole_file.h"

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
    // Whole where the file system allows it, in place where it must (see WriteWholeFile).
    if (const int err =
            WriteWholeFile(QFile::encodeName(*name).toStdString(),
                           std::string_view(out.constData(), std::size_t(out.size())))) {
        dialogs.ErrorBox(parent, QString("Cannot write the file \"%1\": %2")
                                     .arg(*name, QString::fromStdString(FileErrorText(err))));
        return {};
    }
    return *name;
}

}  // namespace orv
