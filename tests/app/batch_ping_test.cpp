// The Batch Ping page, built alone on a test context (in the real main window where the
// window's size matters): runs driven by a scripted echo layer for exact grid and counter
// checks, and real echoes to loopback.
#include "app/page_ping.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <chrono>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

#include "app/list_editing.h"
#include "app/main_window.h"
#include "fake_resolver.h"
#include "gate.h"
#include "netns.h"
#include "page_context_fixture.h"
#include "pump.h"
#include "scripted_dialogs.h"
#include "scripted_echo.h"

namespace orv {
namespace {

using icmp::IpStatus;
using net::MakeAddr;

const std::string kPayload = "-------Hello,World!---------------";

// The page's echo layer over the shared scripted echo; it can also refuse to open.
class FakeEcho final : public EchoLayer, public test::ScriptedEcho {
  public:
    bool ready = true;
    std::string why = "allow ICMP: ping_group_range or CAP_NET_RAW";
    int opens = 0;

    icmp::EchoFn Open(std::string& whyNot) override {
        ++opens;
        if (!ready) {
            whyNot = why;
            return {};
        }
        return Fn();
    }
};

class BatchPing : public ::testing::Test {
  protected:
    void SetUp() override {
        Build();
        page->SetEchoLayer(&echo);
        resolver.Add("host.test", {"10.0.0.1", "10.0.0.2"});
        resolver.Add("other.test", {"10.0.0.9"});
    }
    // The page alone on the test context.
    virtual void Build() {
        ownPage = std::make_unique<TBatchPingPage>(context.context);
        page = ownPage.get();
    }
    void TearDown() override {
        echo.Release();
        Track();
        for (auto& t : seen)
            t->Halt();
        page = nullptr;
        ownPage.reset();
        win.reset();
        for (auto& t : seen)
            WaitFor([&] { return !t->Running(); });
        WaitFor([&] { return echo.InFlight() == 0; });
        if (icmpHandle != icmp::kInvalidHandle)
            icmp::IcmpCloseHandle(icmpHandle);
    }

    // The run of the page's last Start.
    std::shared_ptr<task::WorkerThread> Current() const { return page->PingThread().Current(); }
    // Keeps every run started, so none outlives the fakes it calls.
    void Track() {
        if (!page)
            return;
        auto t = Current();
        if (t && std::find(seen.begin(), seen.end(), t) == seen.end())
            seen.push_back(t);
    }
    bool WaitFor(const std::function<bool()>& done, int ms = 10000) {
        return test::PumpUntil(
            [&] {
                Track();
                return done();
            },
            ms);
    }
    // Lets queued writes land for a while (for checks that nothing more happens).
    void Settle(int ms = 100) {
        WaitFor([] { return false; }, ms);
    }
    bool RunEnded() {
        return WaitFor([this] { return Current() && Current()->Finished(); });
    }
    void SetList(const QStringList& entries) { page->ListBox2->SetItems(entries); }
    void Start(const QStringList& entries, const char* count = "1") {
        SetList(entries);
        page->ComboBox1->SetText(count);
        page->ping_start_button->click();
        Track();
    }

    QStringList Row(int r) const {
        QStringList out;
        for (int c = 0; c < 5; ++c)
            out << page->StringGrid1->Cells(c, r);
        return out;
    }
    int Rows() const { return page->StringGrid1->RowCount(); }
    QStringList Counters() const {
        return {page->Label33->Caption(), page->Label20->Caption(), page->Label30->Caption()};
    }

    QTemporaryDir dir;
    test::ScriptedDialogs dialogs;
    test::FakeResolver resolver;
    FakeEcho echo;
    test::PageContextFixture context;
    std::unique_ptr<TBatchPingPage> ownPage;
    std::unique_ptr<Tmain> win;  // only in BatchPingInWindow
    TBatchPingPage* page = nullptr;
    icmp::IcmpHandle icmpHandle = icmp::kInvalidHandle;  // a real one, closed at the end
    std::vector<std::shared_ptr<task::WorkerThread>> seen;
};

// The page in the real main window, for what depends on the window around it.
class BatchPingInWindow : public BatchPing {
  protected:
    void Build() override {
        win = std::make_unique<Tmain>(QDir(dir.path()).absolutePath().toStdString() + "/");
        page = win->batch_ping_tab;
    }
};

TEST_F(BatchPing, EachEchoOutcomeMakesItsRow) {
    static const std::uint8_t kElsewhere[] = "-------";
    struct Case {
        const char* what;
        FakeEcho::Outcome outcome;
        QStringList row;
        QStringList counters;  // Finished, Successful, Failed
    } cases[] = {
        {"whole payload back",
         FakeEcho::Reply(7),
         {"Running", "10.0.0.1", "34", "7", " "},
         {"1", "1", ""}},
        {"short data, ours",
         FakeEcho::Data("-----", 3),
         {"Running", "10.0.0.1", "5", "3", " "},
         {"1", "1", ""}},
        // The layer says how long it waited; with no answer there is no round trip.
        {"time-out",
         FakeEcho::TimedOut(2500),
         {"X", "10.0.0.1", "0", "0", "Timed out"},
         {"1", "", "1"}},
        {"host unreachable",
         FakeEcho::Error(IpStatus::DestHostUnreachable, 4),
         {"X", "10.0.0.1", "0", "4", "Destination host unreachable"},
         {"1", "", "1"}},
        {"ttl exceeded",
         FakeEcho::Error(IpStatus::TtlExpiredTransit, 9),
         {"X", "10.0.0.1", "0", "9", "TTL expired in transit"},
         {"1", "", "1"}},
        {"local failure",
         FakeEcho::Local(IpStatus::NoResources),
         {"X", "10.0.0.1", "0", "0", "No resources"},
         {"1", "", "1"}},
        {"alien data", FakeEcho::Data("abc"), {"", "", "", "", ""}, {"", "", ""}},
        {"no data at all", FakeEcho::Data(""), {"", "", "", "", ""}, {"", "", ""}},
        {"data pointer outside the reply buffer",
         {1, IpStatus::Success, 1, false, "xyz", kElsewhere},
         {"", "", "", "", ""},
         {"", "", ""}},
    };
    for (const auto& c : cases) {
        echo.Script({c.outcome});
        Start({"10.0.0.1"});
        ASSERT_TRUE(RunEnded()) << c.what;
        EXPECT_EQ(Rows(), 3) << c.what;
        EXPECT_EQ(Row(1), c.row) << c.what;
        EXPECT_EQ(Row(2), QStringList({"", "", "", "", ""})) << c.what;
        EXPECT_EQ(Counters(), c.counters) << c.what;
        EXPECT_EQ(page->Label59->Caption(), "1") << c.what;
        EXPECT_EQ(page->Label54->Caption(), "Done!");
        EXPECT_TRUE(page->ping_start_button->isEnabled());
    }
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(BatchPing, EchoRequestAsSent) {
    page->ComboBox2->SetText("4000");
    Start({"host.test", "10.1.2.3"}, "3");
    ASSERT_TRUE(RunEnded());
    EXPECT_EQ(page->ping_count, 3);
    auto calls = echo.Calls();
    ASSERT_EQ(calls.size(), 6u);
    for (size_t i = 0; i < calls.size(); ++i) {
        // A name at its first address, a dotted address at itself.
        EXPECT_EQ(calls[i].destination, i < 3 ? MakeAddr(10, 0, 0, 1) : MakeAddr(10, 1, 2, 3));
        EXPECT_EQ(calls[i].data, kPayload);
        EXPECT_EQ(calls[i].data.size(), 34u);
        ASSERT_TRUE(calls[i].hadOptions);
        EXPECT_EQ(calls[i].options.ttl, 64);
        EXPECT_EQ(calls[i].options.tos, 0);
        EXPECT_EQ(calls[i].options.flags, 0u);
        EXPECT_GE(calls[i].replySize, icmp::kReplySize + 40);
        EXPECT_EQ(calls[i].timeoutMs, 4000u);
    }
    EXPECT_EQ(Rows(), 8);
    for (int r = 1; r <= 6; ++r) {
        EXPECT_EQ(Row(r)[0], "Running");
        EXPECT_EQ(Row(r)[1], r <= 3 ? "host.test" : "10.1.2.3");
    }
    EXPECT_EQ(Counters(), QStringList({"6", "6", ""}));
    EXPECT_EQ(page->Label59->Caption(), "6");
}

TEST_F(BatchPing, UnresolvableEntryTakesOneRowAndTheNextItsEchoes) {
    echo.Script({FakeEcho::Reply(1), FakeEcho::TimedOut(2500), FakeEcho::Reply(2)});
    Start({"nosuch.invalid", "other.test"}, "3");
    ASSERT_TRUE(RunEnded());
    EXPECT_EQ(Rows(), 6);
    EXPECT_EQ(Row(1), QStringList({"X", "nosuch.invalid", " ", " ", "Unknown host"}));
    EXPECT_EQ(Row(2), QStringList({"Running", "other.test", "34", "1", " "}));
    EXPECT_EQ(Row(3), QStringList({"X", "other.test", "0", "0", "Timed out"}));
    EXPECT_EQ(Row(4), QStringList({"Running", "other.test", "34", "2", " "}));
    EXPECT_EQ(Counters(), QStringList({"4", "2", "2"}));
    EXPECT_EQ(page->Label59->Caption(), "4");
    EXPECT_EQ(echo.Calls().size(), 3u);  // no echo for the name that did not resolve
    EXPECT_EQ(page->StringGrid1->Row(), 4);
}

// A name that does not exist, and one that no name server answered for.
TEST_F(BatchPing, FailedLookupRowSaysWhy) {
    resolver.unanswered = {"unanswered.test"};
    Start({"nosuch.invalid", "unanswered.test", "other.test"}, "1");
    ASSERT_TRUE(RunEnded());
    EXPECT_EQ(Row(1), QStringList({"X", "nosuch.invalid", " ", " ", "Unknown host"}));
    EXPECT_EQ(Row(2), QStringList({"X", "unanswered.test", " ", " ",
                                   "Temporary failure in name resolution"}));
    EXPECT_EQ(Row(3)[0], "Running");
    EXPECT_EQ(Counters(), QStringList({"3", "1", "2"}));
    EXPECT_EQ(echo.Calls().size(), 1u);
    // The rows of the entries that did not resolve carry the mark the reports step by.
    const ui::StringGridModel& grid = page->StringGrid1->Model();
    EXPECT_TRUE(grid.RowMark(1));
    EXPECT_TRUE(grid.RowMark(2));
    EXPECT_FALSE(grid.RowMark(3));
}

TEST_F(BatchPing, TotalCountAfterOneUnresolvableEntryReadsOne) {
    Start({"nosuch.invalid"}, "2");
    ASSERT_TRUE(RunEnded());
    EXPECT_EQ(page->Label59->Caption(), "1");
    EXPECT_EQ(Counters(), QStringList({"1", "", "1"}));
    EXPECT_TRUE(echo.Calls().empty());
}

// A resolver whose answer goes away after the first look-up, as a DNS entry may mid-run.
class OnceResolver final : public net::Resolver {
  public:
    OnceResolver() { net::SetResolver(this); }
    ~OnceResolver() override { net::SetResolver(nullptr); }
    std::atomic<int> lookups{0};
    bool Startup() override { return true; }
    void Cleanup() override {}
    std::optional<net::HostEntry> HostByName(const std::string& name) override {
        if (lookups++ == 0)
            return net::HostEntry{name, {}, {MakeAddr(10, 9, 8, 7)}};
        return std::nullopt;
    }
    std::optional<net::HostEntry> HostByAddr(net::InAddr) override { return std::nullopt; }
};

TEST_F(BatchPing, EntryIsResolvedOnceSoItsBlockHasPingCountRows) {
    OnceResolver once;
    Start({"flaky.test"}, "3");
    ASSERT_TRUE(RunEnded());
    EXPECT_EQ(once.lookups.load(), 1);
    EXPECT_EQ(Rows(), 5);
    for (int r = 1; r <= 3; ++r)
        EXPECT_EQ(Row(r), QStringList({"Running", "flaky.test", "34", "1", " "}));
    for (const auto& c : echo.Calls())
        EXPECT_EQ(c.destination, MakeAddr(10, 9, 8, 7));
}

TEST_F(BatchPing, StartRefusesAnEmptyListOrMissingIcmp) {
    page->ping_start_button->click();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, " Please add the IP address or domain/host name ");
    EXPECT_EQ(dialogs.shown[0].caption, "");
    EXPECT_EQ(dialogs.shown[0].icon, ui::Icon::Warning);
    EXPECT_EQ(Current(), nullptr);

    // A previous result stays when ICMP cannot be used: nothing runs.
    Start({"10.0.0.1"});
    ASSERT_TRUE(RunEnded());
    auto first = Current();
    echo.ready = false;
    Start({"10.0.0.2"});
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[1].text.toStdString(), echo.why);
    EXPECT_EQ(dialogs.shown[1].icon, ui::Icon::Error);
    EXPECT_EQ(Current(), first);
    EXPECT_EQ(Rows(), 3);
    EXPECT_EQ(Row(1)[1], "10.0.0.1");
    EXPECT_EQ(page->Label54->Caption(), "Done!");
    EXPECT_TRUE(page->ping_start_button->isEnabled());
    EXPECT_EQ(echo.Calls().size(), 1u);
}

TEST_F(BatchPing, WithoutAnIcmpHandleStartNamesTheFix) {
    page->SetEchoLayer(nullptr);
    ASSERT_EQ(context.context.icmp, icmp::kInvalidHandle);
    Start({"127.0.0.1"});
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].icon, ui::Icon::Error);
    EXPECT_TRUE(dialogs.shown[0].text.contains("ping_group_range"));
    EXPECT_TRUE(dialogs.shown[0].text.contains("CAP_NET_RAW"));
    EXPECT_EQ(Current(), nullptr);
    EXPECT_TRUE(page->ping_start_button->isEnabled());
    EXPECT_EQ(page->Label54->Caption(), "");
}

TEST_F(BatchPing, StopMidRunWritesNothingMore) {
    page->CheckBox6->click();  // continuous: the end handler would arm the timer
    echo.HoldFrom(1);
    Start({"10.0.0.1", "10.0.0.2"}, "2");
    EXPECT_FALSE(page->ping_start_button->isEnabled());
    EXPECT_EQ(page->Label54->Caption(), "Working...");
    ASSERT_TRUE(WaitFor([&] { return echo.Held() == 1 && Rows() == 3; }));
    page->ping_stop_button->click();
    EXPECT_EQ(page->Label54->Caption(), "Done!");
    EXPECT_TRUE(page->ping_start_button->isEnabled());
    auto halted = Current();
    echo.Release();
    ASSERT_TRUE(WaitFor([&] { return !halted->Running(); }));
    Settle();
    EXPECT_FALSE(halted->Finished());  // the end handler did not run
    EXPECT_FALSE(page->Timer1->isActive());
    EXPECT_EQ(Rows(), 3);
    EXPECT_EQ(echo.Calls().size(), 2u);  // the echo in flight returned; no further one
    EXPECT_EQ(Counters(), QStringList({"1", "1", ""}));
}

// The page owns its run: when the page goes, so does the run, before its next echo.
TEST_F(BatchPing, ClosingThePageHaltsItsRun) {
    echo.HoldFrom(0);
    Start({"10.0.0.1", "10.0.0.2"}, "2");
    ASSERT_TRUE(WaitFor([&] { return echo.Held() == 1; }));
    auto run = Current();
    page = nullptr;
    ownPage.reset();
    EXPECT_TRUE(run->Halted());
    echo.Release();
    ASSERT_TRUE(WaitFor([&] { return !run->Running(); }));
    EXPECT_EQ(echo.Calls().size(), 1u);
}

TEST_F(BatchPing, StopWithoutARunOnlyDisarmsTheTimer) {
    page->Timer1->SetInterval(60000);
    page->Timer1->SetEnabled(true);
    page->ping_stop_button->click();
    EXPECT_FALSE(page->Timer1->isActive());
    EXPECT_EQ(page->Label54->Caption(), "");
}

TEST_F(BatchPing, EveryStartEndsTheRunningRunAndThePendingRepeat) {
    // A run is waiting on its first echo; the page's own buttons start another.
    echo.HoldFrom(0);
    Start({"10.0.0.1"});
    ASSERT_TRUE(WaitFor([&] { return echo.Held() == 1; }));
    auto first = Current();
    page->Edit7->SetText("other.test");
    page->SpeedButton7->click();
    Track();
    EXPECT_TRUE(first->Halted());
    auto second = Current();
    ASSERT_NE(second, first);
    ASSERT_TRUE(WaitFor([&] { return echo.Held() == 2; }));

    // A start from elsewhere (send-to menus call the handler directly) while it runs.
    SetList({"host.test"});
    page->ping_start_buttonClick();
    Track();
    EXPECT_TRUE(second->Halted());
    ASSERT_TRUE(WaitFor([&] { return echo.Held() == 3; }));
    echo.Release();
    ASSERT_TRUE(RunEnded());
    Settle();
    EXPECT_EQ(Rows(), 3);
    EXPECT_EQ(Row(1)[1], "host.test");
    EXPECT_EQ(page->Label59->Caption(), "1");

    // Start during a continuous wait disarms the timer.
    page->CheckBox6->click();
    page->Edit9->SetText("60");
    page->ping_button_active();
    ASSERT_TRUE(page->Timer1->isActive());
    page->ping_start_button->click();
    Track();
    EXPECT_FALSE(page->Timer1->isActive());
    ASSERT_TRUE(RunEnded());
}

TEST_F(BatchPing, ContinuousRunsAppendAndStopDuringTheWaitEndsThem) {
    page->CheckBox6->click();
    EXPECT_TRUE(page->Edit9->isEnabled());
    EXPECT_TRUE(page->Label60->isVisibleTo(page));
    page->Edit9->SetText("1");
    echo.Script(
        {FakeEcho::Reply(1), FakeEcho::TimedOut(2500), FakeEcho::Reply(3), FakeEcho::Reply(4)});
    Start({"10.0.0.1"}, "2");
    ASSERT_TRUE(RunEnded());
    EXPECT_TRUE(page->Timer1->isActive());
    EXPECT_EQ(page->Timer1->Interval(), 1000);
    EXPECT_EQ(Counters(), QStringList({"2", "1", "1"}));
    auto first = Current();

    // The timer starts the next run: it appends, and its counters start again. Until its
    // first row the labels keep the last run's counts; from that row on, all three are its own.
    echo.HoldFrom(2);
    ASSERT_TRUE(WaitFor([&] { return echo.Held() == 1; }, 5000));
    EXPECT_NE(Current(), first);
    EXPECT_FALSE(page->Timer1->isActive());
    EXPECT_EQ(Rows(), 4);  // not cleared
    EXPECT_EQ(Counters(), QStringList({"2", "1", "1"}));
    echo.HoldFrom(3);
    ASSERT_TRUE(WaitFor([&] { return echo.Held() == 1 && Rows() == 5; }));
    EXPECT_EQ(Counters(), QStringList({"1", "1", "0"}));
    echo.Release();
    ASSERT_TRUE(RunEnded());
    EXPECT_EQ(Rows(), 6);
    EXPECT_EQ(Row(1), QStringList({"Running", "10.0.0.1", "34", "1", " "}));
    EXPECT_EQ(Row(2), QStringList({"X", "10.0.0.1", "0", "0", "Timed out"}));
    EXPECT_EQ(Row(3), QStringList({"Running", "10.0.0.1", "34", "3", " "}));
    EXPECT_EQ(Row(4), QStringList({"Running", "10.0.0.1", "34", "4", " "}));
    EXPECT_EQ(Counters(), QStringList({"2", "2", "0"}));  // Finished = Successful + Failed
    EXPECT_EQ(page->Label59->Caption(), "4");
    EXPECT_EQ(page->ping_count, 2);

    // Stop while waiting: no further run.
    ASSERT_TRUE(page->Timer1->isActive());
    page->ping_stop_button->click();
    EXPECT_FALSE(page->Timer1->isActive());
    Settle(1500);
    EXPECT_EQ(Rows(), 6);
    EXPECT_EQ(echo.Calls().size(), 4u);

    // Unchecking hides the total and disables the seconds box.
    page->CheckBox6->click();
    EXPECT_FALSE(page->Edit9->isEnabled());
    EXPECT_FALSE(page->Label60->isVisibleTo(page));
    EXPECT_FALSE(page->Label59->isVisibleTo(page));
}

TEST_F(BatchPing, SecondsBoxKeepsAWholeNumberOfSeconds) {
    page->CheckBox6->click();
    struct Case {
        const char* text;
        bool message;
        const char* after;
    } cases[] = {{"2.5", true, "3"},        {"0", true, "3"},    {"00", true, "3"},
                 {"-4", true, "3"},         {"abc", true, "3"},  {"", true, "3"},
                 {"7", false, "7"},         {"05", false, "05"}, {"3.", true, "3"},
                 {"99999999999", true, "3"}};
    for (const auto& c : cases) {
        page->Edit9->SetText("9");
        dialogs.shown.clear();
        page->Edit9->SetText(c.text);
        EXPECT_EQ(page->Edit9->Text(), c.after) << c.text;
        if (c.message) {
            ASSERT_EQ(dialogs.shown.size(), 1u) << c.text;
            EXPECT_EQ(dialogs.shown[0].text, " Please enter the integer! ");
            EXPECT_EQ(dialogs.shown[0].caption, "");
            EXPECT_EQ(dialogs.shown[0].icon, ui::Icon::Warning);
        } else {
            EXPECT_TRUE(dialogs.shown.empty()) << c.text;
        }
    }

    // A bad value that reaches the end of a run (set without the change check): the message,
    // "3", and the next run 3 s later, never a timer without pause.
    for (const char* bad : {"0", "-2", "x"}) {
        dialogs.shown.clear();
        page->Edit9->blockSignals(true);
        page->Edit9->SetText(bad);
        page->Edit9->blockSignals(false);
        page->ping_button_active();
        ASSERT_EQ(dialogs.Texts(), QStringList({" Please enter the integer! "})) << bad;
        EXPECT_EQ(page->Edit9->Text(), "3");
        EXPECT_TRUE(page->Timer1->isActive());
        EXPECT_EQ(page->Timer1->Interval(), 3000);
        page->ping_stop_button->click();
    }
}

TEST_F(BatchPing, ListMaker) {
    struct Case {
        const char* prefix;
        const char* from;
        const char* to;
        QStringList list;  // empty with a message: the list as it was
        const char* message;
    } cases[] = {
        {"P", "10", "12", {"P.10", "P.11", "P.12"}, nullptr},
        {"10.0.0", "254", "255", {"10.0.0.254", "10.0.0.255"}, nullptr},
        {"", "7", "7", {".7"}, nullptr},
        {"P", "12", "10", {}, nullptr},
        {"P", "x", "10", {"keep"}, "Please insert number 0-255! "},
        {"P", "1", "", {"keep"}, "Please insert number 0-255! "},
        {"P", "1.5", "3", {"keep"}, "Please insert number 0-255! "},
        {"P", "256", "10", {"keep"}, "Please insert number 0-255!  "},
        {"P", "0", "-1", {"keep"}, "Please insert number 0-255!  "},
    };
    for (const auto& c : cases) {
        SetList({"keep"});
        page->Label19->SetCaption("old");
        dialogs.shown.clear();
        page->Edit2->SetText(c.prefix);
        page->Edit4->SetText(c.from);
        page->Edit5->SetText(c.to);
        page->SpeedButton8->click();
        EXPECT_EQ(page->ListBox2->Items(), c.list) << c.from << ".." << c.to;
        if (c.message) {
            ASSERT_EQ(dialogs.shown.size(), 1u);
            EXPECT_EQ(dialogs.shown[0].text, c.message);
            EXPECT_EQ(dialogs.shown[0].caption, "Error");
            EXPECT_EQ(dialogs.shown[0].icon, ui::Icon::Error);
            EXPECT_EQ(page->Label19->Caption(), "old");
        } else {
            EXPECT_TRUE(dialogs.shown.empty());
            EXPECT_EQ(page->Label19->Caption(), QString::number(c.list.size()));
        }
    }
    // Enter in the prefix or the To box runs it too.
    page->Edit2->SetText("Q");
    page->Edit4->SetText("1");
    page->Edit5->SetText("2");
    page->Edit2->OnEnter();
    EXPECT_EQ(page->ListBox2->Items(), QStringList({"Q.1", "Q.2"}));
    page->Edit5->SetText("1");
    page->Edit5->OnEnter();
    EXPECT_EQ(page->ListBox2->Items(), QStringList({"Q.1"}));
    EXPECT_EQ(Current(), nullptr);  // the list maker starts nothing
}

TEST_F(BatchPing, SingleAddressAndItsNeighbourhood) {
    // Bad input: a message, the list as it was, nothing runs.
    SetList({"keep"});
    page->Edit8->SetText("");
    page->SpeedButton18->click();
    page->Edit8->SetText("256.1.1.1");
    page->SpeedButton18->click();
    page->Edit8->SetText("1.2.3");
    page->Edit8->OnEnter();
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[0].text, "Please enter the correct IP address!");
    EXPECT_EQ(dialogs.shown[0].icon, ui::Icon::Warning);
    EXPECT_EQ(dialogs.shown[1].text, "'' is not a valid integer value");
    EXPECT_EQ(dialogs.shown[1].icon, ui::Icon::Error);
    EXPECT_EQ(page->ListBox2->Items(), QStringList({"keep"}));
    EXPECT_EQ(Current(), nullptr);

    // One address, as typed.
    page->ComboBox1->SetText("1");
    page->Edit8->SetText("10.0.0.07");
    page->SpeedButton18->click();
    Track();
    EXPECT_EQ(page->ListBox2->Items(), QStringList({"10.0.0.07"}));
    EXPECT_EQ(page->Label19->Caption(), "1");
    ASSERT_TRUE(RunEnded());
    EXPECT_EQ(Row(1)[1], "10.0.0.07");

    // The neighbourhood: 21 addresses around it, each pinged.
    page->CheckBox4->click();
    page->Edit8->SetText("10.0.1.50");
    page->SpeedButton18->click();
    Track();
    ASSERT_EQ(page->ListBox2->Count(), 21);
    EXPECT_EQ(page->ListBox2->Item(0), "10.0.1.40");
    EXPECT_EQ(page->ListBox2->Item(20), "10.0.1.60");
    EXPECT_EQ(page->Label19->Caption(), "21");
    ASSERT_TRUE(RunEnded());
    EXPECT_EQ(Rows(), 23);
    EXPECT_EQ(page->Label59->Caption(), "21");

    // A neighbourhood that runs out of addresses: what was made, no run, no new total.
    auto last = Current();
    page->Edit8->SetText("0.0.0.5");
    page->SpeedButton18->click();
    EXPECT_EQ(page->ListBox2->Count(), 0);
    page->Edit8->SetText("255.255.255.250");
    page->SpeedButton18->click();
    EXPECT_EQ(page->ListBox2->Count(), 16);
    EXPECT_EQ(page->ListBox2->Item(15), "255.255.255.255");
    EXPECT_EQ(page->Label19->Caption(), "21");
    EXPECT_EQ(Current(), last);
}

TEST_F(BatchPing, SingleNamePingsWhatIsTyped) {
    SetList({"a", "b", "c"});
    page->Label19->SetCaption("3");
    page->ComboBox1->SetText("1");
    page->Edit7->SetText("other.test");
    page->Edit7->OnEnter();
    Track();
    EXPECT_EQ(page->ListBox2->Items(), QStringList({"other.test"}));
    EXPECT_EQ(page->Label19->Caption(), "3");
    ASSERT_TRUE(RunEnded());
    EXPECT_EQ(Row(1), QStringList({"Running", "other.test", "34", "1", " "}));

    // An empty name is an entry like any other.
    page->Edit7->SetText("");
    page->SpeedButton7->click();
    Track();
    ASSERT_TRUE(RunEnded());
    EXPECT_EQ(Row(1), QStringList({"X", " ", " ", " ", "Unknown host"}));
}

TEST_F(BatchPing, EntriesAddedDuringTheRunArePingedToo) {
    echo.HoldFrom(0);
    Start({"10.0.0.1"});
    ASSERT_TRUE(WaitFor([&] { return echo.Held() == 1; }));
    page->ListBox2->Add("10.0.0.2");
    echo.Release();
    ASSERT_TRUE(RunEnded());
    EXPECT_EQ(Rows(), 4);
    EXPECT_EQ(Row(2)[1], "10.0.0.2");
}

TEST_F(BatchPing, ImportedListIsPinged) {
    ASSERT_EQ(TListEditing::Of(page->ListBox2), page->ListEditing2);
    ASSERT_NE(page->ListEditing2, nullptr);
    EXPECT_EQ(page->ListEditing2->Which(), EditedList::Ping);
    QString path = dir.filePath("list.txt");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("10.0.0.1\r\nnosuch.invalid\r\n");
    f.close();
    dialogs.files.push_back(path);
    page->SpeedButton2->click();
    EXPECT_EQ(page->ListBox2->Items(), QStringList({"10.0.0.1", "nosuch.invalid"}));
    EXPECT_EQ(page->Label19->Caption(), "2");
    page->ComboBox1->SetText("2");
    page->ping_start_button->click();
    Track();
    ASSERT_TRUE(RunEnded());
    EXPECT_EQ(Rows(), 5);
    EXPECT_EQ(Row(3), QStringList({"X", "nosuch.invalid", " ", " ", "Unknown host"}));
    EXPECT_EQ(Counters(), QStringList({"3", "2", "1"}));
}

TEST_F(BatchPing, PageControlsAndDefaults) {
    EXPECT_EQ(page->ComboBox1->count(), 6);
    EXPECT_EQ(page->ComboBox1->itemText(0), "1");
    EXPECT_EQ(page->ComboBox1->Text(), "2");
    EXPECT_EQ(page->ComboBox2->count(), 9);
    EXPECT_EQ(page->ComboBox2->itemText(8), "5000");
    EXPECT_EQ(page->ComboBox2->Text(), "2500");
    EXPECT_EQ(page->ComboBox4->count(), 25);
    EXPECT_EQ(page->ComboBox4->Text(), "20");
    EXPECT_EQ(page->Edit4->Text(), "0");
    EXPECT_EQ(page->Edit5->Text(), "255");
    EXPECT_EQ(page->Edit9->Text(), "3");
    EXPECT_FALSE(page->Edit9->isEnabled());
    EXPECT_FALSE(page->CheckBox6->Checked());
    EXPECT_TRUE(page->Label60->isVisibleTo(page));  // shown at start
    EXPECT_EQ(page->Label60->Caption(), "Total Count");
    EXPECT_FALSE(page->Timer1->isActive());
    for (int c = 0; c < 5; ++c)
        EXPECT_FALSE(page->StringGrid1->Cells(c, 0).isEmpty());
    EXPECT_EQ(page->StringGrid1->RowCount(), 2);

    int exports = 0;
    page->ShowExport = [&] { ++exports; };
    page->SpeedButton12->click();
    EXPECT_EQ(exports, 1);
}

// "Working..." and "Done!" appear in room kept for them: neither the window nor any control of
// the page moves or changes size when a status text comes or goes.
TEST_F(BatchPingInWindow, StatusTextMovesNothing) {
    win->show();
    win->mainpage->SetActivePage(page);
    auto geometry = [&] {
        auto text = [](const QString& what, const QRect& r) {
            return QString("%1 at %2,%3 size %4x%5")
                .arg(what)
                .arg(r.x())
                .arg(r.y())
                .arg(r.width())
                .arg(r.height())
                .toStdString();
        };
        std::vector<std::string> g{text("window", win->geometry())};
        for (QWidget* w : page->findChildren<QWidget*>()) {
            if (!w->isVisible() ||
                (!qobject_cast<QAbstractButton*>(w) && !qobject_cast<QLineEdit*>(w) &&
                 !qobject_cast<QComboBox*>(w) && !qobject_cast<QAbstractItemView*>(w)))
                continue;
            QString name = w->metaObject()->className();
            if (auto* b = qobject_cast<QAbstractButton*>(w))
                name += " " + b->text();
            g.push_back(text(name, QRect(w->mapTo(win.get(), QPoint(0, 0)), w->size())));
        }
        return g;
    };
    Settle();
    EXPECT_EQ(win->size(), QSize(765, 532));
    const auto before = geometry();
    ASSERT_GT(before.size(), 15u);

    echo.HoldFrom(0);
    Start({"10.0.0.1"});
    ASSERT_EQ(page->Label54->Caption(), "Working...");
    Settle();
    EXPECT_EQ(geometry(), before) << "with \"Working...\"";
    EXPECT_GE(page->Label54->width(), page->Label54->sizeHint().width()) << "the text fits";

    echo.Release();
    ASSERT_TRUE(RunEnded());
    ASSERT_EQ(page->Label54->Caption(), "Done!");
    Settle();
    EXPECT_EQ(geometry(), before) << "with \"Done!\"";
    if (const char* shot = std::getenv("ORV_PING_SHOT"))
        win->grab().save(shot);
}

// Real echoes through the page and the ICMP layer on the context's handle.
TEST_F(BatchPing, RealEchoToLoopback) {
    icmpHandle = icmp::IcmpCreateFile();
    context.context.icmp = icmpHandle;
    if (icmpHandle == icmp::kInvalidHandle) {
        if (test::InCi())
            FAIL() << "no ICMP socket kind works under CI";
        GTEST_SKIP() << "neither ICMP datagram nor raw sockets are allowed here";
    }
    page->SetEchoLayer(nullptr);
    Start({"127.0.0.1", "nosuch.invalid"}, "2");
    ASSERT_TRUE(RunEnded());
    ASSERT_EQ(Rows(), 5);
    for (int r = 1; r <= 2; ++r) {
        QStringList row = Row(r);
        EXPECT_EQ(row[0], "Running");
        EXPECT_EQ(row[1], "127.0.0.1");
        EXPECT_EQ(row[2], "34");
        bool ok = false;
        row[3].toUInt(&ok);
        EXPECT_TRUE(ok) << row[3].toStdString();
        EXPECT_EQ(row[4], " ");
    }
    EXPECT_EQ(Row(3), QStringList({"X", "nosuch.invalid", " ", " ", "Unknown host"}));
    EXPECT_EQ(Counters(), QStringList({"3", "2", "1"}));
    EXPECT_EQ(page->Label59->Caption(), "3");
}

}  // namespace
}  // namespace orv
