// The export dialogs: their frame, the way a report reaches its file (save dialog, replace
// question, atomic write, file errors, opening the file) and what the report writer is given.
#include "app/export_dialogs.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRadioButton>
#include <QTemporaryDir>
#include <map>

#include "app/app_windows.h"
#include "app/list_editing.h"
#include "app/page_country.h"
#include "app/page_iptodomain.h"
#include "app/page_monitor.h"
#include "app/page_ping.h"
#include "controls/datetime.h"
#include "fake_resolver.h"
#include "page_context_fixture.h"
#include "platform/shell.h"
#include "pump.h"
#include "scripted_dialogs.h"

namespace orv {
namespace {

using report::Report;

// What the shell was handed, with the file's contents at that moment.
std::vector<std::pair<std::string, QByteArray>> g_opened;
bool RecordOpen(const std::string& target) {
    QFile f(QString::fromStdString(target));
    g_opened.emplace_back(target, f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("?"));
    return true;
}

struct WriterCall {
    Report kind;
    report::GridSnapshot grid;
    int pingCount;
    std::string createdAt;
};

class ExportFlow : public ::testing::Test {
  protected:
    void SetUp() override {
        g_opened.clear();
        SetShellOpenHook(RecordOpen);
        for (TExportDialog* d : std::initializer_list<TExportDialog*>{&ping, &monitor}) {
            d->Writer = [this](Report kind, const report::GridSnapshot& grid, int pingCount,
                               const std::string& createdAt) {
                calls.push_back({kind, grid, pingCount, createdAt});
                return "report " + std::to_string(calls.size()) + "\r\n";
            };
        }
    }
    void TearDown() override { SetShellOpenHook(nullptr); }

    QString Path(const QString& name) const { return dir.filePath(name); }
    void Put(const QString& name, const QByteArray& bytes) {
        QFile f(Path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    std::map<QString, QByteArray> Files() const {
        std::map<QString, QByteArray> out;
        for (const QString& n : QDir(dir.path()).entryList(QDir::Files | QDir::Hidden)) {
            QFile f(Path(n));
            EXPECT_TRUE(f.open(QIODevice::ReadOnly));
            out[n] = f.readAll();
        }
        return out;
    }

    QTemporaryDir dir;
    test::ScriptedDialogs dialogs;
    test::PageContextFixture context;
    TBatchPingPage pingPage{context.context};
    TConnectionMonitorPage monitorPage{context.context};
    Tping_export ping{&pingPage};
    Tmonitor_export monitor{&monitorPage};
    std::vector<WriterCall> calls;
};

TEST_F(ExportFlow, TheReplaceQuestionIsAboutTheFileReallyWritten) {
    struct Case {
        const char* how;
        bool monitorDialog;
        int radio;
        std::optional<QString> typed;  // nullopt: the save dialog is cancelled
        std::map<QString, QByteArray> before;
        std::vector<ui::Answer> answers;
        bool asked;
        std::map<QString, QByteArray> after;
    };
    const QByteArray old = "old\r\n";
    const QByteArray report = "report 1\r\n";
    const Case cases[] = {
        {"a new name gets the text extension",
         false,
         0,
         "list",
         {},
         {},
         false,
         {{"list.txt", report}}},
        {"a name with the extension keeps it",
         false,
         1,
         "list.txt",
         {},
         {},
         false,
         {{"list.txt", report}}},
        {"an HTML kind gets its own extension",
         false,
         2,
         "list",
         {},
         {},
         false,
         {{"list.htm", report}}},
        {"an HTML name keeps its extension",
         false,
         4,
         "list.htm",
         {},
         {},
         false,
         {{"list.htm", report}}},
        {"a typed name whose file exists with the extension: Yes replaces it",
         false,
         0,
         "list",
         {{"list.txt", old}},
         {ui::Answer::Yes},
         true,
         {{"list.txt", report}}},
        {"the same, chosen with its extension",
         false,
         0,
         "list.txt",
         {{"list.txt", old}},
         {ui::Answer::Yes},
         true,
         {{"list.txt", report}}},
        {"No leaves the file as it was",
         false,
         0,
         "list",
         {{"list.txt", old}},
         {ui::Answer::No},
         true,
         {{"list.txt", old}}},
        {"a closed question is no Yes",
         false,
         3,
         "list.htm",
         {{"list.htm", old}},
         {ui::Answer::Closed},
         true,
         {{"list.htm", old}}},
        {"a file of the typed name alone is not the file written",
         false,
         0,
         "list",
         {{"list", old}},
         {},
         false,
         {{"list", old}, {"list.txt", report}}},
        {"cancel writes nothing",
         false,
         0,
         std::nullopt,
         {{"list.txt", old}},
         {},
         false,
         {{"list.txt", old}}},
        {"the monitor writes the name as given",
         true,
         0,
         "list.txt",
         {},
         {},
         false,
         {{"list.txt", report}}},
        {"the monitor appends nothing", true, 0, "history", {}, {}, false, {{"history", report}}},
        {"the monitor asks about the name as given",
         true,
         0,
         "history",
         {{"history", old}},
         {ui::Answer::Yes},
         true,
         {{"history", report}}},
    };
    for (const Case& c : cases) {
        for (const auto& [name, bytes] : Files())
            QFile::remove(Path(name));
        for (const auto& [name, bytes] : c.before)
            Put(name, bytes);
        calls.clear();
        dialogs.shown.clear();
        dialogs.answers.assign(c.answers.begin(), c.answers.end());
        dialogs.files = {c.typed ? std::optional<QString>(Path(*c.typed)) : std::nullopt};
        TExportDialog& d = c.monitorDialog ? static_cast<TExportDialog&>(monitor) : ping;
        d.RadioButtons[c.radio]->setChecked(true);
        d.Button1->click();

        EXPECT_EQ(Files(), c.after) << c.how;
        if (c.asked) {
            ASSERT_EQ(dialogs.shown.size(), 1u) << c.how;
            EXPECT_EQ(dialogs.shown[0].text, "The file has existed, replace it or not?");
            EXPECT_EQ(dialogs.shown[0].caption, "Confirm");
            EXPECT_EQ(dialogs.shown[0].icon, ui::Icon::Question);
            EXPECT_EQ(dialogs.shown[0].buttons, ui::Buttons::YesNo);
        } else {
            EXPECT_TRUE(dialogs.shown.empty()) << c.how;
        }
        EXPECT_TRUE(dialogs.saveRefusals.empty()) << c.how << ": the question never refuses";
        EXPECT_TRUE(g_opened.empty()) << c.how;
    }
    EXPECT_EQ(ping.SaveDialog1.filter, "*.txt|*.txt");
    EXPECT_EQ(ping.SaveDialog1.defaultExt, "");
    EXPECT_EQ(ping.SaveDialog2.filter, "*.htm|*.htm");
    EXPECT_EQ(ping.SaveDialog2.defaultExt, "");
    EXPECT_EQ(monitor.SaveDialog1.filter, "*.txt|*.txt");
    EXPECT_EQ(monitor.SaveDialog1.defaultExt, "txt");
}

TEST_F(ExportFlow, TheFileIsOpenedOnlyWhenWrittenAndOnlyWhenAsked) {
    ping.CheckBox1->setChecked(true);
    dialogs.files = {Path("new")};
    ping.Button1->click();
    Put("old.htm", "old");
    ping.RadioButtons[4]->setChecked(true);
    dialogs.files = {Path("old.htm")};
    dialogs.answers = {ui::Answer::Yes};
    ping.Button1->click();
    dialogs.files = {Path("old.htm")};
    dialogs.answers = {ui::Answer::No};
    ping.Button1->click();

    // The shell finds each file complete: it was closed and in place before.
    using Opened = std::vector<std::pair<std::string, QByteArray>>;
    EXPECT_EQ(g_opened, (Opened{{Path("new.txt").toStdString(), "report 1\r\n"},
                                {Path("old.htm").toStdString(), "report 2\r\n"}}));

    ping.CheckBox1->setChecked(false);
    ping.RadioButtons[0]->setChecked(true);
    dialogs.files = {Path("quiet")};
    ping.Button1->click();
    EXPECT_EQ(g_opened.size(), 2u);
    EXPECT_EQ(Files().at("quiet.txt"), "report 3\r\n");
}

TEST_F(ExportFlow, AFileThatCannotBeWrittenIsReportedAndTheDialogGoesOn) {
    Put("plain", "a file, not a folder");
    ping.CheckBox1->setChecked(true);
    dialogs.files = {Path("plain/list")};
    ping.Button1->click();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "Invalid filename");
    EXPECT_EQ(dialogs.shown[0].caption, "Orvelan");
    EXPECT_EQ(dialogs.shown[0].icon, ui::Icon::Error);
    EXPECT_TRUE(g_opened.empty()) << "nothing was written, nothing is opened";
    EXPECT_EQ(Files(), (std::map<QString, QByteArray>{{"plain", "a file, not a folder"}}));

    // A folder in the file's place: no question about replacing it, refused, and the folder is
    // left alone. So for the monitor's name as given.
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken.txt"));
    dialogs.files = {Path("taken")};
    ping.Button1->click();
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[1].text, "File access denied");
    EXPECT_TRUE(QFileInfo(Path("taken.txt")).isDir());
    dialogs.files = {Path("taken.txt")};
    monitor.Button1->click();
    ASSERT_EQ(dialogs.shown.size(), 3u);
    EXPECT_EQ(dialogs.shown[2].text, "File access denied");
    EXPECT_TRUE(QFileInfo(Path("taken.txt")).isDir());

    // The next export of the same dialog works.
    dialogs.files = {Path("list")};
    ping.Button1->click();
    EXPECT_EQ(Files().at("list.txt"), "report 4\r\n");
    EXPECT_EQ(g_opened.size(), 1u);
}

TEST_F(ExportFlow, TheWriterGetsTheGridAsItIsWhenTheWritingStarts) {
    pingPage.ping_count = 2;  // the last run's count
    pingPage.ComboBox1->SetText("4");
    // An entry of an 8-bit list file.
    pingPage.AppendRow({"Running", QString::fromLatin1("caf\xE9.test"), "32", "1", " "},
                       QByteArray("caf\xE9.test"), false);
    Put("list.htm", "old");
    ping.RadioButtons[4]->setChecked(true);
    ping.Now = [] { return QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9)); };
    // A worker's row arrives while the save dialog (here: its question) is open.
    dialogs.whileShown = [this](const test::ScriptedDialogs::Shown&) {
        pingPage.AppendRow({"X", "late.test", "", "", "Timed out"}, "late.test", false);
    };
    dialogs.answers = {ui::Answer::Yes};
    dialogs.files = {Path("list")};
    ping.Button1->click();

    ASSERT_EQ(calls.size(), 1u);
    const WriterCall& call = calls[0];
    EXPECT_EQ(call.kind, Report::PingAllHtml);
    EXPECT_EQ(call.pingCount, 2);
    EXPECT_EQ(call.createdAt,
              ui::DateTimeToStr(QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9))).toStdString());
    ASSERT_EQ(call.grid.RowCount(), 4) << "heading, two rows, the empty last row";
    EXPECT_EQ(call.grid.Cell(1, 0), "IP or Domain/Host Name");
    EXPECT_EQ(call.grid.Cell(1, 1), "caf\xE9.test") << "one byte per character";
    EXPECT_EQ(call.grid.Cell(4, 2), "Timed out");
    EXPECT_EQ(call.grid.Cell(1, 3), "");
}

TEST_F(ExportFlow, TheDefaultWriterStillWritesAFile) {
    ping.Writer = &report::Write;
    dialogs.files = {Path("list")};
    ping.Button1->click();
    EXPECT_TRUE(QFileInfo::exists(Path("list.txt")));
    EXPECT_TRUE(dialogs.shown.empty());
}

// Cells go out as the bytes they came as: a resolver's answer as its bytes, a list entry as
// its list file had it (UTF-16 entries as UTF-8), a typed entry as UTF-8; whatever the
// converter's mode, and whether or not a Start was refused since.
TEST(ExportCells, EachCellAsItCame) {
    test::ScriptedDialogs dialogs;
    test::FakeResolver resolver;
    test::PageContextFixture context;
    QTemporaryDir dir;
    auto put = [&](const char* name, const QByteArray& bytes) {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return dir.filePath(name);
    };
    // Not UTF-8: the resolver's bytes as they came.
    resolver.byAddr[net::inet_addr("10.0.0.5")] = net::HostEntry{"caf\xe9.example.test", {}, {}};
    resolver.Add("m\xc3\xb6we.test", {"10.0.0.6"});

    TIpToDomainPage converter(context.context);
    Tnametoip_export nametoip(&converter);
    report::GridSnapshot seen;
    nametoip.Writer = [&](Report, const report::GridSnapshot& g, int, const std::string&) {
        seen = g;
        return std::string();
    };
    TListEditing* list = TListEditing::Of(converter.ListBox1);
    ASSERT_NE(list, nullptr);
    auto exportNow = [&](const char* name) {
        dialogs.files = {dir.filePath(name)};
        nametoip.Button1->click();
    };
    auto run = [&](auto start) {
        (converter.*start)();
        ASSERT_TRUE(
            test::PumpUntil([&] { return converter.b_iptoname_start_button->isEnabled(); }));
    };

    ASSERT_TRUE(list->Import(put("addresses.txt", "10.0.0.5\r\n")));
    run(&TIpToDomainPage::b_iptoname_start_buttonClick);
    exportNow("a");
    EXPECT_EQ(seen.Cell(0, 1), "caf\xe9.example.test") << "the resolver's bytes";
    // A name-to-address Start refused on an empty list changes nothing of the grid's bytes.
    converter.ListBox1->Clear();
    converter.B_nametoip_start_buttonClick();
    exportNow("b");
    EXPECT_EQ(seen.Cell(0, 1), "caf\xe9.example.test");

    struct Case {
        const char* what;
        QByteArray file;
        std::string entry;
    } cases[] = {
        {"UTF-8 stays UTF-8", "m\xc3\xb6we.test\r\n", "m\xc3\xb6we.test"},
        {"8-bit stays 8-bit", "m\xf6we.test\r\n", "m\xf6we.test"},
        {"UTF-16 as UTF-8", QByteArray("\xff\xfem\0\xf6\0w\0e\0.\0t\0e\0s\0t\0", 20),
         "m\xc3\xb6we.test"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(list->Import(put("names.txt", c.file)));
        run(&TIpToDomainPage::B_nametoip_start_buttonClick);
        exportNow(c.what);
        EXPECT_EQ(seen.Cell(0, 1), c.entry);
    }
    // Typed, through the Add dialog's insert: UTF-8.
    converter.ListBox1->Clear();
    list->InsertFirst(QString::fromUtf8("m\xc3\xb6we.test"));
    run(&TIpToDomainPage::B_nametoip_start_buttonClick);
    exportNow("d");
    EXPECT_EQ(seen.Cell(0, 1), "m\xc3\xb6we.test");
    EXPECT_EQ(seen.Cell(1, 1), "10.0.0.6");

    // An 8-bit entry edited by the user is what they typed.
    ASSERT_TRUE(list->Import(put("names.txt", "m\xf6we.test\r\n")));
    converter.ListBox1->setCurrentRow(0);
    ASSERT_TRUE(list->ReplaceSelected(QString::fromLatin1("m\xf6we.test")));
    EXPECT_EQ(converter.ListBox1->ItemBytes(0), QByteArray("m\xc3\xb6we.test"));

    // The country grid keeps its entries' bytes the same way.
    TCountryLookupPage countryPage(context.context);
    Tcountry_export country(&countryPage);
    country.Writer = nametoip.Writer;
    ASSERT_TRUE(TListEditing::Of(countryPage.ListBox3)->Import(put("c.txt", "m\xf6we.test\n")));
    countryPage.whereis_startClick();
    ASSERT_TRUE(test::PumpUntil([&] { return countryPage.whereis_start->isEnabled(); }));
    dialogs.files = {dir.filePath("e")};
    country.Button1->click();
    EXPECT_EQ(seen.Cell(0, 1), "m\xf6we.test");
}

// End to end: a UTF-8 list file through the list's own import, a batch, and the export dialog
// with the real writer: the report holds the entries' bytes as the file had them.
TEST(ExportCells, AUtf8ListFileComesOutAsItsOwnBytes) {
    test::ScriptedDialogs dialogs;
    test::FakeResolver resolver;
    test::PageContextFixture context;
    QTemporaryDir dir;
    const QByteArray names = "m\xc3\xbcnchen.test\r\nb\xc3\xa9ta.test\r\nplain.test\r\n";
    {
        QFile f(dir.filePath("names.txt"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(names);
    }
    resolver.Add("m\xc3\xbcnchen.test", {"10.0.0.1"});
    resolver.Add("b\xc3\xa9ta.test", {"10.0.0.2"});
    resolver.Add("plain.test", {"10.0.0.3"});

    TIpToDomainPage converter(context.context);
    Tnametoip_export nametoip(&converter);
    dialogs.files = {dir.filePath("names.txt")};
    converter.SpeedButton1->click();  // the import button
    ASSERT_EQ(converter.ListBox1->Count(), 3);
    converter.B_nametoip_start_button->click();
    ASSERT_TRUE(test::PumpUntil([&] { return converter.B_nametoip_start_button->isEnabled(); }));
    ASSERT_EQ(converter.StringGrid2->RowCount(), 5);

    nametoip.RadioButtons[1]->setChecked(true);  // the names list
    dialogs.files = {dir.filePath("report")};
    nametoip.Button1->click();
    QFile out(dir.filePath("report.txt"));
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_EQ(out.readAll(), names);
    EXPECT_TRUE(dialogs.shown.empty());
}

// The windows of the program: each dialog built once, with its frame, and what it holds kept
// from one opening to the next.
class ExportWindows : public ::testing::Test {
  protected:
    void SetUp() override {
        g_opened.clear();
        SetShellOpenHook(RecordOpen);
        windows = AppWindows::Create(folder.path().toStdString() + "/");
    }
    void TearDown() override {
        windows.reset();
        SetShellOpenHook(nullptr);
    }

    QTemporaryDir folder;
    test::FakeResolver resolver;
    test::ScriptedDialogs dialogs;
    std::unique_ptr<AppWindows> windows;
};

TEST_F(ExportWindows, EveryDialogHasItsFrameAndCaptions) {
    struct Case {
        TExportDialog* dialog;
        const char* name;
        QSize size;
        std::vector<std::pair<QString, QString>> radios;
    };
    const Case cases[] = {
        {windows->ping_export.get(),
         "ping_export",
         {334, 228},
         {{"RadioButton1", "The Running  IP Addresses List (*.txt)"},
          {"RadioButton2", " Non-Running IP Addresses List (*.txt)"},
          {"RadioButton3", "All Records of the Running IP Addresses (*.htm) "},
          {"RadioButton4", "All Records of Non-Running IP Addresses (*.htm)"},
          {"RadioButton5", "All Records of all the IP Addresses (*.htm)"}}},
        {windows->nametoip_export.get(),
         "nametoip_export",
         {353, 199},
         {{"RadioButton1", "The Running IP Addresses List (*.txt)"},
          {"RadioButton2", "The Running Domain / Host Names List (*.txt)"},
          {"RadioButton3", "The Running IP Address and Domain / Host Names (*.htm)"},
          {"RadioButton4", "All the IP Addresses and Domain / Host Names (*.htm) "}}},
        {windows->country_export.get(),
         "country_export",
         {341, 155},
         {{"RadioButton3", "Lookup Successfully (*.htm)"},
          {"RadioButton4", "All the Domain Names/IP Addresses and Countries (*.htm) "}}},
        {windows->monitor_export.get(),
         "monitor_export",
         {248, 164},
         {{"RadioButton3", "The TCP Connection History (*.txt)"}}},
    };
    for (const Case& c : cases) {
        TExportDialog* d = c.dialog;
        EXPECT_EQ(d->objectName(), c.name);
        EXPECT_EQ(d->windowTitle(), "Choose") << c.name;
        EXPECT_EQ(d->Label1->Caption(), "Choose the type of the export file") << c.name;
        // The classic fixed size, wider or higher only where the dialog's font needs it.
        EXPECT_EQ(d->minimumSize(), d->maximumSize()) << c.name;
        EXPECT_GE(d->width(), c.size.width()) << c.name;
        EXPECT_GE(d->height(), c.size.height()) << c.name;
        EXPECT_EQ(d->size(), c.size.expandedTo(d->sizeHint())) << c.name;
        ASSERT_EQ(d->RadioButtons.size(), c.radios.size()) << c.name;
        d->show();
        for (std::size_t i = 0; i < c.radios.size(); ++i) {
            // Every caption whole: the button as wide as its text in the dialog's font.
            EXPECT_GE(d->RadioButtons[i]->width(), d->RadioButtons[i]->sizeHint().width())
                << c.radios[i].second.toStdString();
            EXPECT_EQ(d->RadioButtons[i]->font(), d->font());
            EXPECT_EQ(d->RadioButtons[i]->objectName(), c.radios[i].first) << c.name;
            EXPECT_EQ(d->RadioButtons[i]->text(), c.radios[i].second) << c.name;
            EXPECT_EQ(d->RadioButtons[i]->isChecked(), i == 0) << c.name;
        }
        EXPECT_EQ(d->CheckBox1->text(), "Open the export file");
        EXPECT_FALSE(d->CheckBox1->Checked());
        EXPECT_EQ(d->Button1->text(), "Export");
        EXPECT_EQ(d->Button2->text(), "Close");
        EXPECT_EQ(d->CheckBox1->nextInFocusChain(), d->Button1) << c.name;
        EXPECT_EQ(d->Button1->nextInFocusChain(), d->Button2) << c.name;
        d->hide();
    }
}

TEST_F(ExportWindows, EachButtonOpensItsOneDialogWhichKeepsItsState) {
    struct Case {
        std::function<void()> click;
        QDialog* expected;
    };
    Tmain& main = *windows->main;
    const Case cases[] = {
        {[&] { main.batch_ping_tab->SpeedButton12->click(); }, windows->ping_export.get()},
        {[&] { main.ip_to_domain_converter_tab->SpeedButton6->click(); },
         windows->nametoip_export.get()},
        {[&] { main.country_lookup_tab->SpeedButton11->click(); }, windows->country_export.get()},
        {[&] { main.connection_monitor_tab->SpeedButton14->click(); },
         windows->monitor_export.get()},
    };
    QTemporaryDir out;
    for (const Case& c : cases) {
        std::vector<QDialog*> shown;
        // First opening: choose the last kind, tick the box, export, close.
        dialogs.modals.push_back([&](QDialog* d) {
            shown.push_back(d);
            auto* e = static_cast<TExportDialog*>(d);
            e->RadioButtons.back()->setChecked(true);
            e->CheckBox1->setChecked(true);
            dialogs.files = {out.filePath(d->objectName())};
            e->Button1->click();
            e->Button2->click();
            return int(QDialog::Rejected);
        });
        // Second opening: everything as it was left.
        bool keptChoice = false, keptBox = false;
        QString offered;
        dialogs.modals.push_back([&](QDialog* d) {
            shown.push_back(d);
            auto* e = static_cast<TExportDialog*>(d);
            keptChoice = e->RadioButtons.back()->isChecked();
            keptBox = e->CheckBox1->Checked();
            dialogs.files = {std::nullopt};
            e->Button1->click();
            offered = dialogs.lastSpec.fileName;
            return int(QDialog::Rejected);
        });
        c.click();
        c.click();
        EXPECT_EQ(shown, (std::vector<QDialog*>{c.expected, c.expected}));
        EXPECT_TRUE(keptChoice) << c.expected->objectName().toStdString();
        EXPECT_TRUE(keptBox) << c.expected->objectName().toStdString();
        EXPECT_EQ(offered, out.filePath(c.expected->objectName()));
    }
    EXPECT_EQ(g_opened.size(), 4u);
}

}  // namespace
}  // namespace orv
