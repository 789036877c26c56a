// Editing of the three tool lists (IP-to-Domain, Batch Ping, Country Lookup): the popup items
// Add / Update / Delete / Clear All, double-click to edit, the total label, the import of a
// list file, and the link to the list's Add and Update dialogs. A page attaches one component
// to its list box in its constructor and appends its own popup items after the four.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <cstdint>

#include "app/page_context.h"
#include "controls/widgets.h"

class QAction;

namespace orv {

// Which list a component edits: ListBox1, ListBox2, ListBox3.
enum class EditedList { Ip, Ping, Whereis };

class TListAddDialog;
class TListUpdateDialog;

// Limits of a list file: beyond them the file is refused with a message, never cut short.
inline constexpr std::int64_t kMaxListFileBytes = 32 * 1024 * 1024;
inline constexpr int kMaxListEntries = 1'000'000;
inline constexpr int kMaxListLineLength = 65'536;

// A list file read whole: the entries on success, else a message for the user.
struct ListFile {
    bool ok = false;
    QStringList entries;
    // The file is 8-bit text that is not UTF-8: each entry's bytes are its characters, one
    // byte each (for the exports, which write an entry as its file had it).
    bool eightBit = false;
    QString error;  // shown in the standard error box when !ok
};

// Reads `path` as a list: one entry per line (CR, LF or CR LF end a line; a line break at the
// very end adds no entry), entries unchanged. UTF-16 with a byte-order mark (either order) is
// decoded; otherwise the text is 8-bit, a UTF-8 byte-order mark dropped. A file that
// cannot be opened, is not a regular file, holds binary data, or is beyond the limits above
// gives !ok and a message naming the file.
ListFile ReadListFile(const QString& path);
// The same rules over text already in memory; `name` goes into the messages.
ListFile SplitListText(const QByteArray& bytes, const QString& name);

class TListEditing final : public QObject {
    Q_OBJECT
  public:
    // Attaches editing to `list` and returns the component (a child of `list`):
    // - appends the four items to `popup` (captions, object names and shortcuts of `which`;
    //   the shortcuts work while `list` has the focus) and shows `popup` on right-click of
    //   `list`; the page appends a separator and its send-to items afterwards;
    // - a double-click on `list` runs UpdateClick;
    // - `importButton` (its hint is set here) runs ImportClick;
    // - `total` gets its initial caption of sixteen blanks.
    // `importButton` and `popup` may be nullptr.
    static TListEditing* Attach(const PageContext& context, EditedList which, ui::TListBox* list,
                                ui::TLabel* total, ui::TSpeedButton* importButton,
                                ui::TPopupMenu* popup);
    // The component attached to `list`, or nullptr.
    static TListEditing* Of(const QWidget* list);
    // The component of kind `which` anywhere under `root` (the main window), or nullptr.
    static TListEditing* Find(const QObject* root, EditedList which);

    EditedList Which() const { return which_; }
    ui::TListBox* List() const { return list_; }
    ui::TLabel* Total() const { return total_; }
    // The selected entry's index, -1 when none (a row that is only current, as after the list
    // got the focus, is not selected).
    int Selected() const;

    // The popup items, in menu order (A1, UpdateItem1, DeleteItem1, DeleteAllItem1 for the
    // first list; A2, UpdateItem2, DeleteItem2, ClearAll1; Add1, Update1, Delete1, ClearAll2).
    QAction* AddItem = nullptr;
    QAction* UpdateItem = nullptr;
    QAction* DeleteItem = nullptr;
    QAction* ClearAllItem = nullptr;

    // The dialogs register themselves here when they are created.
    void SetAddDialog(TListAddDialog* d);
    void SetUpdateDialog(TListUpdateDialog* d);
    TListAddDialog* AddDialog() const;
    TListUpdateDialog* UpdateDialog() const;

    // Popup handlers (A1Click, UpdateItem1Click, DeleteItem1Click, DeleteAllItem1Click and
    // their counterparts), double-click and import button.
    void AddClick();       // the Add dialog, modally
    void UpdateClick();    // the Update dialog, modally, when an entry is selected
    void DeleteClick();    // removes the selected entry; total := new count
    void ClearAllClick();  // removes every entry; total := empty text
    void DblClick() { UpdateClick(); }
    void ImportClick();  // opendialog1, then Import

    // Replaces the whole list by the lines of `path` and sets the total; on failure the
    // standard error box says why and the list and total stay as they were.
    bool Import(const QString& path);

    // What the dialogs do to the list.
    void InsertFirst(const QString& text);      // new entry 0; total := new count
    bool ReplaceSelected(const QString& text);  // false when nothing is selected
    void ShowTotal();                           // total := the number of entries

    // Popup captions for `which` ("Add " for the first list, "Add" for the others, ...).
    static QString AddCaption(EditedList which);
    static QString UpdateCaption(EditedList which);
    static QString DeleteCaption(EditedList which);
    static QString ClearAllCaption() { return QStringLiteral("Clear All"); }
    static QString ImportHint(EditedList which);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    TListEditing(const PageContext& context, EditedList which, ui::TListBox* list,
                 ui::TLabel* total);

    const PageContext& context_;
    EditedList which_;
    ui::TListBox* list_;
    QObject* viewport_ = nullptr;  // where double-clicks arrive
    QPointer<ui::TLabel> total_;
    QPointer<QObject> add_;     // a TListAddDialog
    QPointer<QObject> update_;  // a TListUpdateDialog
};

}  // namespace orv
