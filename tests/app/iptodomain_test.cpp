// The IP-to-Domain Converter page alone, resolving through a fake resolver: the batch both
// ways, Stop, the single lookups, the address check and the IP Neighborhood.
#include "app/page_iptodomain.h"

#include <gtest/gtest.h>

#include <QTest>
#include <mutex>
#include <set>

#include "fake_resolver.h"
#include "gate.h"
#include "page_context_fixture.h"
#include "platform/shell.h"
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

using ui::Icon;

// The fake resolver, plus gates: a lookup of a gated name or address waits until its gate
// opens, so tests decide which of two lookups finishes first.
class GatedResolver final : public net::Resolver {
  public:
    explicit GatedResolver(test::FakeResolver& inner) : inner_(inner) { net::SetResolver(this); }
    ~GatedResolver() override { net::SetResolver(&inner_); }

    void Gate(const std::string& key) { gate_.Close(key); }
    void Open(const std::string& key) { gate_.Open(key); }
    int Waiting() { return gate_.Waiting(); }

    bool Startup() override { return inner_.Startup(); }
    void Cleanup() override { inner_.Cleanup(); }
    std::optional<net::HostEntry> HostByName(const std::string& name) override {
        gate_.Pass(name);
        return inner_.HostByName(name);
    }
    std::optional<net::HostEntry> HostByAddr(net::InAddr addr) override {
        gate_.Pass(net::inet_ntoa(addr));
        return inner_.HostByAddr(addr);
    }

  private:
    test::FakeResolver& inner_;
    test::Gate gate_;
};

std::vector<std::string> g_opened;
bool RecordOpen(const std::string& target) {
    g_opened.push_back(target);
    return true;
}

class IpToDomain : public ::testing::Test {
  protected:
    void SetUp() override {
        g_opened.clear();
        SetShellOpenHook(RecordOpen);
        resolver.Add("multi.test", {"10.0.0.1", "10.0.0.2", "10.0.0.3"});
        resolver.Add("one.test", {"10.0.0.9"});
        resolver.Add("host-a.test", {"10.0.1.5"});
        page = std::make_unique<TIpToDomainPage>(fixture.context);
    }
    void TearDown() override {
        resolver.Release();
        // No worker may still be inside the resolver when it goes away.
        if (page) {
            std::vector<std::shared_ptr<task::WorkerThread>> tasks = Tasks();
            page.reset();
            PumpUntil([&] {
                for (const auto& t : tasks)
                    if (t->Running())
                        return false;
                return true;
            });
        }
        SetShellOpenHook(nullptr);
    }

    // The tasks the page has started, newest of each kind.
    std::vector<std::shared_ptr<task::WorkerThread>> Tasks() const {
        std::vector<std::shared_ptr<task::WorkerThread>> out;
        for (const task::TaskSlot* t :
             {&page->FindIpTask(), &page->FindNameTask(), &page->BatchTask()})
            if (!t->Empty())
                out.push_back(t->Current());
        return out;
    }
    // The grid's data rows as "name|address".
    QStringList Rows() const {
        QStringList out;
        for (int r = 1; r < page->StringGrid2->RowCount() - 1; ++r)
            out << page->StringGrid2->Cells(0, r) + "|" + page->StringGrid2->Cells(1, r);
        return out;
    }
    QStringList Counters() const {
        return {page->Label18->Caption(), page->Label16->Caption(), page->Label17->Caption()};
    }
    bool BatchDone() const {
        return !page->BatchTask().Empty() && page->BatchTask().Current()->Finished();
    }
    bool LastRowEmpty() const {
        int last = page->StringGrid2->RowCount() - 1;
        return page->StringGrid2->Cells(0, last).isEmpty() &&
               page->StringGrid2->Cells(1, last).isEmpty();
    }

    test::FakeResolver resolver;
    test::ScriptedDialogs dialogs;
    test::PageContextFixture fixture;
    std::unique_ptr<TIpToDomainPage> page;
};

// --- batch ---------------------------------------------------------------------------------

TEST_F(IpToDomain, ForwardBatchWritesARowPerAddressAndCountsRows) {
    // Whatever the grid held before is gone.
    page->StringGrid2->SetRowCount(9);
    page->StringGrid2->SetCells(0, 7, "old");
    page->Label18->SetCaption("99");
    page->ListBox1->SetItems({"multi.test", "nosuch.test", "one.test"});
    page->B_nametoip_start_buttonClick();
    EXPECT_EQ(page->ConverterMode, "nametoip");
    EXPECT_EQ(page->Label52->Caption(), "Working...");
    EXPECT_FALSE(page->B_nametoip_start_button->isEnabled());
    EXPECT_FALSE(page->b_iptoname_start_button->isEnabled());
    ASSERT_TRUE(PumpUntil([&] { return page->Label52->Caption() == "Done!"; }));

    EXPECT_EQ(Rows(),
              QStringList({"multi.test|10.0.0.1", "multi.test|10.0.0.2", "multi.test|10.0.0.3",
                           "nosuch.test|Unknown", "one.test|10.0.0.9"}));
    EXPECT_EQ(page->StringGrid2->RowCount(), 7);
    EXPECT_TRUE(LastRowEmpty());
    EXPECT_EQ(page->StringGrid2->Cells(0, 0), "Domain / Host Name");
    EXPECT_EQ(page->StringGrid2->Cells(1, 0), "IP Address");
    EXPECT_EQ(Counters(), QStringList({"5", "4", "1"}));
    EXPECT_EQ(page->StringGrid2->Row(), 5);
    EXPECT_TRUE(page->B_nametoip_start_button->isEnabled());
    EXPECT_TRUE(page->b_iptoname_start_button->isEnabled());
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(IpToDomain, ReverseBatchPutsTheNameInColumnZero) {
    page->ListBox1->SetItems({"10.0.1.5", "10.0.0.77", "not-an-address", ""});
    page->b_iptoname_start_buttonClick();
    EXPECT_EQ(page->ConverterMode, "iptoname");
    ASSERT_TRUE(PumpUntil([&] { return page->Label52->Caption() == "Done!"; }));
    EXPECT_EQ(Rows(), QStringList({"host-a.test|10.0.1.5", "Unknown|10.0.0.77",
                                   "Unknown|not-an-address", "Unknown|"}));
    EXPECT_TRUE(LastRowEmpty());
    EXPECT_EQ(Counters(), QStringList({"4", "1", "3"}));
}

TEST_F(IpToDomain, EmptyListDoesNotStartAndSaysSo) {
    struct Case {
        bool forward;
        const char* text;
        const char* caption;
        const char* mode;
    };
    for (const Case& c : {
             Case{true, " Please import the domain/host names list(*.txt)! ", "", "nametoip"},
             Case{false, " Please import the IP addresses list(*.txt)! ", "Brannoc", "iptoname"},
         }) {
        dialogs.shown.clear();
        if (c.forward) {
            page->B_nametoip_start_buttonClick();
        } else {
            page->b_iptoname_start_buttonClick();
        }
        ASSERT_EQ(dialogs.shown.size(), 1u) << c.text;
        EXPECT_EQ(dialogs.shown[0].text, c.text);
        EXPECT_EQ(dialogs.shown[0].caption, c.caption);
        EXPECT_EQ(dialogs.shown[0].icon, Icon::Warning);
        EXPECT_EQ(page->ConverterMode, c.mode);
        EXPECT_TRUE(page->BatchTask().Empty());
        EXPECT_EQ(page->Label52->Caption(), "");
        EXPECT_TRUE(page->B_nametoip_start_button->isEnabled());
    }
}

TEST_F(IpToDomain, EntriesAddedDuringTheRunAreConvertedToo) {
    resolver.Block();
    page->ListBox1->SetItems({"one.test"});
    page->B_nametoip_start_buttonClick();
    ASSERT_TRUE(PumpUntil([&] { return resolver.Waiting() == 1; }));
    page->ListBox1->Add("multi.test");
    resolver.Release();
    ASSERT_TRUE(PumpUntil([&] { return BatchDone(); }));
    EXPECT_EQ(Rows(), QStringList({"one.test|10.0.0.9", "multi.test|10.0.0.1",
                                   "multi.test|10.0.0.2", "multi.test|10.0.0.3"}));
}

TEST_F(IpToDomain, StopHaltsTheRunAndItsLateAnswersAreDropped) {
    page->ListBox1->SetItems({"one.test", "multi.test"});
    resolver.Block();
    page->B_nametoip_start_buttonClick();
    ASSERT_TRUE(PumpUntil([&] { return resolver.Waiting() == 1; }));
    auto halted = page->BatchTask().Current();
    // The second Stop button does the same as the first.
    page->SpeedButton5->click();
    EXPECT_EQ(page->Label52->Caption(), "Done!");
    EXPECT_TRUE(page->B_nametoip_start_button->isEnabled());
    EXPECT_TRUE(page->b_iptoname_start_button->isEnabled());
    // The answer in flight comes back after the Stop: no row, no count, no end handler.
    page->Label52->SetCaption("stopped");
    resolver.Release();
    ASSERT_TRUE(PumpUntil([&] { return !halted->Running(); }));
    Settle();
    EXPECT_EQ(page->StringGrid2->RowCount(), 2);
    EXPECT_EQ(Rows(), QStringList());
    EXPECT_EQ(Counters(), QStringList({"", "", ""}));
    EXPECT_EQ(page->Label52->Caption(), "stopped");
}

TEST_F(IpToDomain, ANewRunHaltsTheOneStillWaiting) {
    // Started while a run still waits (as the IP Neighborhood does, or a call that bypasses
    // the disabled buttons): the old run must not write into the new grid.
    page->ListBox1->SetItems({"one.test"});
    resolver.Block();
    page->B_nametoip_start_buttonClick();
    ASSERT_TRUE(PumpUntil([&] { return resolver.Waiting() == 1; }));
    auto old = page->BatchTask().Current();
    page->ListBox1->SetItems({"10.0.1.5"});
    page->b_iptoname_start_buttonClick();
    ASSERT_TRUE(PumpUntil([&] { return resolver.Waiting() == 2; }));
    resolver.Release();
    ASSERT_TRUE(PumpUntil([&] { return BatchDone() && !old->Running(); }));
    Settle();
    EXPECT_EQ(Rows(), QStringList({"host-a.test|10.0.1.5"}));
    EXPECT_EQ(Counters(), QStringList({"1", "1", "0"}));
}

TEST_F(IpToDomain, StopWithoutARunChangesNothing) {
    page->Label52->SetCaption("idle");
    page->B_nametoip_start_button->setEnabled(false);
    page->B_nametoip_end_buttonClick();
    EXPECT_EQ(page->Label52->Caption(), "idle");
    EXPECT_FALSE(page->B_nametoip_start_button->isEnabled());
}

TEST_F(IpToDomain, ThePageHaltsItsTasksWhenItGoes) {
    resolver.Block();
    page->ListBox1->SetItems({"one.test"});
    page->B_nametoip_start_buttonClick();
    page->domain_edit->SetText("multi.test");
    page->nametoip_buttonClick();
    page->ip_edit->SetText("10.0.1.5");
    page->iptoname_buttonClick();
    ASSERT_TRUE(PumpUntil([&] { return resolver.Waiting() == 3; }));
    std::vector<std::shared_ptr<task::WorkerThread>> tasks = Tasks();
    ASSERT_EQ(tasks.size(), 3u);
    page.reset();
    for (const auto& t : tasks)
        EXPECT_TRUE(t->Halted());
    // Their answers find no page to write to, and nothing runs on the UI thread for them.
    resolver.Release();
    ASSERT_TRUE(PumpUntil([&] {
        for (const auto& t : tasks)
            if (t->Running())
                return false;
        return true;
    }));
    Settle();
    for (const auto& t : tasks)
        EXPECT_FALSE(t->Finished());
}

TEST_F(IpToDomain, BoxesGoThroughTheDialogsOfTheContext) {
    // The page is given dialogs of its own; the ones in force elsewhere must stay untouched.
    test::ScriptedDialogs own;
    test::ScriptedDialogs inForce;
    fixture.context.dialogs = &own;
    page->b_iptoname_start_buttonClick();
    page->domain_edit->SetText("nosuch.test");
    page->nametoip_buttonClick();
    ASSERT_TRUE(PumpUntil([&] { return own.shown.size() == 2; }));
    EXPECT_EQ(own.shown[0].text, " Please import the IP addresses list(*.txt)! ");
    EXPECT_EQ(own.shown[1].text, "Host does not exist!  ");
    EXPECT_TRUE(inForce.shown.empty());
    EXPECT_TRUE(dialogs.shown.empty());
    fixture.context.dialogs = nullptr;
}

// --- single lookups --------------------------------------------------------------------------

TEST_F(IpToDomain, NameToAddressFillsMemoAndHost) {
    page->Memo1->SetLines({"stale"});
    page->host_edit->SetText("stale");
    page->domain_edit->SetText("multi.test");
    QTest::keyClick(page->domain_edit, Qt::Key_Return);  // Enter runs the conversion
    ASSERT_TRUE(PumpUntil([&] { return !page->host_edit->Text().isEmpty(); }));
    EXPECT_EQ(page->Memo1->Lines(), QStringList({"10.0.0.1", "10.0.0.2", "10.0.0.3"}));
    EXPECT_EQ(page->host_edit->Text(), "multi.test");
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(IpToDomain, FailedSingleLookupsSayWhyAndLeaveOutputsEmpty) {
    page->Memo1->SetLines({"stale"});
    page->host_edit->SetText("stale");
    page->domain_edit->SetText("nosuch.test");
    page->nametoip_buttonClick();
    ASSERT_TRUE(PumpUntil([&] { return dialogs.shown.size() == 1; }));
    EXPECT_EQ(dialogs.shown[0].text, "Host does not exist!  ");
    EXPECT_EQ(dialogs.shown[0].caption, "Error");
    EXPECT_EQ(dialogs.shown[0].icon, Icon::Error);
    EXPECT_EQ(page->Memo1->LineCount(), 0);
    EXPECT_EQ(page->host_edit->Text(), "");

    for (const char* input : {"10.0.0.77", ""}) {
        dialogs.shown.clear();
        page->Edit1->SetText("stale");
        page->ip_edit->SetText(input);
        page->iptoname_buttonClick();
        ASSERT_TRUE(PumpUntil([&] { return dialogs.shown.size() == 1; })) << input;
        EXPECT_EQ(dialogs.shown[0].text, "Can't get the domain/host name!  ");
        EXPECT_EQ(dialogs.shown[0].caption, "Error");
        EXPECT_EQ(dialogs.shown[0].icon, Icon::Error);
        EXPECT_EQ(page->Edit1->Text(), "");
    }
}

TEST_F(IpToDomain, AddressToNameLooksUpTheAddressAsValidated) {
    // Validated as decimal fields, so the leading zeros must not turn into octal (8.0.1.5).
    resolver.Add("octal-trap.test", {"8.0.1.5"});
    page->ip_edit->SetText("010.000.001.005");
    QTest::keyClick(page->ip_edit, Qt::Key_Return);
    ASSERT_TRUE(PumpUntil([&] { return !page->Edit1->Text().isEmpty(); }));
    EXPECT_EQ(page->Edit1->Text(), "host-a.test");
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(IpToDomain, NewestSingleRequestWins) {
    GatedResolver gates(resolver);
    // Name to address: the older request answers last, and is dropped.
    gates.Gate("multi.test");
    page->domain_edit->SetText("multi.test");
    page->nametoip_buttonClick();
    ASSERT_TRUE(PumpUntil([&] { return gates.Waiting() == 1; }));
    auto older = page->FindIpTask().Current();
    page->domain_edit->SetText("one.test");
    page->nametoip_buttonClick();
    ASSERT_TRUE(PumpUntil([&] { return page->host_edit->Text() == "one.test"; }));
    gates.Open("multi.test");
    ASSERT_TRUE(PumpUntil([&] { return !older->Running(); }));
    Settle();
    EXPECT_EQ(page->Memo1->Lines(), QStringList({"10.0.0.9"}));
    EXPECT_EQ(page->host_edit->Text(), "one.test");

    // An older request that fails late shows no box either.
    gates.Gate("nosuch.test");
    page->domain_edit->SetText("nosuch.test");
    page->nametoip_buttonClick();
    ASSERT_TRUE(PumpUntil([&] { return gates.Waiting() == 1; }));
    older = page->FindIpTask().Current();
    page->domain_edit->SetText("multi.test");
    page->nametoip_buttonClick();
    ASSERT_TRUE(PumpUntil([&] { return page->host_edit->Text() == "multi.test"; }));
    gates.Open("nosuch.test");
    ASSERT_TRUE(PumpUntil([&] { return !older->Running(); }));
    Settle();
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(page->Memo1->LineCount(), 3);

    // Address to name, the same rule.
    gates.Gate("10.0.0.1");
    page->ip_edit->SetText("10.0.0.1");
    page->iptoname_buttonClick();
    ASSERT_TRUE(PumpUntil([&] { return gates.Waiting() == 1; }));
    older = page->FindNameTask().Current();
    page->ip_edit->SetText("10.0.1.5");
    page->iptoname_buttonClick();
    ASSERT_TRUE(PumpUntil([&] { return page->Edit1->Text() == "host-a.test"; }));
    gates.Open("10.0.0.1");
    ASSERT_TRUE(PumpUntil([&] { return !older->Running(); }));
    Settle();
    EXPECT_EQ(page->Edit1->Text(), "host-a.test");
}

TEST_F(IpToDomain, BadAddressesGetTheirMessageAndNothingStarts) {
    struct Case {
        const char* input;
        const char* text;
        Icon icon;
        const char* caption;  // nullptr: the standard error box's
    };
    for (const Case& c : {
             Case{"256.1.1.1", "Please enter the correct IP address!", Icon::Warning, ""},
             Case{"1.2.3.256", "Please enter the correct IP address!", Icon::Warning, ""},
             Case{"1.300.x.4", "Please enter the correct IP address!", Icon::Warning, ""},
             Case{"1.2.3", "'' is not a valid integer value", Icon::Error, nullptr},
             Case{"1.2.3.4.5", "'4.5' is not a valid integer value", Icon::Error, nullptr},
             Case{"a.1.1.1", "'a' is not a valid integer value", Icon::Error, nullptr},
         }) {
        dialogs.shown.clear();
        page->CheckBox3->SetChecked(true);
        page->ListBox1->SetItems({"kept"});
        page->Edit1->SetText("kept");
        page->ip_edit->SetText(c.input);
        page->iptoname_buttonClick();
        ASSERT_EQ(dialogs.shown.size(), 1u) << c.input;
        EXPECT_EQ(dialogs.shown[0].text, c.text) << c.input;
        EXPECT_EQ(dialogs.shown[0].icon, c.icon) << c.input;
        if (c.caption) {
            EXPECT_EQ(dialogs.shown[0].caption, c.caption) << c.input;
        }
        EXPECT_TRUE(page->FindNameTask().Empty()) << c.input;
        EXPECT_TRUE(page->BatchTask().Empty()) << c.input;
        EXPECT_EQ(page->ListBox1->Items(), QStringList({"kept"})) << c.input;
        EXPECT_EQ(page->Edit1->Text(), "kept") << c.input;
    }
}

// --- IP Neighborhood -------------------------------------------------------------------------

TEST_F(IpToDomain, NeighborhoodFillsTheListAndRunsTheReverseBatch) {
    page->CheckBox3->SetChecked(true);
    page->ComboBox3->SetText("20");
    page->ip_edit->SetText("10.0.1.5");
    page->iptoname_buttonClick();
    ASSERT_EQ(page->ListBox1->Count(), 21);
    EXPECT_EQ(page->ListBox1->Item(0), "10.0.0.251");
    EXPECT_EQ(page->ListBox1->Item(20), "10.0.1.15");
    EXPECT_EQ(page->Label15->Caption(), "21");
    EXPECT_EQ(page->ConverterMode, "iptoname");
    ASSERT_TRUE(PumpUntil([&] { return BatchDone() && !page->Edit1->Text().isEmpty(); }));
    EXPECT_EQ(page->StringGrid2->RowCount(), 23);
    EXPECT_EQ(Rows()[10], "host-a.test|10.0.1.5");
    EXPECT_EQ(Counters(), QStringList({"21", "1", "20"}));
    EXPECT_EQ(page->Edit1->Text(), "host-a.test");
}

TEST_F(IpToDomain, NeighborhoodThatEndsEarlyStartsNoBatch) {
    struct Case {
        const char* address;
        int count;
        const char* first;
    };
    for (const Case& c :
         {Case{"0.0.0.5", 0, nullptr}, Case{"255.255.255.250", 16, "255.255.255.240"}}) {
        page->CheckBox3->SetChecked(true);
        page->ComboBox3->SetText("20");
        page->ListBox1->SetItems({"old"});
        const QString total = page->Label15->Caption();
        page->ip_edit->SetText(c.address);
        page->iptoname_buttonClick();
        EXPECT_EQ(page->ListBox1->Count(), c.count) << c.address;
        if (c.first) {
            EXPECT_EQ(page->ListBox1->Item(0), c.first);
        }
        if (c.count) {
            EXPECT_EQ(page->ListBox1->Item(c.count - 1), "255.255.255.255");
        }
        EXPECT_EQ(page->Label15->Caption(), total) << c.address;
        EXPECT_TRUE(page->BatchTask().Empty()) << c.address;
    }
}

// --- results popup ---------------------------------------------------------------------------

TEST_F(IpToDomain, BrowerOpensTheSelectedName) {
    page->StringGrid2->SetRowCount(4);
    page->StringGrid2->SetCells(0, 1, "one.test");
    page->StringGrid2->SetRow(2);  // empty cell: nothing
    page->Brower1->trigger();
    EXPECT_TRUE(g_opened.empty());
    page->StringGrid2->SetRow(1);
    page->Brower1->trigger();
    EXPECT_EQ(g_opened, std::vector<std::string>({"http://one.test"}));
    EXPECT_EQ(page->Pop_iptodomain_results->actions().back()->text(), "Brower");
}

}  // namespace
}  // namespace orv
