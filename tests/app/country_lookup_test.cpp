// The Country Lookup page alone: single lookups, batch runs with their grid rows and counters,
// Stop, and which of several single lookups may answer; and its export button in the program's
// windows.
#include "app/page_country.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <functional>
#include <memory>

#include "app/app_windows.h"
#include "app/main_window.h"
#include "fake_resolver.h"
#include "page_context_fixture.h"
#include "pump.h"
#include "scripted_dialogs.h"

namespace orv {
namespace {

using test::PumpUntil;
using test::Settle;

const QString kXerox = "Xerox Palo Alto Research Center, CA (NET-XEROX-NET) ";
const QString kBbn = "Bolt Beranek and Newman Inc., MA (NET-BBN-NET-TEMP)";
const QString kAtt = "AT&T (NET-ATT)";
const QString kEmptyList = " Please import the domain names or IP addresses list(*.txt)! ";

class CountryLookup : public ::testing::Test {
  protected:
    void SetUp() override {
        resolver.Add("www.example.test", {"61.8.0.1"});
        resolver.Add("multi.test", {"12.1.1.1", "61.8.0.1"});
        resolver.Add("xerox.test", {"13.1.1.1"});
        resolver.Add("far.test", {"180.1.1.1"});
        page = std::make_unique<TCountryLookupPage>(fixture.context);
        // As start-up lays out every page's grid.
        page->LayOutGrid();
    }
    void TearDown() override {
        resolver.Release();
        page.reset();
    }

    const task::TaskSlot& Batch() const { return page->WhereisBatchThread(); }
    const task::TaskSlot& Single() const { return page->WhereisSingleThread(); }

    // Starts a batch over `entries` and waits for its end.
    void RunBatch(const QStringList& entries) {
        page->ListBox3->SetItems(entries);
        page->whereis_startClick();
        auto run = Batch().Current();
        ASSERT_TRUE(run);
        ASSERT_TRUE(PumpUntil([run] { return run->Finished(); }));
    }

    // Presses Resolve and waits until that lookup is through.
    QString Resolve(const QString& text) {
        page->Edit3->SetText(text);
        page->SpeedButton9Click();
        auto t = Single().Current();
        EXPECT_TRUE(t && PumpUntil([t] { return t->Finished(); })) << text.toStdString();
        return page->Edit6->Text();
    }

    QStringList Row(int r) const {
        return {page->StringGrid3->Cells(0, r), page->StringGrid3->Cells(1, r)};
    }

    QTemporaryDir dir;
    test::ScriptedDialogs dialogs;
    test::FakeResolver resolver;
    test::PageContextFixture fixture;
    std::unique_ptr<TCountryLookupPage> page;
};

// The lookup's own cases are the lookup library's; here, that its answer lands in Edit6.
TEST_F(CountryLookup, SingleLookupAnswersInEdit6) {
    struct Case {
        const char* entry;
        QString answer;
    } cases[] = {
        {"www.example.test", "Australia"},
        {"10.0.0.1", "United States"},
        {"nosuch.test", "X"},  // does not resolve
        {"far.test", "X"},     // resolves into no block
    };
    for (const auto& c : cases) {
        page->Edit6->SetText("previous");
        EXPECT_EQ(Resolve(c.entry), c.answer) << c.entry;
        EXPECT_EQ(page->Edit3->Text(), c.entry);
    }
    EXPECT_TRUE(dialogs.shown.empty()) << "a failed lookup shows no message";
}

TEST_F(CountryLookup, EnterInEdit3ResolvesAndEmptyTextChangesNothing) {
    page->Edit6->SetText("previous");
    page->Edit3->SetText("");
    QTest::keyClick(page->Edit3, Qt::Key_Return);
    EXPECT_FALSE(Single().Current()) << "an empty box starts no lookup";
    Settle();
    EXPECT_EQ(page->Edit6->Text(), "previous");

    page->Edit3->SetText("xerox.test");
    QTest::keyClick(page->Edit3, Qt::Key_Return);
    EXPECT_TRUE(PumpUntil([this] { return page->Edit6->Text() == kXerox; }));
    EXPECT_TRUE(page->whereis_start->isEnabled()) << "a single lookup disables nothing";
    EXPECT_EQ(page->Label56->Caption(), "");
}

TEST_F(CountryLookup, BatchShowsAnAddressAsTypedAndLooksItUpInCanonicalForm) {
    // A resolver that would read the typed text differently from the address parser.
    resolver.Add("010.1.1.1", {"61.8.0.1"});
    RunBatch({"010.1.1.1"});
    EXPECT_EQ(Row(1), QStringList({"010.1.1.1", kBbn})) << "the entry is shown as typed";
}

// Older lookups that come back after a newer press must not overwrite its answer.
TEST_F(CountryLookup, NewestSingleLookupWins) {
    // Both lookups are held in the resolver and let go together, so either may finish last;
    // enough rounds make an older-last order certain to occur.
    for (int round = 0; round < 20; ++round) {
        bool even = round % 2 == 0;
        QString older = even ? "www.example.test" : "xerox.test";
        QString newer = even ? "xerox.test" : "www.example.test";
        QString expected = even ? kXerox : "Australia";

        resolver.Block();
        page->Edit3->SetText(older);
        page->SpeedButton9Click();
        auto first = Single().Current();
        ASSERT_TRUE(PumpUntil([this] { return resolver.Waiting() == 1; }));
        page->Edit3->SetText(newer);
        page->SpeedButton9Click();
        auto second = Single().Current();
        ASSERT_NE(first, second) << "each press starts its own lookup";
        ASSERT_TRUE(PumpUntil([this] { return resolver.Waiting() == 2; }));
        resolver.Release();
        ASSERT_TRUE(PumpUntil([&] { return !first->Running() && second->Finished(); }));
        Settle();
        EXPECT_EQ(page->Edit6->Text(), expected) << "round " << round;
    }
}

// Enter in an empty box ends without any change: a lookup still running goes on and answers.
TEST_F(CountryLookup, EnterInAnEmptyBoxLeavesARunningLookupAlone) {
    page->Edit6->SetText("previous");
    resolver.Block();
    page->Edit3->SetText("xerox.test");
    QTest::keyClick(page->Edit3, Qt::Key_Return);
    auto running = Single().Current();
    ASSERT_TRUE(running);
    ASSERT_TRUE(PumpUntil([this] { return resolver.Waiting() == 1; }));

    page->Edit3->SetText("");
    QTest::keyClick(page->Edit3, Qt::Key_Return);
    page->SpeedButton9Click();  // the Resolve button takes the same path
    Settle();
    EXPECT_EQ(Single().Current(), running);
    EXPECT_FALSE(running->Halted());
    EXPECT_EQ(resolver.Waiting(), 1);
    EXPECT_EQ(page->Edit6->Text(), "previous");
    EXPECT_EQ(page->Edit3->Text(), "");
    EXPECT_TRUE(page->whereis_start->isEnabled());
    EXPECT_EQ(page->Label56->Caption(), "");

    resolver.Release();
    EXPECT_TRUE(PumpUntil([this] { return page->Edit6->Text() == kXerox; }));
    EXPECT_TRUE(running->Finished());
}

TEST_F(CountryLookup, GridBeforeTheFirstBatch) {
    ui::TStringGrid* g = page->StringGrid3;
    EXPECT_EQ(g->RowCount(), 2);
    EXPECT_EQ(Row(0), QStringList({"Domain Name / IP Address", "Country"}));
    EXPECT_EQ(Row(1), QStringList({"", ""}));
    EXPECT_EQ(g->ColWidth(0), 160);
    EXPECT_EQ(g->ColWidth(1), 2000);
}

TEST_F(CountryLookup, BatchRowsAndCounters) {
    struct Case {
        QStringList entries;
        QStringList answers;
        const char* successful;
        const char* failed;
    } cases[] = {
        // Three entries, one that does not resolve.
        {{"www.example.test", "nosuch.test", "10.0.0.1"},
         {"Australia", "X", "United States"},
         "2",
         "1"},
        // A name in no block fails exactly like one that does not resolve.
        {{"far.test", "nosuch.test"}, {"X", "X"}, "", "2"},
        // All succeed: Failed stays empty, not "0".
        {{"xerox.test", "multi.test", "200.200.1.1"}, {kXerox, kAtt, "Brazil"}, "3", ""},
        // Entries stay as held in the list: blanks, empty entries and duplicates included.
        {{" 10.0.0.1", "", "10.0.0.1", "10.0.0.1"},
         {"X", "X", "United States", "United States"},
         "2",
         "2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entries.join(",").toStdString());
        RunBatch(c.entries);
        ui::TStringGrid* g = page->StringGrid3;
        const int n = static_cast<int>(c.entries.size());
        EXPECT_EQ(Row(0), QStringList({"Domain Name / IP Address", "Country"}));
        for (int i = 0; i < n; ++i)
            EXPECT_EQ(Row(i + 1), QStringList({c.entries[i], c.answers[i]}));
        EXPECT_EQ(Row(n + 1), QStringList({"", ""})) << "the grid ends with an empty row";
        EXPECT_EQ(g->RowCount(), n + 2);
        EXPECT_EQ(g->Row(), n) << "the last row written is the current one";
        EXPECT_EQ(page->Label49->Caption(), c.successful);
        EXPECT_EQ(page->Label51->Caption(), c.failed);
        EXPECT_EQ(page->Label56->Caption(), "Done!");
        EXPECT_TRUE(page->whereis_start->isEnabled());
    }
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(CountryLookup, StartWithEmptyListOnlyWarns) {
    RunBatch({"www.example.test", "nosuch.test"});
    auto before = Batch().Current();
    page->Label56->SetCaption("status");
    page->ListBox3->Clear();
    page->whereis_startClick();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, kEmptyList);
    EXPECT_EQ(dialogs.shown[0].caption, "");
    EXPECT_EQ(dialogs.shown[0].icon, ui::Icon::Warning);
    EXPECT_EQ(Batch().Current(), before) << "no run started";
    EXPECT_EQ(page->StringGrid3->RowCount(), 4);
    EXPECT_EQ(Row(1), QStringList({"www.example.test", "Australia"}));
    EXPECT_EQ(page->Label49->Caption(), "1");
    EXPECT_EQ(page->Label51->Caption(), "1");
    EXPECT_EQ(page->Label56->Caption(), "status");
    EXPECT_TRUE(page->whereis_start->isEnabled());
}

TEST_F(CountryLookup, SecondStartClearsTheGridBeforeItsFirstRow) {
    RunBatch({"www.example.test", "nosuch.test", "10.0.0.1"});
    page->StringGrid3->SetCells(1, 0, "edited heading");
    resolver.Block();
    page->ListBox3->SetItems({"xerox.test"});
    page->whereis_startClick();
    // Running: the previous rows and counts are gone, the headings are back.
    ui::TStringGrid* g = page->StringGrid3;
    EXPECT_EQ(g->RowCount(), 2);
    EXPECT_EQ(Row(0), QStringList({"Domain Name / IP Address", "Country"}));
    EXPECT_EQ(Row(1), QStringList({"", ""}));
    EXPECT_EQ(page->Label49->Caption(), "");
    EXPECT_EQ(page->Label51->Caption(), "");
    EXPECT_EQ(page->Label56->Caption(), "Working...");
    EXPECT_FALSE(page->whereis_start->isEnabled());
    // The entry shows while its lookup is still out.
    ASSERT_TRUE(PumpUntil([this] { return resolver.Waiting() == 1; }));
    ASSERT_TRUE(PumpUntil([this] { return Row(1)[0] == "xerox.test"; }));
    EXPECT_EQ(Row(1)[1], "");
    resolver.Release();
    ASSERT_TRUE(PumpUntil([this] { return Batch().Current()->Finished(); }));
    EXPECT_EQ(g->RowCount(), 3);
    EXPECT_EQ(Row(1), QStringList({"xerox.test", kXerox}));
    EXPECT_EQ(page->Label49->Caption(), "1");
}

TEST_F(CountryLookup, StopMidRunKeepsWhatIsShownAndWritesNothingMore) {
    ui::TStringGrid* g = page->StringGrid3;
    // Hold the resolver as soon as the first answer is on the page: the UI thread is inside
    // that write, so the second lookup cannot have started yet.
    bool held = false;
    QObject scope;
    QObject::connect(&g->Model(), &ui::StringGridModel::dataChanged, &scope, [&] {
        if (!held && g->Cells(1, 1) != "") {
            resolver.Block();
            held = true;
        }
    });
    page->ListBox3->SetItems({"www.example.test", "xerox.test", "10.0.0.1"});
    page->whereis_startClick();
    auto run = Batch().Current();
    ASSERT_TRUE(PumpUntil([this] { return resolver.Waiting() == 1; }));
    ASSERT_TRUE(PumpUntil([this] { return Row(2)[0] == "xerox.test"; }));

    page->whereis_stopClick();
    EXPECT_EQ(page->Label56->Caption(), "Done!");
    EXPECT_TRUE(page->whereis_start->isEnabled());

    resolver.Release();
    ASSERT_TRUE(PumpUntil([&] { return !run->Running(); }));
    Settle();
    EXPECT_FALSE(run->Finished()) << "a stopped run's end handler does not run";
    EXPECT_EQ(g->RowCount(), 3);
    EXPECT_EQ(Row(1), QStringList({"www.example.test", "Australia"}));
    EXPECT_EQ(Row(2), QStringList({"xerox.test", ""})) << "the late answer is dropped";
    EXPECT_EQ(page->Label49->Caption(), "1");
    EXPECT_EQ(page->Label51->Caption(), "");
    EXPECT_TRUE(dialogs.shown.empty());

    // Stop again, after the run is over: nothing changes.
    page->whereis_stopClick();
    EXPECT_EQ(page->Label56->Caption(), "Done!");
    EXPECT_TRUE(page->whereis_start->isEnabled());
    EXPECT_EQ(g->RowCount(), 3);
}

TEST_F(CountryLookup, StopWithoutARunChangesNothing) {
    page->whereis_stopClick();
    EXPECT_EQ(page->Label56->Caption(), "");
    EXPECT_TRUE(page->whereis_start->isEnabled());
    EXPECT_EQ(page->StringGrid3->RowCount(), 2);
    EXPECT_TRUE(dialogs.shown.empty());

    RunBatch({"www.example.test"});
    page->whereis_stopClick();
    EXPECT_EQ(page->Label56->Caption(), "Done!");
    EXPECT_TRUE(page->whereis_start->isEnabled());
    EXPECT_EQ(Row(1), QStringList({"www.example.test", "Australia"}));
    EXPECT_EQ(page->Label49->Caption(), "1");
}

TEST_F(CountryLookup, ListEditsDuringARunCountForTheEntriesStillToCome) {
    resolver.Block();
    page->ListBox3->SetItems({"www.example.test", "nosuch.test"});
    page->whereis_startClick();
    ASSERT_TRUE(PumpUntil([this] { return resolver.Waiting() == 1; }));
    page->ListBox3->Add("xerox.test");
    resolver.Release();
    ASSERT_TRUE(PumpUntil([this] { return Batch().Current()->Finished(); }));
    EXPECT_EQ(page->StringGrid3->RowCount(), 5);
    EXPECT_EQ(Row(3), QStringList({"xerox.test", kXerox}));
    EXPECT_EQ(page->Label49->Caption(), "2");
    EXPECT_EQ(page->Label51->Caption(), "1");
}

TEST_F(CountryLookup, ImportedListRunsAsABatch) {
    const QString path = dir.filePath("hosts.txt");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("www.example.test\r\n\r\nfar.test\r\n");
    }
    EXPECT_EQ(page->Label45->Caption(), QString(16, ' '));
    dialogs.files.push_back(path);
    page->SpeedButton10->click();
    ASSERT_EQ(page->ListBox3->Count(), 3);
    EXPECT_EQ(page->Label45->Caption(), "3");

    page->whereis_start->click();
    ASSERT_TRUE(PumpUntil([this] { return Batch().Current()->Finished(); }));
    EXPECT_EQ(Row(1), QStringList({"www.example.test", "Australia"}));
    EXPECT_EQ(Row(2), QStringList({"", "X"})) << "a blank line is an entry like any other";
    EXPECT_EQ(Row(3), QStringList({"far.test", "X"}));
    EXPECT_EQ(page->Label49->Caption(), "1");
    EXPECT_EQ(page->Label51->Caption(), "2");
}

TEST(CountryLookupWindows, ExportButtonShowsTheCountryExportDialog) {
    QTemporaryDir dir;
    test::ScriptedDialogs dialogs;
    test::FakeResolver resolver;
    auto windows = AppWindows::Create(QDir(dir.path()).absolutePath().toStdString() + "/");
    QString shown;
    dialogs.modals.push_back([&](QDialog* d) {
        shown = d->objectName();
        return int(QDialog::Rejected);
    });
    windows->main->country_lookup_tab->SpeedButton11->click();
    EXPECT_EQ(shown, "country_export");
    windows.reset();
}

}  // namespace
}  // namespace orv
