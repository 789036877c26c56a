#include "app/list_editing.h"

#include <QAction>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QKeySequence>
#include <QStringDecoder>
#include <functional>

#include "app/list_dialogs.h"
#include "common/boundary_guard.h"
#include "controls/dialogs.h"

namespace orv {

namespace {

struct ItemSpec {
    const char* add;
    const char* update;
    const char* del;
    const char* clearAll;
};

ItemSpec Names(EditedList which) {
    switch (which) {
        case EditedList::Ip:
            return {"A1", "UpdateItem1", "DeleteItem1", "DeleteAllItem1"};
        case EditedList::Ping:
            return {"A2", "UpdateItem2", "DeleteItem2", "ClearAll1"};
        case EditedList::Whereis:
            break;
    }
    return {"Add1", "Update1", "Delete1", "ClearAll2"};
}

const char* ComponentName(EditedList which) {
    switch (which) {
        case EditedList::Ip:
            return "ListBox1Editing";
        case EditedList::Ping:
            return "ListBox2Editing";
        case EditedList::Whereis:
            break;
    }
    return "ListBox3Editing";
}

QString Caption(EditedList which, const char* base) {
    // The first list's captions end in one blank, the others' do not.
    QString c = QString::fromLatin1(base);
    if (which == EditedList::Ip)
        c += ' ';
    return c;
}

QAction* AddAction(ui::TPopupMenu* popup, ui::TListBox* list, const QString& caption,
                   const char* name, const QKeySequence& key, std::function<void()> fn) {
    QAction* a = popup ? popup->AddItem(caption, std::move(fn)) : nullptr;
    if (!a) {
        a = new QAction(caption, list);
        QObject::connect(a, &QAction::triggered, list,
                         GuardedSlot("list action", [fn = std::move(fn)] { fn(); }));
    }
    a->setObjectName(name);
    if (!key.isEmpty()) {
        a->setShortcut(key);
        // Like the popup's own shortcuts: they act while the list has the focus.
        a->setShortcutContext(Qt::WidgetShortcut);
        list->addAction(a);
    }
    return a;
}

QString TooLarge(const QString& name) {
    return QStringLiteral("The file \"%1\" is too large for a list (more than %2 MiB).")
        .arg(name)
        .arg(kMaxListFileBytes / (1024 * 1024));
}

}  // namespace

ListFile SplitListText(const QByteArray& raw, const QString& name) {
    ListFile r;
    if (raw.size() > kMaxListFileBytes) {
        r.error = TooLarge(name);
        return r;
    }
    auto notText = [&] {
        r.error = QStringLiteral("The file \"%1\" is not a text file.").arg(name);
        return r;
    };
    QByteArrayView bytes(raw);
    QString text;
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        // UTF-16 with its byte-order mark, as editors save "Unicode" text. Half a character at
        // the end or a lone surrogate is not text.
        QStringDecoder utf16(
            bytes[0] == '\xFF' ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
            QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
        if (bytes.size() % 2 != 0)
            return notText();
        text = utf16.decode(bytes.sliced(2));
        if (utf16.hasError() || !text.isValidUtf16())
            return notText();
    } else {
        if (bytes.startsWith("\xEF\xBB\xBF"))
            bytes = bytes.sliced(3);
        // 8-bit text: UTF-8 when it is valid UTF-8, otherwise one character per byte so that no
        // byte is lost or replaced.
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                      QStringDecoder::Flag::ConvertInitialBom);
        text = utf8.decode(bytes);
        if (utf8.hasError()) {
            text = QString::fromLatin1(bytes);
            r.eightBit = true;
        }
    }
    // A NUL ends the text; but text after it would be lost without a word, so a NUL is only
    // accepted as padding at the end. Anything else with NULs is not a text list.
    if (qsizetype nul = text.indexOf(QChar(0)); nul >= 0) {
        for (qsizetype i = nul; i < text.size(); ++i)
            if (text[i] != QChar(0))
                return notText();
        text.truncate(nul);
    }
    const qsizetype n = text.size();
    qsizetype start = 0;
    auto take = [&](qsizetype end) {
        if (end - start > kMaxListLineLength) {
            r.error = QStringLiteral("Line %1 of the file \"%2\" is longer than %3 characters.")
                          .arg(r.entries.size() + 1)
                          .arg(name)
                          .arg(kMaxListLineLength);
            return false;
        }
        if (r.entries.size() >= kMaxListEntries) {
            r.error =
                QStringLiteral("The file \"%1\" holds more than %2 lines; a list takes at most %2.")
                    .arg(name)
                    .arg(kMaxListEntries);
            return false;
        }
        r.entries << text.mid(start, end - start);
        return true;
    };
    for (qsizetype i = 0; i < n; ++i) {
        QChar c = text[i];
        if (c != '\r' && c != '\n')
            continue;
        if (!take(i)) {
            r.entries.clear();
            return r;
        }
        if (c == '\r' && i + 1 < n && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < n && !take(n)) {
        r.entries.clear();
        return r;
    }
    r.ok = true;
    return r;
}

ListFile ReadListFile(const QString& path) {
    auto cannotOpen = [&](const QString& reason) {
        ListFile r;
        r.error = QStringLiteral("Cannot open file \"%1\". %2").arg(path, reason);
        return r;
    };
    QFileInfo info(path);
    // A pipe or device would block or never end: only plain files are lists.
    if (info.exists() && info.isDir())
        return cannotOpen(QStringLiteral("Is a directory"));
    if (info.exists() && !info.isFile())
        return cannotOpen(QStringLiteral("Not a regular file"));
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return cannotOpen(f.errorString());
    if (f.size() > kMaxListFileBytes) {
        ListFile r;
        r.error = TooLarge(path);
        return r;
    }
    // Read one byte past the limit, so a file that grew since its size was taken is refused.
    QByteArray bytes = f.read(kMaxListFileBytes + 1);
    if (f.error() != QFileDevice::NoError)
        return cannotOpen(f.errorString());
    return SplitListText(bytes, path);
}

TListEditing::TListEditing(const PageContext& context, EditedList which, ui::TListBox* list,
                           ui::TLabel* total)
    : QObject(list), context_(context), which_(which), list_(list), total_(total) {
    setObjectName(ComponentName(which));
}

TListEditing* TListEditing::Attach(const PageContext& context, EditedList which, ui::TListBox* list,
                                   ui::TLabel* total, ui::TSpeedButton* importButton,
                                   ui::TPopupMenu* popup) {
    auto* e = new TListEditing(context, which, list, total);
    const ItemSpec names = Names(which);
    e->AddItem = AddAction(popup, list, AddCaption(which), names.add,
                           QKeySequence(Qt::CTRL | Qt::Key_W), [e] { e->AddClick(); });
    e->UpdateItem = AddAction(popup, list, UpdateCaption(which), names.update,
                              QKeySequence(Qt::CTRL | Qt::Key_F), [e] { e->UpdateClick(); });
    e->DeleteItem = AddAction(popup, list, DeleteCaption(which), names.del,
                              QKeySequence(Qt::CTRL | Qt::Key_D), [e] { e->DeleteClick(); });
    e->ClearAllItem = AddAction(popup, list, ClearAllCaption(), names.clearAll, QKeySequence(),
                                [e] { e->ClearAllClick(); });
    if (popup)
        popup->AttachTo(list);
    e->viewport_ = list->viewport();
    e->viewport_->installEventFilter(e);
    if (importButton) {
        importButton->setToolTip(ImportHint(which));
        importButton->OnClick = [e] { e->ImportClick(); };
    }
    if (total)
        total->SetCaption(QString(16, ' '));
    return e;
}

TListEditing* TListEditing::Of(const QWidget* list) {
    return list ? list->findChild<TListEditing*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

TListEditing* TListEditing::Find(const QObject* root, EditedList which) {
    return root ? root->findChild<TListEditing*>(QString::fromLatin1(ComponentName(which)))
                : nullptr;
}

void TListEditing::SetAddDialog(TListAddDialog* d) {
    add_ = d;
}
void TListEditing::SetUpdateDialog(TListUpdateDialog* d) {
    update_ = d;
}
TListAddDialog* TListEditing::AddDialog() const {
    return static_cast<TListAddDialog*>(add_.data());
}
TListUpdateDialog* TListEditing::UpdateDialog() const {
    return static_cast<TListUpdateDialog*>(update_.data());
}

QString TListEditing::AddCaption(EditedList which) {
    return Caption(which, "Add");
}
QString TListEditing::UpdateCaption(EditedList which) {
    return Caption(which, "Update");
}
QString TListEditing::DeleteCaption(EditedList which) {
    return Caption(which, "Delete");
}

QString TListEditing::ImportHint(EditedList which) {
    if (which == EditedList::Whereis)
        return QStringLiteral("Import an domain name or IP address file (*.txt)");
    return QStringLiteral("Import an IP address or domain/host name file (*.txt)");
}

int TListEditing::Selected() const {
    // The view's current row counts only while it is selected: focusing the list makes a row
    // current without selecting it, and an edit must not land on a row the user never chose.
    QListWidgetItem* it = list_->currentItem();
    return it && it->isSelected() ? list_->currentRow() : -1;
}

void TListEditing::AddClick() {
    if (TListAddDialog* d = AddDialog())
        context_.Dialogs().ExecModal(d);
}

void TListEditing::UpdateClick() {
    if (Selected() < 0)
        return;
    if (TListUpdateDialog* d = UpdateDialog()) {
        d->FormActivate();
        context_.Dialogs().ExecModal(d);
    }
}

void TListEditing::DeleteClick() {
    int i = Selected();
    if (i < 0)
        return;
    list_->Delete(i);
    // Qt would move the current row to a neighbour; the list has no selection afterwards.
    list_->setCurrentRow(-1);
    list_->clearSelection();
    ShowTotal();
}

void TListEditing::ClearAllClick() {
    list_->Clear();
    if (total_)
        total_->SetCaption(QString());
}

void TListEditing::ImportClick() {
    std::optional<QString> file = context_.Dialogs().OpenFile(list_->window(), context_.openList);
    if (!file)
        return;
    Import(*file);
}

bool TListEditing::Import(const QString& path) {
    ListFile f = ReadListFile(path);
    if (!f.ok) {
        context_.Dialogs().ErrorBox(list_->window(), f.error);
        return false;
    }
    list_->SetItems(f.entries);
    if (f.eightBit)
        for (int i = 0; i < list_->Count(); ++i)
            list_->SetItemBytes(i, f.entries[i].toLatin1());
    ShowTotal();
    return true;
}

void TListEditing::InsertFirst(const QString& text) {
    list_->insertItem(0, text);
    ShowTotal();
}

bool TListEditing::ReplaceSelected(const QString& text) {
    int i = Selected();
    if (i < 0)
        return false;
    list_->SetItemText(i, text);
    return true;
}

void TListEditing::ShowTotal() {
    if (total_)
        total_->SetCaption(QString::number(list_->Count()));
}

bool TListEditing::eventFilter(QObject* watched, QEvent* event) {
    // The type first: the filter also sees the viewport's last events while the list is being
    // destroyed, when the list must not be asked anything.
    if (event->type() == QEvent::MouseButtonDblClick && watched == viewport_)
        Guarded("TListEditing::DblClick", [this] { DblClick(); });
    return QObject::eventFilter(watched, event);
}

}  // namespace orv
