// The Tracert page: resolve, ping and the hop loop run as the page's trace task, its log and
// hop texts, Stop, a second trace started while one waits, the export, and real routes built
// in network namespaces (datagram and raw sockets).
#include "app/page_tracert.h"

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <chrono>
#include <cstring>
#include <optional>
#include <thread>
#include <vector>

#include "fake_resolver.h"
#include "gate.h"
#include "netns.h"
#include "page_context_fixture.h"
#include "platform/icmp.h"
#include "platform/resolver.h"
#include "pump.h"
#include "scripted_dialogs.h"
#include "scripted_echo.h"

namespace orv {
namespace {

using icmp::IpStatus;
using icmp::SocketKind;
using net::InAddr;
using net::inet_addr;
using test::PumpUntil;
using test::ScriptedEcho;
using HopAnswer = ScriptedEcho::Outcome;

// ---------------------------------------------------------------------------------------------
// A scripted route: hop k answers the echo sent with time-to-live k; an echo that gets past the
// last hop reaches the target.

HopAnswer Router(const char* addr, int replyTtl) {
    HopAnswer a = ScriptedEcho::Error(IpStatus::TtlExpiredTransit, 3, addr);
    a.replyTtl = replyTtl;
    return a;
}
HopAnswer Silent() {
    return ScriptedEcho::TimedOut(3);
}
HopAnswer Unreachable(const char* addr) {
    return ScriptedEcho::Error(IpStatus::DestNetUnreachable, 3, addr);
}
HopAnswer LocalFailure(IpStatus s) {
    return ScriptedEcho::Local(s);
}

class FakeRoute : public ScriptedEcho {
  public:
    std::vector<HopAnswer> hops;
    int targetReplyTtl = 60;
    std::uint32_t rtt = 3;  // of the target's answer

    // The answers from now on follow the route as it is now.
    void Apply() {
        AnswerWith([hops = hops, ttl = targetReplyTtl, rtt = rtt](int, const Call& c) {
            const int hop = c.options.ttl;
            if (hop >= 1 && static_cast<std::size_t>(hop) <= hops.size())
                return hops[static_cast<std::size_t>(hop) - 1];
            HopAnswer target = ScriptedEcho::Reply(rtt);
            target.replyTtl = ttl;
            return target;
        });
    }
    // Echoes that have returned.
    int Finished() const { return static_cast<int>(Calls().size()) - InFlight(); }
};

struct Row {
    QString hop, ip, host, note;
    bool operator==(const Row&) const = default;
};

void PrintTo(const Row& r, std::ostream* os) {
    *os << "{" << r.hop.toStdString() << "|" << r.ip.toStdString() << "|" << r.host.toStdString()
        << "|" << r.note.toStdString() << "}";
}

std::vector<Row> Rows(const TTracertPage& p) {
    std::vector<Row> rows;
    const ui::TStringGrid& g = *p.lvTrace;
    for (int r = 1; r <= p.ItemCount(); ++r)
        rows.push_back({g.Cells(0, r), g.Cells(1, r), g.Cells(2, r), g.Cells(3, r)});
    return rows;
}

bool Idle(const TTracertPage& p) {
    return p.button1->isEnabled() && p.acGo->isEnabled() && !p.acStop->isEnabled();
}

class TracertPage : public ::testing::Test {
  protected:
    void SetUp() override {
        page = std::make_unique<TTracertPage>(fixture.context);
        page->IdIcmpClient.SetEchoFunction(route.Fn());
        resolver.Add("far.test", {"198.18.40.10"});
    }
    void TearDown() override {
        route.Release();
        page.reset();
        // A trace that was left waiting ends on its own; let its echo return first.
        EXPECT_TRUE(PumpUntil([&] { return route.InFlight() == 0; }));
    }

    // Starts a trace and lets it run to its end (or to its error box).
    void Start(const QString& target, int maxHops = 30) {
        route.Apply();
        page->edTarget->SetText(target);
        page->seMaxHops->SetValue(maxHops);
        page->button1->click();
    }
    void Trace(const QString& target, int maxHops = 30) {
        Start(target, maxHops);
        EXPECT_TRUE(PumpUntil([&] { return Idle() || !dialogs.shown.empty(); }));
        test::Settle();  // the grid shows the rows it was given
    }
    bool Idle() const { return orv::Idle(*page); }

    test::FakeResolver resolver;
    test::ScriptedDialogs dialogs;
    FakeRoute route;
    test::PageContextFixture fixture;
    std::unique_ptr<TTracertPage> page;
};

// ---------------------------------------------------------------------------------------------
// The hop loop over scripted routes.

struct HopCase {
    const char* name;
    std::vector<HopAnswer> hops;
    int maxHops;
    std::vector<Row> rows;
    std::vector<int> ttls;  // the ping first (with Max Hops), then the hops
};

void PrintTo(const HopCase& c, std::ostream* os) {
    *os << c.name;
}

const HopCase kHopCases[] = {
    {"TwoRoutersThenTarget",
     {Router("198.18.40.1", 64), Router("198.18.41.1", 63)},
     30,
     {{"1", "198.18.40.1", "", "TTL=64"},
      {"2", "198.18.41.1", "", "TTL=63"},
      {"3", "198.18.40.10", "", "3 ms"}},
     {30, 1, 2, 3}},
    {"TargetIsTheFirstHop", {}, 30, {{"1", "198.18.40.10", "", "3 ms"}}, {30, 1}},
    // Max Hops 3 against a target ten hops away: time-to-live 1 to 4, one row each.
    {"MaxHopsShorterThanTheRoute",
     {Router("198.18.40.1", 64), Router("198.18.40.2", 63), Router("198.18.40.3", 62),
      Router("198.18.40.4", 61), Router("198.18.40.5", 60), Router("198.18.40.6", 59),
      Router("198.18.40.7", 58), Router("198.18.40.8", 57), Router("198.18.40.9", 56)},
     3,
     {{"1", "198.18.40.1", "", "TTL=64"},
      {"2", "198.18.40.2", "", "TTL=63"},
      {"3", "198.18.40.3", "", "TTL=62"},
      {"4", "198.18.40.4", "", "TTL=61"}},
     {3, 1, 2, 3, 4}},
    {"SilentHopGoesOn",
     {Router("198.18.40.1", 64), Silent()},
     30,
     {{"1", "198.18.40.1", "", "TTL=64"},
      {"2", "?.?.?.?", "", "Timed out."},
      {"3", "198.18.40.10", "", "3 ms"}},
     {30, 1, 2, 3}},
    {"UnreachableEndsAtOnce",
     {Router("198.18.40.1", 64), Unreachable("198.18.40.1"), Router("198.18.40.2", 60)},
     30,
     {{"1", "198.18.40.1", "", "TTL=64"},
      {"2", "198.18.40.1", "", "Destination network unreachable"}},
     {30, 1, 2}},
};

class TracertHops : public TracertPage, public testing::WithParamInterface<HopCase> {};

TEST_P(TracertHops, OneRowPerHopUntilTheEnd) {
    const HopCase& c = GetParam();
    route.hops = c.hops;
    Trace("far.test", c.maxHops);
    EXPECT_EQ(Rows(*page), c.rows);
    EXPECT_FALSE(page->lvTrace->isRowHidden(0));
    EXPECT_EQ(route.Ttls(), c.ttls);
    EXPECT_TRUE(Idle());
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_TRUE(page->TargetResolved);
    EXPECT_EQ(page->TargetAddress, "198.18.40.10");
}

INSTANTIATE_TEST_SUITE_P(Routes, TracertHops, testing::ValuesIn(kHopCases),
                         [](const testing::TestParamInfo<HopCase>& i) { return i.param.name; });

TEST_F(TracertPage, LogOfAWholeRunAndEveryRunAppends) {
    route.hops = {Router("198.18.40.1", 64)};
    Trace("far.test");
    Trace("198.18.40.10");
    EXPECT_EQ(page->lbLog->Items(),
              QStringList({"resolving far.test", "far.test resolved to 198.18.40.10",
                           "response from host 198.18.40.10 in 3 millisec.",
                           "resolving 198.18.40.10", "198.18.40.10 resolved to 198.18.40.10",
                           "response from host 198.18.40.10 in 3 millisec."}));
    EXPECT_EQ(Rows(*page).size(), 2u) << "the second trace starts from an empty list";
}

// The ping goes out with Max Hops as its time-to-live; its log line tells what came back.
struct PingCase {
    const char* name;
    HopAnswer answer;
    QString line;
};

class TracertPing : public TracertPage, public testing::WithParamInterface<PingCase> {};

TEST_P(TracertPing, LogLineByAnswer) {
    const PingCase& c = GetParam();
    route.hops = {Router("198.18.40.1", 64), c.answer};
    Trace("far.test", 2);
    const QStringList log = page->lbLog->Items();
    ASSERT_EQ(log.size(), 3) << log.join("|").toStdString();
    EXPECT_EQ(log[2], c.line);
    EXPECT_EQ(route.Ttls().front(), 2);
}

const PingCase kPingCases[] = {
    {"EchoReply", ScriptedEcho::Reply(3), "response from host 198.18.40.10 in 3 millisec."},
    {"TimedOut", Silent(), "Timed out."},
    {"Unreachable", Unreachable("198.18.40.7"),
     "Host 198.18.40.7 reports destination network unreachable."},
    {"TtlExpired", Router("198.18.40.5", 63), "Hope 2 198.18.40.5: TTL expired."},
};

INSTANTIATE_TEST_SUITE_P(Answers, TracertPing, testing::ValuesIn(kPingCases),
                         [](const testing::TestParamInfo<PingCase>& i) { return i.param.name; });

// Max Hops 255: the trace ends with the echo that carries time-to-live 255; a 256th could
// only repeat it.
TEST_F(TracertPage, MaxHops255EndsWithTheEchoOfTtl255) {
    for (int i = 0; i < 300; ++i)
        route.hops.push_back(Silent());
    Trace("far.test", 255);
    std::vector<int> ttls = route.Ttls();
    ASSERT_EQ(ttls.size(), 256u);  // the ping and 255 hops
    EXPECT_EQ(ttls[0], 255);
    for (int hop = 1; hop <= 255; ++hop)
        ASSERT_EQ(ttls[static_cast<std::size_t>(hop)], hop);
    ASSERT_EQ(Rows(*page).size(), 255u);
    EXPECT_EQ(Rows(*page).back(), (Row{"255", "?.?.?.?", "", "Timed out."}));
    EXPECT_TRUE(dialogs.shown.empty()) << dialogs.Texts().join("|").toStdString();
    EXPECT_TRUE(Idle());
}

// A failure during an echo: the error box, the trace ends where it is, and Start stays
// disabled until Stop.
TEST_F(TracertPage, SocketFailureShowsTheErrorAndKeepsStartDisabledUntilStop) {
    route.hops = {Router("198.18.40.1", 64), LocalFailure(IpStatus::DestHostUnreachable)};
    Trace("far.test");
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "Socket Error # 113\r\nNo route to host");
    EXPECT_EQ(dialogs.shown[0].icon, ui::Icon::Error);
    EXPECT_EQ(Rows(*page), (std::vector<Row>{{"1", "198.18.40.1", "", "TTL=64"}}));
    EXPECT_FALSE(page->button1->isEnabled());
    EXPECT_TRUE(page->acStop->isEnabled());
    page->button2->click();
    EXPECT_TRUE(page->button1->isEnabled());
}

// A name that does not exist, and one no name server answered for, are told apart.
TEST_F(TracertPage, TargetThatDoesNotResolveLogsTheSocketError) {
    resolver.unanswered = {"unanswered.test"};
    struct Case {
        const char* target;
        QStringList error;
    } cases[] = {
        {"nosuch.test", {"Socket Error # 1", "Unknown host"}},
        {"unanswered.test", {"Socket Error # 2", "Temporary failure in name resolution"}},
    };
    for (const Case& c : cases) {
        page->lbLog->Clear();
        Trace(c.target);
        EXPECT_EQ(page->lbLog->Items(), QStringList{QString("resolving ") + c.target} + c.error);
        EXPECT_TRUE(route.Ttls().empty()) << "no ping, no trace";
        EXPECT_FALSE(page->TargetResolved);
        EXPECT_TRUE(Rows(*page).empty());
        EXPECT_TRUE(Idle());
        EXPECT_TRUE(dialogs.shown.empty());
    }
}

// The list shows no row while it holds no hop: before the first trace, and once a new trace has
// emptied it (under its headings) before its first hop.
TEST_F(TracertPage, AnEmptyListShowsNoRow) {
    EXPECT_EQ(page->ItemCount(), 0);
    EXPECT_TRUE(page->lvTrace->isRowHidden(0));
    route.hops = {Router("198.18.40.1", 64)};
    Trace("far.test");
    ASSERT_EQ(page->ItemCount(), 2);
    EXPECT_FALSE(page->lvTrace->isRowHidden(0));
    route.HoldOnly(4);  // the first trace sent three echoes; the second one's ping, then hop 1
    Start("far.test");
    ASSERT_TRUE(PumpUntil([&] { return route.Held() == 1; }));
    test::Settle();
    EXPECT_EQ(page->ItemCount(), 0);
    EXPECT_TRUE(page->lvTrace->isRowHidden(0));
    const ui::TStringGrid& g = *page->lvTrace;
    EXPECT_EQ(QStringList({g.Cells(0, 0), g.Cells(1, 0), g.Cells(2, 0), g.Cells(3, 0)}),
              QStringList({"Hop", "IP", "Host", "Note"}));
    route.Release();
}

// The page's font is wider than the one the column widths were chosen for: the address and the
// note of every kind of hop still show whole.
TEST_F(TracertPage, AddressAndNoteColumnsHoldTheirTexts) {
    route.hops = {Router("255.255.255.254", 255), Silent(), Router("198.18.40.1", 64)};
    route.rtt = 5000;
    page->resize(760, 460);
    page->show();
    Trace("far.test");
    ASSERT_EQ(Rows(*page).size(), 4u);
    EXPECT_EQ(Rows(*page)[0].note, "TTL=255");
    EXPECT_EQ(Rows(*page)[1].note, "Timed out.");
    EXPECT_EQ(Rows(*page)[3].note, "5000 ms");
    QAbstractItemView* view = page->lvTrace;
    for (int c : {1, 3})
        EXPECT_GE(page->lvTrace->columnWidth(c), view->sizeHintForColumn(c)) << "column " << c;
    // Never narrower than designed.
    EXPECT_GE(page->lvTrace->columnWidth(1), 95);
    EXPECT_EQ(page->lvTrace->columnWidth(2), 152);
    EXPECT_GE(page->lvTrace->columnWidth(3), 58);
}

TEST_F(TracertPage, EnterInTheTargetStartsTheTrace) {
    route.Apply();
    page->edTarget->SetText("far.test");
    QTest::keyClick(page->edTarget, Qt::Key_Return);
    EXPECT_TRUE(PumpUntil([&] { return Idle(); }));
    EXPECT_EQ(Rows(*page).size(), 1u);
}

// "Host Revolve": each answering hop's name, "X" when it has none; a silent hop has none.
TEST_F(TracertPage, HostRevolveNamesTheHops) {
    resolver.Add("gw.test", {"198.18.40.1"});
    resolver.Add("far.test", {"198.18.40.10"});
    route.hops = {Router("198.18.40.1", 64), Router("198.18.40.2", 63), Silent()};
    page->CheckBox1->SetChecked(true);
    Trace("far.test");
    EXPECT_EQ(Rows(*page), (std::vector<Row>{{"1", "198.18.40.1", "gw.test", "TTL=64"},
                                             {"2", "198.18.40.2", "X", "TTL=63"},
                                             {"3", "?.?.?.?", "", "Timed out."},
                                             {"4", "198.18.40.10", "far.test", "3 ms"}}));
}

// The row of a hop: the one already in the list, else a new one at the end.
TEST_F(TracertPage, FindItemReusesTheHopsRow) {
    struct Case {
        QStringList captions;
        int hop;
        int index;  // of the row returned
        int count;  // rows afterwards
    } cases[] = {
        {{}, 1, 0, 1},
        {{"1", "2", "3"}, 2, 1, 3},
        {{"1", "2", "3"}, 3, 2, 3},
        {{"1", "2", "3"}, 4, 3, 4},
        {{"1", "5"}, 5, 1, 2},
        {{"x", "2"}, 1, 2, 3},  // an unreadable caption is no hop
        {{"x"}, -1, 0, 1},      // ... it reads as -1
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.captions.join(",").toStdString() + " hop " + std::to_string(c.hop));
        ui::TStringGrid& grid = *page->lvTrace;
        page->ClearItems();
        grid.SetRowCount(std::max<int>(2, static_cast<int>(c.captions.size()) + 1));
        for (int i = 0; i < c.captions.size(); ++i)
            grid.SetCells(0, i + 1, c.captions[i]);
        const int row = page->FindItem(c.hop);
        EXPECT_EQ(row - grid.FixedRows(), c.index);
        EXPECT_EQ(page->ItemCount(), c.count);
        if (c.index >= c.captions.size()) {
            EXPECT_EQ(grid.Cells(0, row), QString::number(c.hop));
        }
    }
}

// Stop while an echo waits: Start comes back at once, the current hop is still written and
// no echo follows it.
TEST_F(TracertPage, StopEndsTheTraceAfterTheCurrentHop) {
    route.hops = {Router("198.18.40.1", 64), Router("198.18.40.2", 63), Router("198.18.40.3", 62)};
    route.HoldOnly(2);  // the ping, hop 1, then hop 2 waits
    Start("far.test");
    ASSERT_TRUE(PumpUntil([&] { return route.Held() == 1; }));
    EXPECT_FALSE(page->button1->isEnabled());
    page->button2->click();
    EXPECT_TRUE(page->button1->isEnabled()) << "Start comes back at once";
    EXPECT_EQ(Rows(*page), (std::vector<Row>{{"1", "198.18.40.1", "", "TTL=64"}}));
    route.Release();
    ASSERT_TRUE(PumpUntil([&] { return Idle(); }));
    test::Settle();
    EXPECT_EQ(Rows(*page), (std::vector<Row>{{"1", "198.18.40.1", "", "TTL=64"},
                                             {"2", "198.18.40.2", "", "TTL=63"}}));
    EXPECT_EQ(route.Ttls(), (std::vector<int>{30, 1, 2}));
    EXPECT_TRUE(page->TraceStop);
    EXPECT_TRUE(page->button1->isEnabled());
    EXPECT_FALSE(page->acStop->isEnabled());
}

// Stop while the target is being resolved: the resolve finishes its step, and neither the ping
// nor the trace follows.
TEST_F(TracertPage, StopDuringTheResolveSkipsThePingAndTheTrace) {
    resolver.Block();
    Start("far.test");
    ASSERT_TRUE(PumpUntil([&] { return resolver.Waiting() == 1; }));
    page->button2->click();
    resolver.Release();
    ASSERT_TRUE(PumpUntil([&] { return Idle(); }));
    test::Settle();
    EXPECT_EQ(page->lbLog->Items(),
              QStringList({"resolving far.test", "far.test resolved to 198.18.40.10"}));
    EXPECT_TRUE(route.Calls().empty());
    EXPECT_TRUE(page->TargetResolved);
}

// A second trace started (Enter in the target) while the first waits for an echo: the first
// ends there, and its late answer writes neither a row nor a log line into the second's.
TEST_F(TracertPage, NewTraceWhileOneWaitsStopsTheOlderOne) {
    resolver.Add("near.test", {"198.18.40.1"});
    route.hops = {Router("198.18.40.1", 64), Router("198.18.40.2", 63), Router("198.18.40.3", 62)};
    route.HoldOnly(2);  // the first trace's hop 2; the second trace's echoes do not wait
    Start("far.test");
    ASSERT_TRUE(PumpUntil([&] { return route.Held() == 1; }));
    page->edTarget->SetText("near.test");
    QTest::keyClick(page->edTarget, Qt::Key_Return);
    ASSERT_TRUE(PumpUntil([&] { return Idle(); }));
    route.Release();
    ASSERT_TRUE(PumpUntil([&] { return route.InFlight() == 0; }));
    test::Settle();
    // The second trace's rows only (the scripted route reaches any target past three hops).
    std::vector<Row> rows = Rows(*page);
    EXPECT_EQ(rows, (std::vector<Row>{{"1", "198.18.40.1", "", "TTL=64"},
                                      {"2", "198.18.40.2", "", "TTL=63"},
                                      {"3", "198.18.40.3", "", "TTL=62"},
                                      {"4", "198.18.40.1", "", "3 ms"}}));
    // The first trace's ping and first hop, then the second trace whole, then nothing more.
    EXPECT_EQ(route.Ttls(), (std::vector<int>{30, 1, 2, 30, 1, 2, 3, 4}));
    QStringList log = page->lbLog->Items();
    EXPECT_EQ(log.last(), "response from host 198.18.40.1 in 3 millisec.")
        << log.join("|").toStdString();
    EXPECT_EQ(log.count("resolving near.test"), 1);
    EXPECT_EQ(page->TargetAddress, "198.18.40.1");
    EXPECT_TRUE(Idle());
    EXPECT_TRUE(dialogs.shown.empty());
}

// The page goes away (the window closes) while an echo waits: nothing waits for the echo, and
// its late answer writes nothing.
TEST_F(TracertPage, PageClosedWhileAnEchoWaits) {
    route.hops = {Router("198.18.40.1", 64)};
    route.HoldOnly(1);
    Start("far.test");
    ASSERT_TRUE(PumpUntil([&] { return route.Held() == 1; }));
    EXPECT_TRUE(Rows(*page).empty());
    page.reset();
    route.Release();
    EXPECT_TRUE(PumpUntil([&] { return route.Finished() == 2; }));
    test::Settle();
}

// ---------------------------------------------------------------------------------------------
// Export of the hop list.

class TracertExport : public TracertPage {
  protected:
    QString Path() const { return QDir(dir.path()).filePath("hops.txt"); }
    QByteArray Contents() const {
        QFile f(Path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    void WriteOld() {
        QFile f(Path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old\r\n");
    }
    QTemporaryDir dir;
};

const QByteArray kThreeHops =
    "1    198.18.40.1        TTL=64\r\n"
    "2    ?.?.?.?        Timed out.\r\n"
    "3    198.18.40.10        3 ms\r\n";

TEST_F(TracertExport, OneLinePerHopFieldsFourBlanksApart) {
    route.hops = {Router("198.18.40.1", 64), Silent()};
    Trace("far.test");
    dialogs.files = {Path()};
    page->SpeedButton13->click();
    EXPECT_EQ(Contents(), kThreeHops);
    EXPECT_EQ(dialogs.lastSpec.defaultExt, "txt");
    EXPECT_TRUE(dialogs.shown.empty()) << "a new file needs no question";
}

TEST_F(TracertExport, AnExistingFileIsReplacedOnlyAfterYes) {
    route.hops = {Router("198.18.40.1", 64), Silent()};
    Trace("far.test");
    WriteOld();
    dialogs.files = {Path()};
    dialogs.answers = {ui::Answer::No};
    page->SpeedButton13->click();
    EXPECT_EQ(Contents(), "old\r\n");
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "The file has existed, replace it or not?");
    EXPECT_EQ(dialogs.shown[0].buttons, ui::Buttons::YesNo);
    EXPECT_EQ(dialogs.saveRefusals, std::vector<QString>{Path()});

    dialogs.files = {Path()};
    dialogs.answers = {ui::Answer::Yes};
    page->SpeedButton13->click();
    EXPECT_EQ(Contents(), kThreeHops);
}

TEST_F(TracertExport, EmptyListGivesAnEmptyFileAndCancelWritesNothing) {
    page->SpeedButton13->click();  // cancelled
    EXPECT_FALSE(QFile::exists(Path()));
    dialogs.files = {Path()};
    page->SpeedButton13->click();
    EXPECT_EQ(Contents(), "");
}

// ---------------------------------------------------------------------------------------------
// Real routes: client -- router(s) -- target, in network namespaces of the test's own. The
// page's trace runs on this (the user-interface) thread, moved into the client's namespace.

// Moves the calling thread into a namespace and back home again.
class ThreadInNetns {
  public:
    explicit ThreadInNetns(const test::Netns& ns)
        : home_(::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC)) {
        ok_ = home_ >= 0 && ns.EnterOnThisThread();
    }
    ~ThreadInNetns() {
        if (home_ >= 0) {
            EXPECT_EQ(::setns(home_, CLONE_NEWNET), 0);
            ::close(home_);
        }
    }
    bool ok() const { return ok_; }

  private:
    int home_;
    bool ok_ = false;
};

// client 198.18.21.2 -- 198.18.21.1 r1 [198.18.22.1 -- 198.18.22.2 r2] 198.18.2x.1 -- target.
class RealRoute {
  public:
    RealRoute(int routers, bool silentFirstRouter) {
        client_ = std::make_unique<test::Netns>("trc-cl");
        for (int i = 0; i < routers; ++i)
            routers_.push_back(std::make_unique<test::Netns>("trc-rt"));
        target_ = std::make_unique<test::Netns>("trc-tg");
        ok_ = client_->ok() && target_->ok() &&
              client_->Exec("echo \"0 0\" > /proc/sys/net/ipv4/ping_group_range") == 0 &&
              test::Link(*client_, "198.18.21.2/24", *routers_[0], "198.18.21.1/24") &&
              client_->Exec("ip route add default via 198.18.21.1") == 0;
        for (int i = 0; ok_ && i < routers; ++i) {
            const test::Netns& r = *routers_[static_cast<std::size_t>(i)];
            const std::string net = "198.18." + std::to_string(22 + i) + ".";
            const test::Netns& next =
                i + 1 < routers ? *routers_[static_cast<std::size_t>(i) + 1] : *target_;
            ok_ = r.ok() && test::Link(r, net + "1/24", next, net + "2/24") &&
                  next.Exec("ip route add default via " + net + "1") == 0 &&
                  r.Exec(
                      "sysctl -qw net.ipv4.ip_forward=1 net.ipv4.icmp_ratelimit=0 "
                      "net.ipv4.icmp_msgs_per_sec=100000") == 0;
            // Toward the networks behind the next router.
            for (int j = i + 1; ok_ && j < routers; ++j)
                ok_ = r.Exec("ip route add 198.18." + std::to_string(22 + j) + ".0/24 via " + net +
                             "2") == 0;
        }
        target_address_ = "198.18." + std::to_string(21 + routers) + ".2";
        if (ok_ && silentFirstRouter) {
            // Its time-exceeded answers are rate-limited with a limit so long that not even the
            // first one goes out; forwarding is untouched.
            ok_ = routers_[0]->Exec(
                      "sysctl -qw net.ipv4.icmp_ratemask=2048 "
                      "net.ipv4.icmp_ratelimit=2000000000") == 0;
        }
    }
    bool ok() const { return ok_; }
    const test::Netns& client() const { return *client_; }
    const test::Netns& router(int i) const { return *routers_[static_cast<std::size_t>(i)]; }
    const std::string& target() const { return target_address_; }

  private:
    std::unique_ptr<test::Netns> client_;
    std::vector<std::unique_ptr<test::Netns>> routers_;
    std::unique_ptr<test::Netns> target_;
    std::string target_address_;
    bool ok_ = false;
};

const char* KindName(SocketKind k) {
    return k == SocketKind::Raw ? "Raw" : "Datagram";
}

class TracertRealRoute : public ::testing::Test {
  protected:
    void SetUp() override {
        page = std::make_unique<TTracertPage>(fixture.context);
        page->EchoTimeout = 1500;
    }
    void TearDown() override { page.reset(); }
    // Enters the client's namespace and makes the page's echoes go over `kind` sockets.
    void Enter(const RealRoute& route, SocketKind kind) {
        inside = std::make_unique<ThreadInNetns>(route.client());
        ASSERT_TRUE(inside->ok());
        ASSERT_TRUE(page->IdIcmpClient.SetSocketKind(kind)) << KindName(kind);
        ASSERT_EQ(page->IdIcmpClient.SocketKind(), kind);
    }
    void Start(const std::string& target, int maxHops) {
        page->edTarget->SetText(QString::fromStdString(target));
        page->seMaxHops->SetValue(maxHops);
        page->button1->click();
    }
    // Starts a trace and lets it run to its end (or to its error box).
    void Trace(const std::string& target, int maxHops) {
        Start(target, maxHops);
        EXPECT_TRUE(PumpUntil([&] { return Idle(*page) || !dialogs.shown.empty(); }, 60000));
        test::Settle();
    }
    void ExpectRows(const std::vector<std::vector<QString>>& expected) {
        std::vector<Row> rows = Rows(*page);
        ASSERT_EQ(rows.size(), expected.size()) << page->lbLog->Items().join("|").toStdString();
        for (std::size_t i = 0; i < rows.size(); ++i) {
            SCOPED_TRACE("row " + std::to_string(i + 1));
            EXPECT_EQ(rows[i].hop, QString::number(i + 1));
            EXPECT_EQ(rows[i].ip, expected[i][0]);
            EXPECT_EQ(rows[i].host, "");
            EXPECT_TRUE(QRegularExpression(expected[i][1]).match(rows[i].note).hasMatch())
                << rows[i].note.toStdString() << " !~ " << expected[i][1].toStdString();
        }
    }

    test::FakeResolver resolver;  // dotted targets resolve to themselves, nothing asks DNS
    test::ScriptedDialogs dialogs;
    test::PageContextFixture fixture;
    std::unique_ptr<TTracertPage> page;
    std::unique_ptr<ThreadInNetns> inside;
};

struct RealCase {
    const char* name;
    int routers;
    bool silentRouter;
    int maxHops;
    std::vector<std::vector<QString>> rows;  // address, pattern of the note
    const char* pingLine;                    // pattern of the ping's log line
};

void PrintTo(const RealCase& c, std::ostream* os) {
    *os << c.name;
}

const RealCase kRealCases[] = {
    {"RouterThenTarget",
     1,
     false,
     30,
     {{"198.18.21.1", "^TTL=64$"}, {"198.18.22.2", "^\\d+ ms$"}},
     "^response from host 198\\.18\\.22\\.2 in \\d+ millisec\\.$"},
    // Max Hops 1 still sends two echoes: the second one reaches the target.
    {"MaxHopsOneReachesTheSecondHop",
     1,
     false,
     1,
     {{"198.18.21.1", "^TTL=64$"}, {"198.18.22.2", "^\\d+ ms$"}},
     "^Hope 1 198\\.18\\.21\\.1: TTL expired\\.$"},
    {"MaxHopsShorterThanTheRoute",
     2,
     false,
     1,
     {{"198.18.21.1", "^TTL=64$"}, {"198.18.22.2", "^TTL=63$"}},
     "^Hope 1 198\\.18\\.21\\.1: TTL expired\\.$"},
    {"SilentRouter",
     1,
     true,
     30,
     {{"?.?.?.?", "^Timed out\\.$"}, {"198.18.22.2", "^\\d+ ms$"}},
     "^response from host 198\\.18\\.22\\.2 in \\d+ millisec\\.$"},
};

class TracertRoutes : public TracertRealRoute,
                      public testing::WithParamInterface<std::tuple<SocketKind, RealCase>> {};

TEST_P(TracertRoutes, HopsOfARealRoute) {
    ORV_REQUIRE_ROOT();
    auto [kind, c] = GetParam();
    RealRoute route(c.routers, c.silentRouter);
    ASSERT_TRUE(route.ok());
    ASSERT_NO_FATAL_FAILURE(Enter(route, kind));
    Trace(route.target(), c.maxHops);
    ExpectRows(c.rows);
    QStringList log = page->lbLog->Items();
    ASSERT_EQ(log.size(), 3) << log.join("|").toStdString();
    EXPECT_EQ(log[0], QString::fromStdString("resolving " + route.target()));
    EXPECT_TRUE(QRegularExpression(c.pingLine).match(log[2]).hasMatch()) << log[2].toStdString();
    EXPECT_TRUE(dialogs.shown.empty()) << dialogs.Texts().join("|").toStdString();
    EXPECT_TRUE(page->button1->isEnabled());
}

const SocketKind kKinds[] = {SocketKind::Datagram, SocketKind::Raw};

INSTANTIATE_TEST_SUITE_P(Routes, TracertRoutes,
                         testing::Combine(testing::ValuesIn(kKinds), testing::ValuesIn(kRealCases)),
                         [](const testing::TestParamInfo<std::tuple<SocketKind, RealCase>>& i) {
                             return std::string(KindName(std::get<0>(i.param))) + "_" +
                                    std::get<1>(i.param).name;
                         });

class TracertRealKinds : public TracertRealRoute, public testing::WithParamInterface<SocketKind> {};

// Stop while the silent router's hop waits: Start at once, that hop's row, nothing after it.
TEST_P(TracertRealKinds, StopMidTrace) {
    ORV_REQUIRE_ROOT();
    RealRoute route(1, true);
    ASSERT_TRUE(route.ok());
    ASSERT_NO_FATAL_FAILURE(Enter(route, GetParam()));
    Start(route.target(), 30);
    // The ping has answered: the first hop's echo goes out next, and waits a while.
    ASSERT_TRUE(PumpUntil([&] { return page->lbLog->Count() >= 3; }, 30000));
    test::PumpUntil([] { return false; }, 300);
    page->button2->click();
    EXPECT_TRUE(page->button1->isEnabled()) << "Start comes back at once";
    EXPECT_EQ(page->ItemCount(), 0) << "Stop was usable while the echo waited";
    ASSERT_TRUE(PumpUntil([&] { return Idle(*page); }, 30000));
    test::Settle();
    ExpectRows({{"?.?.?.?", "^Timed out\\.$"}});
    EXPECT_TRUE(page->button1->isEnabled());
}

// Other ICMP traffic on the client while it traces: echoes of another sender to both hosts,
// the router's time-exceeded answers to them, and echo requests from the router. None of it
// is taken for the trace's answers, and none of it ends the trace.
TEST_P(TracertRealKinds, UnrelatedIcmpTrafficDoesNotDisturbTheTrace) {
    ORV_REQUIRE_ROOT();
    const SocketKind kind = GetParam();
    RealRoute route(1, false);
    ASSERT_TRUE(route.ok());
    std::atomic<bool> quit{false};
    std::atomic<int> sent{0};
    auto noise = [&](const test::Netns& ns, std::vector<std::pair<InAddr, int>> echoes) {
        return std::thread([&, echoes, ns = &ns] {
            if (!ns->EnterOnThisThread())
                return;
            icmp::IcmpHandle h = icmp::IcmpCreateFileOfKind(kind);
            if (h == icmp::kInvalidHandle)
                return;
            const char data[] = "noise";
            while (!quit.load()) {
                for (auto [to, ttl] : echoes) {
                    icmp::IpOptions o;
                    o.ttl = ttl;
                    icmp::EchoReplyBuffer<16> reply{};
                    icmp::IcmpSendEcho(h, to, data, 5, &o, &reply, sizeof reply, 200);
                    sent.fetch_add(1);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
            icmp::IcmpCloseHandle(h);
        });
    };
    const InAddr target = inet_addr(route.target());
    ASSERT_EQ(route.router(0).Exec("echo \"0 0\" > /proc/sys/net/ipv4/ping_group_range"), 0);
    std::thread fromClient =
        noise(route.client(), {{target, 1}, {target, 64}, {inet_addr("198.18.21.1"), 64}});
    std::thread fromRouter = noise(route.router(0), {{inet_addr("198.18.21.2"), 64}});
    while (sent.load() < 50)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));

    ASSERT_NO_FATAL_FAILURE(Enter(route, kind));
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE("trace " + std::to_string(i + 1));
        Trace(route.target(), 30);
        ExpectRows({{"198.18.21.1", "^TTL=64$"}, {"198.18.22.2", "^\\d+ ms$"}});
        EXPECT_TRUE(dialogs.shown.empty()) << dialogs.Texts().join("|").toStdString();
        EXPECT_TRUE(page->button1->isEnabled());
    }
    quit = true;
    fromClient.join();
    fromRouter.join();
    EXPECT_GT(sent.load(), 50);
}

INSTANTIATE_TEST_SUITE_P(Kinds, TracertRealKinds, testing::ValuesIn(kKinds),
                         [](const testing::TestParamInfo<SocketKind>& i) {
                             return std::string(KindName(i.param));
                         });

}  // namespace
}  // namespace orv
