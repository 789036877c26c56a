// Editing of the three tool lists through their popups, shortcuts, double-click, the Add and
// Update dialogs and the import; and the reading of list files, malformed ones included.
#include "app/list_editing.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include "app/app_windows.h"
#include "app/list_dialogs.h"
#include "app/page_country.h"
#include "app/page_iptodomain.h"
#include "app/page_ping.h"
#include "fake_resolver.h"
#include "pump.h"
#include "scripted_dialogs.h"

// Readable failures.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace orv {
namespace {

using test::PumpUntil;
using test::Settle;

// What each list is expected to look like.
struct Expected {
    EditedList which;
    int pageIndex;
    QStringList captions;
    QStringList names;
    const char* hint;
    const char* label;
    const char* addForm;
    const char* updateForm;
    bool addOnTop;
};

const Expected kLists[] = {
    {EditedList::Ip,
     0,
     {"Add ", "Update ", "Delete ", "Clear All"},
     {"A1", "UpdateItem1", "DeleteItem1", "DeleteAllItem1"},
     "Import an IP address or domain/host name file (*.txt)",
     "IP Address or Domain/Computer Name",
     "ip_add",
     "ip_update",
     true},
    {EditedList::Ping,
     1,
     {"Add", "Update", "Delete", "Clear All"},
     {"A2", "UpdateItem2", "DeleteItem2", "ClearAll1"},
     "Import an IP address or domain/host name file (*.txt)",
     "IP Address or Domain/Computer Name",
     "ping_add",
     "ping_update",
     false},
    {EditedList::Whereis,
     4,
     {"Add", "Update", "Delete", "Clear All"},
     {"Add1", "Update1", "Delete1", "ClearAll2"},
     "Import an domain name or IP address file (*.txt)",
     "IP Address ",
     "whereis_add",
     "whereis_update",
     true},
};

class ListEditingTest : public ::testing::TestWithParam<int> {
  protected:
    void SetUp() override {
        folder = QDir(dir.path()).absolutePath() + "/";
        windows = AppWindows::Create(folder.toStdString());
        x = kLists[GetParam()];
        Tmain* m = windows->main.get();
        switch (x.which) {
            case EditedList::Ip:
                list = m->ip_to_domain_converter_tab->ListBox1;
                total = m->ip_to_domain_converter_tab->Label15;
                import = m->ip_to_domain_converter_tab->SpeedButton1;
                popup = m->ip_to_domain_converter_tab->PopupMenu1;
                add = windows->ip_add.get();
                update = windows->ip_update.get();
                addEdit = windows->ip_add->Edit1;
                updateEdit = windows->ip_update->edit1;
                break;
            case EditedList::Ping:
                list = m->batch_ping_tab->ListBox2;
                total = m->batch_ping_tab->Label19;
                import = m->batch_ping_tab->SpeedButton2;
                popup = m->batch_ping_tab->PopupMenu2;
                add = windows->ping_add.get();
                update = windows->ping_update.get();
                addEdit = windows->ping_add->Edit1;
                updateEdit = windows->ping_update->Edit1;
                break;
            case EditedList::Whereis:
                list = m->country_lookup_tab->ListBox3;
                total = m->country_lookup_tab->Label45;
                import = m->country_lookup_tab->SpeedButton10;
                popup = m->country_lookup_tab->PopupMenu3;
                add = windows->whereis_add.get();
                update = windows->whereis_update.get();
                addEdit = windows->whereis_add->Edit1;
                updateEdit = windows->whereis_update->edit1;
                break;
        }
        editing = TListEditing::Find(m, x.which);
        ASSERT_NE(editing, nullptr) << "list not attached";
    }
    void TearDown() override { windows.reset(); }

    // Shows the window on the list's page and gives the list the focus, for shortcuts.
    void Focus() {
        windows->main->show();
        windows->main->mainpage->SetActivePageIndex(x.pageIndex);
        windows->main->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(windows->main.get()));
        list->setFocus();
        ASSERT_TRUE(PumpUntil([&] { return list->hasFocus(); }));
    }
    void Select(int i) {
        list->setCurrentRow(i);
        ASSERT_EQ(editing->Selected(), i);
    }
    QString WriteFile(const char* name, const QByteArray& bytes) {
        QString path = folder + name;
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    // A modal script that must not run.
    void ForbidModal() {
        dialogs.modals.push_back([](QDialog* d) {
            ADD_FAILURE() << "dialog opened: " << d->objectName().toStdString();
            return 0;
        });
    }

    QTemporaryDir dir;
    QString folder;
    test::FakeResolver resolver;
    test::ScriptedDialogs dialogs;
    std::unique_ptr<AppWindows> windows;
    Expected x;
    TListEditing* editing = nullptr;
    ui::TListBox* list = nullptr;
    ui::TLabel* total = nullptr;
    ui::TSpeedButton* import = nullptr;
    ui::TPopupMenu* popup = nullptr;
    TListAddDialog* add = nullptr;
    TListUpdateDialog* update = nullptr;
    ui::TEdit* addEdit = nullptr;
    ui::TEdit* updateEdit = nullptr;
};

TEST_P(ListEditingTest, PopupDialogsAndButtonAreWired) {
    EXPECT_EQ(editing->Which(), x.which);
    EXPECT_EQ(TListEditing::Of(list), editing);
    EXPECT_EQ(editing->List(), list);
    EXPECT_EQ(editing->Total(), total);
    EXPECT_EQ(total->Caption(), QString(16, ' '));
    EXPECT_EQ(import->toolTip(), x.hint);

    const QList<QAction*> items = popup->actions();
    ASSERT_GE(items.size(), 4);
    const QAction* mine[] = {editing->AddItem, editing->UpdateItem, editing->DeleteItem,
                             editing->ClearAllItem};
    const QKeySequence keys[] = {QKeySequence(Qt::CTRL | Qt::Key_W),
                                 QKeySequence(Qt::CTRL | Qt::Key_F),
                                 QKeySequence(Qt::CTRL | Qt::Key_D), QKeySequence()};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(items[i], mine[i]);
        EXPECT_EQ(items[i]->text(), x.captions[i]);
        EXPECT_EQ(items[i]->objectName(), x.names[i]);
        EXPECT_EQ(items[i]->shortcut(), keys[i]);
    }

    ASSERT_EQ(editing->AddDialog(), add);
    ASSERT_EQ(editing->UpdateDialog(), update);
    EXPECT_EQ(addEdit, add->EditBox());
    EXPECT_EQ(updateEdit, update->EditBox());
    struct Dlg {
        QDialog* d;
        const char* form;
        const char* caption;
        ui::TLabel* label;
        ui::TButton* b1;
        ui::TButton* b2;
        const char* action;
        bool onTop;
    };
    for (const Dlg& d :
         {Dlg{add, x.addForm, "Add", add->Label1, add->Button1, add->Button2, "Add", x.addOnTop},
          Dlg{update, x.updateForm, "Update", update->Label1, update->Button1, update->Button2,
              "Update", false}}) {
        EXPECT_EQ(d.d->objectName(), d.form);
        EXPECT_EQ(d.d->windowTitle(), d.caption);
        EXPECT_EQ(d.label->Caption(), x.label);
        EXPECT_EQ(d.b1->text(), d.action);
        EXPECT_EQ(d.b2->text(), "Close");
        EXPECT_EQ(d.d->windowFlags().testFlag(Qt::WindowStaysOnTopHint), d.onTop) << d.form;
        EXPECT_EQ(d.d->size(), QSize(242, 102));
    }
}

TEST_P(ListEditingTest, AddPutsTheTextFirstAndKeepsTheDialogOpen) {
    list->SetItems({"old"});
    int closes = 0;
    dialogs.modals.push_back([&](QDialog* d) {
        EXPECT_EQ(d, add);
        // On screen, where a dialog would also press a default button on Enter.
        d->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(d));
        addEdit->setFocus();
        addEdit->SetText("dup");
        add->Button1->click();
        add->Button1->click();
        // Enter in the box adds once, as the button does.
        QTest::keyClick(addEdit, Qt::Key_Return);
        EXPECT_EQ(addEdit->Text(), "dup");
        addEdit->SetText("");
        QTest::keyClick(addEdit, Qt::Key_Return);  // an empty entry is an entry
        addEdit->SetText("last");
        add->Button2->click();  // Close adds nothing
        closes += d->result() == QDialog::Rejected;
        d->hide();
        return d->result();
    });
    editing->AddItem->trigger();
    EXPECT_EQ(list->Items(), QStringList({"", "dup", "dup", "dup", "old"}));
    EXPECT_EQ(total->Caption(), "5");
    EXPECT_EQ(closes, 1);

    // The box keeps its text to the next opening.
    dialogs.modals.push_back([&](QDialog*) {
        EXPECT_EQ(addEdit->Text(), "last");
        return 0;
    });
    editing->AddItem->trigger();
    EXPECT_TRUE(dialogs.modals.empty());
}

TEST_P(ListEditingTest, UpdateNeedsASelectionByMenuShortcutOrDoubleClick) {
    list->SetItems({"a", "b"});
    Focus();
    // The focus made a row current, but nothing is selected.
    ASSERT_EQ(editing->Selected(), -1);
    ForbidModal();
    editing->UpdateItem->trigger();
    QTest::keyClick(list, Qt::Key_F, Qt::ControlModifier);
    // On the empty space below the entries.
    const QPoint below(5, list->viewport()->height() - 3);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, below);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, below);
    EXPECT_EQ(dialogs.modals.size(), 1u);
    dialogs.modals.clear();
    // Delete without a selection removes nothing either.
    QTest::keyClick(list, Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(list->Count(), 2);

    // Double-click on an entry: the dialog shows it; Update writes it in place and closes.
    total->SetCaption("untouched");
    dialogs.modals.push_back([&](QDialog* d) {
        EXPECT_EQ(d, update);
        EXPECT_EQ(updateEdit->Text(), "b");
        updateEdit->SetText("B");
        update->Button1->click();
        return d->result();
    });
    const QPoint onB = list->visualItemRect(list->item(1)).center();
    // A real double-click: the first press selects the entry.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, onB);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, onB);
    EXPECT_TRUE(dialogs.modals.empty());
    EXPECT_EQ(list->Items(), QStringList({"a", "B"}));
    EXPECT_EQ(editing->Selected(), 1);
    EXPECT_EQ(total->Caption(), "untouched");

    // The shortcut, and Enter in the box.
    Select(0);
    dialogs.modals.push_back([&](QDialog* d) {
        EXPECT_EQ(updateEdit->Text(), "a");
        updateEdit->SetText("A");
        QTest::keyClick(updateEdit, Qt::Key_Return);
        EXPECT_EQ(d->result(), QDialog::Accepted);
        return d->result();
    });
    QTest::keyClick(list, Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(dialogs.modals.empty());
    EXPECT_EQ(list->Items(), QStringList({"A", "B"}));

    // Close changes nothing.
    dialogs.modals.push_back([&](QDialog* d) {
        updateEdit->SetText("zzz");
        update->Button2->click();
        EXPECT_EQ(d->result(), QDialog::Rejected);
        return d->result();
    });
    editing->UpdateItem->trigger();
    EXPECT_EQ(list->Items(), QStringList({"A", "B"}));

    // The Add shortcut works from the list too.
    dialogs.modals.push_back([&](QDialog* d) {
        EXPECT_EQ(d, add);
        return 0;
    });
    QTest::keyClick(list, Qt::Key_W, Qt::ControlModifier);
    EXPECT_TRUE(dialogs.modals.empty());
}

TEST_P(ListEditingTest, DeleteAndClearAll) {
    list->SetItems({"a", "b", "c"});
    Focus();
    Select(1);
    QTest::keyClick(list, Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(list->Items(), QStringList({"a", "c"}));
    EXPECT_EQ(total->Caption(), "2");
    EXPECT_EQ(editing->Selected(), -1);
    EXPECT_EQ(list->ItemIndex(), -1);
    editing->DeleteItem->trigger();  // nothing selected: nothing removed
    EXPECT_EQ(list->Count(), 2);

    editing->ClearAllItem->trigger();
    EXPECT_EQ(list->Count(), 0);
    EXPECT_EQ(total->Caption(), "");  // empty, not "0"
}

TEST_P(ListEditingTest, ImportReplacesTheListOrLeavesItWhole) {
    list->SetItems({"typed before"});
    total->SetCaption("1");

    dialogs.files.push_back(std::nullopt);  // cancelled
    import->click();
    EXPECT_EQ(list->Items(), QStringList({"typed before"}));
    EXPECT_EQ(dialogs.lastSpec.filter, "*.txt|*.txt|*.ini|*.ini|*.txt;*.ini|*.txt;*.ini");
    EXPECT_EQ(dialogs.lastSpec.initialDir, folder);

    dialogs.files.push_back(WriteFile("crlf.txt", "\xEF\xBB\xBFone.test\r\n\r\n 10.0.0.1 \r\n"));
    import->click();
    EXPECT_EQ(list->Items(), QStringList({"one.test", "", " 10.0.0.1 "}));
    EXPECT_EQ(total->Caption(), "3");

    // A refused file: a message, and the list as it was.
    dialogs.files.push_back(WriteFile("binary.txt", QByteArray("ab\0cd\n", 6)));
    import->click();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].icon, ui::Icon::Error);
    EXPECT_TRUE(dialogs.shown[0].text.contains("is not a text file"))
        << dialogs.shown[0].text.toStdString();
    EXPECT_EQ(list->Count(), 3);
    EXPECT_EQ(total->Caption(), "3");

    dialogs.files.push_back(WriteFile("empty.txt", ""));
    import->click();
    EXPECT_EQ(list->Count(), 0);
    EXPECT_EQ(total->Caption(), "0");
}

INSTANTIATE_TEST_SUITE_P(AllLists, ListEditingTest, ::testing::Values(0, 1, 2),
                         [](const ::testing::TestParamInfo<int>& i) {
                             return std::string(i.param == 0   ? "ListBox1"
                                                : i.param == 1 ? "ListBox2"
                                                               : "ListBox3");
                         });

// --- list files ------------------------------------------------------------------------------

// A list file named after its case, holding `bytes`.
QString WriteCaseFile(const QTemporaryDir& dir, const char* name, const QByteArray& bytes) {
    const QString path = dir.filePath(QString::fromLatin1(name).replace(' ', '_') + ".txt");
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path;
}

TEST(ListFile, WellFormedAndMalformedFiles) {
    struct Case {
        const char* name;
        QByteArray bytes;
        QStringList entries;  // when accepted
        const char* error;    // part of the message when refused
    };
    const QByteArray longLine(kMaxListLineLength, 'x');
    const Case cases[] = {
        {"crlf", "a\r\nb\r\n", {"a", "b"}, nullptr},
        {"lf", "a\nb\n", {"a", "b"}, nullptr},
        {"cr", "a\rb\r", {"a", "b"}, nullptr},
        {"mixed", "a\r\nb\nc\rd", {"a", "b", "c", "d"}, nullptr},
        {"no final break", "a\nb", {"a", "b"}, nullptr},
        {"blank line kept", "a\n\nb\n", {"a", "", "b"}, nullptr},
        {"blanks kept", " a \t\n", {" a \t"}, nullptr},
        {"duplicates kept", "a\na\n", {"a", "a"}, nullptr},
        {"only a break", "\n", {""}, nullptr},
        {"cr lf cr lf", "\r\n\r\n", {"", ""}, nullptr},
        {"empty", "", {}, nullptr},
        {"utf-8 bom",
         "\xEF\xBB\xBF"
         "a\nb\n",
         {"a", "b"},
         nullptr},
        {"bom only", "\xEF\xBB\xBF", {}, nullptr},
        {"bom not at start kept",
         "a\n\xEF\xBB\xBF"
         "b",
         {"a", QChar(0xFEFF) + QString("b")},
         nullptr},
        {"utf-8 text", "caf\xC3\xA9\n", {QString::fromUtf8("caf\xC3\xA9")}, nullptr},
        {"8-bit text", "caf\xE9\n", {QString::fromLatin1("caf\xE9")}, nullptr},
        {"nul padding at the end", QByteArray("a\nb\n\0\0\0", 7), {"a", "b"}, nullptr},
        {"nul inside", QByteArray("a\0b\n", 4), {}, "is not a text file"},
        {"nul in a later line", QByteArray("a\nb\0c\n", 6), {}, "is not a text file"},
        {"utf-16 without a byte-order mark", QByteArray("a\0\n\0", 4), {}, "is not a text file"},
        {"utf-16 cut in a character",
         QByteArray("\xFF\xFE"
                    "a\0\n",
                    5),
         {},
         "is not a text file"},
        {"utf-16 lone surrogate",
         QByteArray("\xFF\xFE"
                    "\x00\xD8"
                    "a\0",
                    6),
         {},
         "is not a text file"},
        {"utf-16 nul inside",
         QByteArray("\xFF\xFE"
                    "a\0\0\0b\0",
                    8),
         {},
         "is not a text file"},
        {"utf-32 byte-order mark",
         QByteArray("\xFF\xFE\0\0"
                    "a\0\0\0",
                    8),
         {},
         "is not a text file"},
        {"binary", QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16), {}, "is not a text file"},
        {"line at the limit", longLine + "\nb", {QString(longLine), "b"}, nullptr},
        {"line over the limit", "a\n" + longLine + "x\n", {}, "Line 2 of the file"},
        {"last line over the limit", longLine + "x", {}, "longer than 65536 characters"},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = WriteCaseFile(dir, c.name, c.bytes);
        ListFile r = ReadListFile(path);
        if (c.error) {
            EXPECT_FALSE(r.ok);
            EXPECT_TRUE(r.entries.isEmpty());
            EXPECT_TRUE(r.error.contains(c.error)) << r.error.toStdString();
            EXPECT_TRUE(r.error.contains(path)) << r.error.toStdString();
        } else {
            EXPECT_TRUE(r.ok) << r.error.toStdString();
            EXPECT_EQ(r.entries, c.entries);
        }
    }
}

// "Unicode" as editors save it: UTF-16 in either byte order with its byte-order mark reads as
// the same entries as the 8-bit file.
TEST(ListFile, Utf16WithAByteOrderMarkReadsLikeTheAsciiFile) {
    const QStringList entries = {"one.test", "", " 10.0.0.1 ", "two.test"};
    const QString crlf = entries.join("\r\n") + "\r\n";
    const QString lf = entries.join('\n') + '\n';
    auto encode = [](QStringConverter::Encoding e, const char* bom, const QString& text) {
        QStringEncoder enc(e);
        return QByteArray(bom, 2) + QByteArray(enc.encode(text));
    };
    struct Case {
        const char* name;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"ascii crlf", crlf.toLatin1()},
        {"ascii lf", lf.toLatin1()},
        {"utf-8 bom", "\xEF\xBB\xBF" + lf.toUtf8()},
        {"utf-16le crlf", encode(QStringConverter::Utf16LE, "\xFF\xFE", crlf)},
        {"utf-16le lf", encode(QStringConverter::Utf16LE, "\xFF\xFE", lf)},
        {"utf-16be crlf", encode(QStringConverter::Utf16BE, "\xFE\xFF", crlf)},
        {"utf-16be lf", encode(QStringConverter::Utf16BE, "\xFE\xFF", lf)},
        {"utf-16le nul padding",
         encode(QStringConverter::Utf16LE, "\xFF\xFE", lf) + QByteArray(4, '\0')},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = WriteCaseFile(dir, c.name, c.bytes);
        ListFile r = ReadListFile(path);
        EXPECT_TRUE(r.ok) << r.error.toStdString();
        EXPECT_EQ(r.entries, entries);
    }
    // Letters beyond ASCII come through as the characters they are.
    const QString names = QString::fromUtf8("m\xC3\xBCnchen.test\n\xE6\x97\xA5\xE6\x9C\xAC.test\n");
    ListFile le = SplitListText(encode(QStringConverter::Utf16LE, "\xFF\xFE", names), "le.txt");
    ListFile be = SplitListText(encode(QStringConverter::Utf16BE, "\xFE\xFF", names), "be.txt");
    const QStringList expected = {QString::fromUtf8("m\xC3\xBCnchen.test"),
                                  QString::fromUtf8("\xE6\x97\xA5\xE6\x9C\xAC.test")};
    EXPECT_EQ(le.entries, expected);
    EXPECT_EQ(be.entries, expected);
}

TEST(ListFile, FilesThatCannotBeListsAreRefusedWithAReason) {
    QTemporaryDir dir;
    const QString missing = dir.filePath("missing.txt");
    EXPECT_EQ(ReadListFile(missing).error,
              "Cannot open file \"" + missing + "\". No such file or directory");
    EXPECT_EQ(ReadListFile(dir.path()).error,
              "Cannot open file \"" + dir.path() + "\". Is a directory");

    const QString fifo = dir.filePath("fifo");
    ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    EXPECT_EQ(ReadListFile(fifo).error,
              "Cannot open file \"" + fifo + "\". Not a regular file");  // and does not block

    // Too large: refused from its size, without reading it.
    const QString huge = dir.filePath("huge.txt");
    {
        QFile f(huge);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(kMaxListFileBytes + 1));
    }
    ListFile r = ReadListFile(huge);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "The file \"" + huge + "\" is too large for a list (more than 32 MiB).");
    // At the limit it is read (here: all NUL padding, so an empty list).
    {
        QFile f(huge);
        ASSERT_TRUE(f.resize(kMaxListFileBytes));
    }
    r = ReadListFile(huge);
    EXPECT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_TRUE(r.entries.isEmpty());
}

TEST(ListFile, EntryLimit) {
    QByteArray atLimit;
    atLimit.fill('\n', kMaxListEntries);
    ListFile r = SplitListText(atLimit, "many.txt");
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.entries.size(), kMaxListEntries);
    r = SplitListText(atLimit + "x", "many.txt");
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.entries.isEmpty());
    EXPECT_EQ(r.error,
              "The file \"many.txt\" holds more than 1000000 lines; a list takes at most "
              "1000000.");
}

}  // namespace
}  // namespace orv
