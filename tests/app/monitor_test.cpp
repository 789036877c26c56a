// The Connection Monitor page against a scripted connection table: what a poll records, the
// listeners switch, host names looked up while the window goes on (and dropped when the page
// goes), the row limit and its box, Clear and the room its texts get; and one poll of the real
// table. Which fields make a connection new is tested with the history index alone.
#include "app/page_monitor.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QEvent>
#include <QFontMetrics>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "app/app_windows.h"
#include "app/main_window.h"
#include "controls/datetime.h"
#include "fake_resolver.h"
#include "netns.h"
#include "page_context_fixture.h"
#include "platform/tcptable.h"
#include "pump.h"
#include "scripted_dialogs.h"
#include "tcp_loopback.h"

namespace orv {
namespace {

using net::MakeAddr;

// The connection table the polls read; `readable` false makes every read fail.
struct FakeTable {
    std::vector<net::TcpRow> rows;
    bool readable = true;
    int reads = 0;

    static FakeTable* current;
    static std::uint32_t Get(void* table, std::uint32_t* size, bool, net::TcpStates) {
        FakeTable& f = *current;
        if (!f.readable)
            return net::kTcpTableUnavailable;
        auto need = static_cast<std::uint32_t>(net::TcpTableSize(f.rows.size()));
        if (!table || *size < need) {
            *size = need;
            return net::kTcpTableInsufficientBuffer;
        }
        ++f.reads;
        auto n = static_cast<std::uint32_t>(f.rows.size());
        std::memcpy(table, &n, 4);
        std::memcpy(static_cast<char*>(table) + 4, f.rows.data(), f.rows.size() * 20);
        return net::kTcpTableOk;
    }
};
FakeTable* FakeTable::current = nullptr;

const net::InAddr kLo = MakeAddr(127, 0, 0, 1);
const net::InAddr kOther = MakeAddr(10, 1, 2, 3);
const net::InAddr kPeer = MakeAddr(192, 168, 7, 20);
const net::InAddr kNameless = MakeAddr(172, 16, 0, 9);

net::TcpRow Established(net::InAddr la, std::uint16_t lp, net::InAddr ra, std::uint16_t rp) {
    return {net::kTcpStateEstablished, la, net::TcpPortField(lp), ra, net::TcpPortField(rp)};
}
net::TcpRow Listener(net::InAddr la, std::uint16_t lp) {
    return {net::kTcpStateListen, la, net::TcpPortField(lp), 0, 0};
}

// Counts the reverse look-ups that reach the resolver, then lets the fake answer them.
class CountingResolver final : public net::Resolver {
  public:
    explicit CountingResolver(test::FakeResolver& fake) : fake_(fake) { net::SetResolver(this); }
    ~CountingResolver() override { net::SetResolver(nullptr); }

    // Addresses asked so far, with how often.
    std::map<std::string, int> Asked() {
        std::lock_guard l(m_);
        return asked_;
    }

    bool Startup() override { return fake_.Startup(); }
    void Cleanup() override { fake_.Cleanup(); }
    std::optional<net::HostEntry> HostByName(const std::string& name) override {
        return fake_.HostByName(name);
    }
    std::optional<net::HostEntry> HostByAddr(net::InAddr addr) override {
        {
            std::lock_guard l(m_);
            ++asked_[net::inet_ntoa(addr)];
        }
        std::optional<net::HostEntry> host = fake_.HostByAddr(addr);
        std::lock_guard l(m_);
        ++answered_;
        return host;
    }
    std::optional<std::string> HostsFileName(net::InAddr addr) override {
        return fake_.HostsFileName(addr);
    }
    // Reverse look-ups that have left the resolver.
    int Answered() {
        std::lock_guard l(m_);
        return answered_;
    }

  private:
    test::FakeResolver& fake_;
    std::mutex m_;
    std::map<std::string, int> asked_;
    int answered_ = 0;
};

const QString kLimitText =
    " There are more than 100000 items have been recorded!\r To avoid resource problems, the "
    "records will be cleared";

class Monitor : public ::testing::Test {
  protected:
    void SetUp() override {
        FakeTable::current = &table;
        net::SetGetTcpTable(&FakeTable::Get);
        resolver.Add("peer.example", {"192.168.7.20"});
        page.Now = [this] { return clock; };
        page.sbClearClick();
    }
    void TearDown() override {
        // Every look-up ends before the resolvers go.
        resolver.Release();
        EXPECT_TRUE(test::PumpUntil([this] { return page.LookupsPending() == 0; }));
        net::SetGetTcpTable(nullptr);
        FakeTable::current = nullptr;
    }

    // Data rows (the grid's last row is the empty one).
    int Records() const { return page.sgConnHist->RowCount() - 1; }
    QStringList Row(int r) const {
        QStringList cells;
        for (int c = 0; c < 8; ++c)
            cells << page.sgConnHist->Cells(c, r);
        return cells;
    }
    // The compared part of a row plus the local address: what identifies it in these tests.
    QStringList Conn(int r) const { return Row(r).mid(2, 5); }
    QString HostName(int r) const { return page.sgConnHist->Cells(7, r); }

    // One poll while the resolver holds every look-up. A poll that waits for the resolver is a
    // failure; the resolver is then let go after a while, so the test ends instead of hanging.
    void PollWhileResolverHeld() {
        std::mutex m;
        std::condition_variable cv;
        bool returned = false;
        std::atomic<bool> waited{false};
        std::thread watchdog([&] {
            std::unique_lock l(m);
            if (!cv.wait_for(l, std::chrono::seconds(5), [&] { return returned; })) {
                waited = true;
                resolver.Release();
            }
        });
        page.TimerTimer();
        {
            std::lock_guard l(m);
            returned = true;
        }
        cv.notify_all();
        watchdog.join();
        EXPECT_FALSE(waited) << "the poll waited for the resolver";
    }

    FakeTable table;
    test::FakeResolver resolver;
    CountingResolver lookups{resolver};
    test::ScriptedDialogs dialogs;
    QDateTime clock{QDate(2024, 3, 7), QTime(9, 5, 2)};
    test::PageContextFixture context;
    TConnectionMonitorPage page{context.context};
};

TEST_F(Monitor, NewConnectionsAreAppendedWithDateAndTime) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    table.rows = {Established(kLo, 80, kPeer, 20), Established(kLo, 443, kPeer, 51000)};
    page.TimerTimer();
    ASSERT_EQ(Records(), 2);
    EXPECT_EQ(Row(0), (QStringList{"07.03.24", "09:05:02", "127.  0.  0.  1", "HTTP",
                                   "192.168.  7. 20", "FTP ", "established", ""}));
    EXPECT_EQ(Row(1), (QStringList{"07.03.24", "09:05:02", "127.  0.  0.  1", " 443",
                                   "192.168.  7. 20", "51000", "established", ""}));
    EXPECT_EQ(page.sgConnHist->Row(), 1);  // the grid follows the newest row

    // A later poll appends below, dated then; what is there stays as it was.
    clock = QDateTime(QDate(2024, 12, 31), QTime(23, 59, 58));
    table.rows.push_back(Established(kLo, 22, kPeer, 40000));
    page.TimerTimer();
    ASSERT_EQ(Records(), 3);
    EXPECT_EQ(Row(2).mid(0, 4), (QStringList{"31.12.24", "23:59:58", "127.  0.  0.  1", "  22"}));
    EXPECT_EQ(Row(0)[1], "09:05:02");
    EXPECT_EQ(page.sgConnHist->Row(), 2);
    // The empty last row stays empty, and the poll is on again.
    EXPECT_EQ(Row(3), QStringList(8, ""));
    EXPECT_TRUE(page.Timer->Enabled());
    QLocale::setDefault(saved);
}

TEST_F(Monitor, ListenersAreRecordedOnlyWhileShown) {
    table.rows = {Listener(0, 80), Established(kLo, 8080, kLo, 40001), Listener(kLo, 631)};
    page.TimerTimer();
    ASSERT_EQ(Records(), 1);
    EXPECT_EQ(Row(0)[6], "established");

    page.cbShowListeners->click();
    page.TimerTimer();
    ASSERT_EQ(Records(), 3);
    EXPECT_EQ(Conn(1), (QStringList{"  0.  0.  0.  0", "HTTP", "...", "...", "listening"}));
    EXPECT_EQ(Conn(2), (QStringList{"127.  0.  0.  1", " 631", "...", "...", "listening"}));

    // Unchecking leaves the rows; a new listener is not recorded.
    page.cbShowListeners->click();
    table.rows.push_back(Listener(kLo, 5000));
    page.TimerTimer();
    EXPECT_EQ(Records(), 3);
    EXPECT_EQ(Row(2)[6], "listening");
}

TEST_F(Monitor, AConnectionIsRecordedOncePerClear) {
    const net::TcpRow seen = Established(kLo, 40000, kPeer, 80);
    table.rows = {seen, seen, Listener(kLo, 7000)};  // listed twice in one read
    page.cbShowListeners->click();
    page.TimerTimer();
    ASSERT_EQ(Records(), 2);
    page.TimerTimer();
    EXPECT_EQ(Records(), 2);

    // Closed and opened again: still the same connection.
    table.rows.clear();
    page.TimerTimer();
    table.rows = {seen};
    page.TimerTimer();
    EXPECT_EQ(Records(), 2);
    // Which fields make a connection new is the history index's own test.
}

TEST_F(Monitor, HostRevolveNamesTheRemoteHostOfNewRows) {
    page.cbShowListeners->click();
    table.rows = {Established(kLo, 40000, kPeer, 80)};
    page.TimerTimer();
    EXPECT_EQ(Row(0)[7], "");  // unchecked: no name

    page.CheckBox2->click();
    table.rows = {Established(kLo, 40001, kPeer, 80), Established(kLo, 40002, kNameless, 80),
                  Listener(0, 22)};
    page.TimerTimer();
    ASSERT_EQ(Records(), 4);
    EXPECT_EQ(Row(3)[7], "X");  // a listener has no address to look up
    ASSERT_TRUE(test::PumpUntil([&] { return page.LookupsPending() == 0; }));
    EXPECT_EQ(Row(1)[7], "peer.example");  // looked up by the plain address
    EXPECT_EQ(Row(2)[7], "X");             // no reverse entry

    // Unchecked again: new rows get nothing, earlier ones keep their names.
    page.CheckBox2->click();
    table.rows = {Established(kLo, 40003, kPeer, 80)};
    page.TimerTimer();
    EXPECT_EQ(Row(4)[7], "");
    EXPECT_EQ(Row(1)[7], "peer.example");
}

TEST_F(Monitor, ANameFromTheHostsFileIsShownAtOnceWhileLookupsWait) {
    resolver.hostsFile[kLo] = "localhost";
    resolver.Block();
    page.CheckBox2->click();
    table.rows = {Established(kLo, 40001, kPeer, 80), Established(kLo, 40002, kNameless, 80),
                  Established(kLo, 40003, kLo, 8080)};
    PollWhileResolverHeld();
    ASSERT_EQ(Records(), 3);
    // The network look-ups are held; the hosts file's name is in its row already.
    EXPECT_EQ(HostName(0), "");
    EXPECT_EQ(HostName(1), "");
    EXPECT_EQ(HostName(2), "localhost");
    EXPECT_EQ(page.LookupsPending(), 2u);
    resolver.Release();
    ASSERT_TRUE(test::PumpUntil([&] { return page.LookupsPending() == 0; }));
    EXPECT_EQ(HostName(0), "peer.example");
    EXPECT_EQ(lookups.Asked().count("127.0.0.1"), 0u);
}

// A name that is not UTF-8 is shown one character per byte and exported as its own bytes, the
// first time (when it arrives) and every time after (when it is known).
TEST_F(Monitor, AHostNameKeepsTheResolversBytes) {
    const net::InAddr latin = MakeAddr(10, 9, 9, 9);
    resolver.byAddr[latin] = net::HostEntry{"caf\xe9.example.test", {}, {}};
    page.CheckBox2->click();
    table.rows = {Established(kLo, 40001, latin, 80)};
    page.TimerTimer();
    ASSERT_TRUE(test::PumpUntil([&] { return page.LookupsPending() == 0; }));
    table.rows.push_back(Established(kLo, 40002, latin, 443));
    page.TimerTimer();
    ASSERT_EQ(Records(), 2);
    for (int r : {0, 1}) {
        EXPECT_EQ(HostName(r), QString::fromLatin1("caf\xe9.example.test")) << r;
        EXPECT_EQ(page.sgConnHist->CellBytes(7, r), QByteArray("caf\xe9.example.test")) << r;
    }
}

TEST_F(Monitor, HostNamesAreLookedUpWhileTheWindowGoesOn) {
    const net::InAddr allOnes = MakeAddr(255, 255, 255, 255);
    resolver.Block();
    page.cbShowListeners->click();
    page.CheckBox2->click();
    table.rows = {Established(kLo, 40001, kPeer, 80), Established(kLo, 40002, kPeer, 443),
                  Established(kLo, 40003, kNameless, 80), Listener(0, 22),
                  Established(kLo, 40004, allOnes, 80)};
    PollWhileResolverHeld();

    // The rows are there at once; the names are still to come, except where none can be.
    ASSERT_EQ(Records(), 5);
    EXPECT_EQ(HostName(0), "");
    EXPECT_EQ(HostName(1), "");
    EXPECT_EQ(HostName(2), "");
    EXPECT_EQ(HostName(3), "X");  // the listener's "..."
    EXPECT_EQ(HostName(4), "X");  // 255.255.255.255
    EXPECT_TRUE(page.Timer->Enabled());

    // The timer's own polls go on and so do clicks: a connection opened meanwhile is added,
    // to the same remote host as rows still waiting.
    table.rows.push_back(Established(kLo, 40005, kPeer, 22));
    ASSERT_TRUE(test::PumpUntil([&] { return Records() == 6; }));
    page.cbShowListeners->click();
    EXPECT_FALSE(page.cbShowListeners->Checked());
    EXPECT_EQ(HostName(5), "");

    // One look-up per address, each under way; none for the texts that cannot have a name.
    ASSERT_TRUE(test::PumpUntil([&] { return resolver.Waiting() == 2; }));
    EXPECT_EQ(page.LookupsPending(), 2u);

    resolver.Release();
    ASSERT_TRUE(test::PumpUntil([&] { return page.LookupsPending() == 0; }));
    EXPECT_EQ(Row(0)[7], "peer.example");
    EXPECT_EQ(Row(1)[7], "peer.example");
    EXPECT_EQ(Row(2)[7], "X");
    EXPECT_EQ(Row(5)[7], "peer.example");
    EXPECT_EQ(Row(6), QStringList(8, ""));  // the empty last row stays empty
    EXPECT_EQ(lookups.Asked(),
              (std::map<std::string, int>{{"192.168.7.20", 1}, {"172.16.0.9", 1}}));

    // Known now: a new row to that host gets its name straight away.
    table.rows.push_back(Established(kLo, 40006, kPeer, 21));
    page.TimerTimer();
    EXPECT_EQ(HostName(Records() - 1), "peer.example");
    EXPECT_EQ(lookups.Asked().at("192.168.7.20"), 1);
}

TEST_F(Monitor, ANameThatComesAfterAClearGoesOnlyToRowsShowingItsAddress) {
    resolver.Block();
    page.CheckBox2->click();
    table.rows = {Established(kLo, 40001, kPeer, 80)};
    PollWhileResolverHeld();
    ASSERT_EQ(Records(), 1);

    // Cleared while the peer's name is on its way; row 0 now shows another host.
    page.sbClear->click();
    table.rows = {Established(kLo, 40002, kNameless, 80)};
    PollWhileResolverHeld();
    // The peer again: once added without "Host Revolve", once with it.
    page.CheckBox2->click();
    table.rows.push_back(Established(kLo, 40003, kPeer, 80));
    PollWhileResolverHeld();
    page.CheckBox2->click();
    table.rows.push_back(Established(kLo, 40004, kPeer, 81));
    PollWhileResolverHeld();
    ASSERT_EQ(Records(), 3);

    resolver.Release();
    ASSERT_TRUE(test::PumpUntil([&] { return page.LookupsPending() == 0; }));
    test::Settle();
    EXPECT_EQ(Conn(0)[2], "172. 16.  0.  9");
    EXPECT_EQ(HostName(0), "X");
    EXPECT_EQ(HostName(1), "");
    EXPECT_EQ(HostName(2), "peer.example");
    // The look-up that was under way at the clear served the peer's new row.
    EXPECT_EQ(lookups.Asked(),
              (std::map<std::string, int>{{"192.168.7.20", 1}, {"172.16.0.9", 1}}));
}

// Runs `fn` once, as the first event reaches the watched object and before the object gets it.
class BeforeFirstEvent final : public QObject {
  public:
    BeforeFirstEvent(QObject* watched, std::function<void()> fn) : fn_(std::move(fn)) {
        watched->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent*) override {
        if (fn_)
            std::exchange(fn_, {})();
        return false;
    }

  private:
    std::function<void()> fn_;
};

// The names come through the window's queue, which outlives the page: those on their way when
// the page goes reach no one, and the queue goes on serving the other pages.
TEST(MonitorGone, NamesOnTheirWayWhenThePageGoesReachNoOne) {
    test::ScriptedDialogs dialogs;
    test::FakeResolver resolver;
    resolver.Add("peer.example", {"192.168.7.20"});
    CountingResolver lookups{resolver};
    FakeTable table;
    FakeTable::current = &table;
    net::SetGetTcpTable(&FakeTable::Get);
    test::PageContextFixture context;
    auto page = std::make_unique<TConnectionMonitorPage>(context.context);

    resolver.Block();
    page->sbClearClick();
    page->CheckBox2->click();
    table.rows = {Established(kLo, 40001, kPeer, 80), Established(kLo, 40002, kNameless, 80)};
    page->TimerTimer();
    ASSERT_TRUE(test::PumpUntil([&] { return resolver.Waiting() == 2; }));

    // The page goes as the queue is about to run the first answer.
    BeforeFirstEvent dropPage(&context.target, [&] { page.reset(); });
    resolver.Release();
    ASSERT_TRUE(test::PumpUntil([&] { return !page && lookups.Answered() == 2; }));
    test::Settle();

    bool ran = false;
    EXPECT_TRUE(context.queue->Post([&] { ran = true; }));
    EXPECT_TRUE(test::PumpUntil([&] { return ran; }));
    net::SetGetTcpTable(nullptr);
    FakeTable::current = nullptr;
}

TEST_F(Monitor, ClearEmptiesTheHistoryAndRecordsEverythingAgain) {
    table.rows = {Established(kLo, 40000, kPeer, 80), Established(kLo, 40001, kPeer, 80)};
    page.TimerTimer();
    ASSERT_EQ(Records(), 2);

    clock = QDateTime(QDate(2024, 3, 8), QTime(17, 0, 1));
    page.sbClear->click();
    EXPECT_EQ(page.sgConnHist->RowCount(), 1);
    EXPECT_EQ(Row(0), QStringList(8, ""));
    EXPECT_EQ(page.stStart->Caption(),
              "TCP connection history since : " + ui::DateTimeToStr(clock));
    EXPECT_TRUE(page.Timer->Enabled());

    // The first connection after a clear fills row 0.
    page.TimerTimer();
    ASSERT_EQ(Records(), 2);
    EXPECT_EQ(Row(0)[0], ui::DateToStr(clock.date()));
    EXPECT_EQ(Conn(1)[1], "40001");
}

TEST_F(Monitor, ARowWrittenByOthersCountsAsSeen) {
    // The history is what the grid holds, whoever wrote it.
    table.rows = {Established(kLo, 40000, kPeer, 80)};
    page.TimerTimer();
    page.sgConnHist->SetRowCount(1);
    page.sgConnHist->Model().Clear();
    page.TimerTimer();
    EXPECT_EQ(Records(), 1);

    auto* g = page.sgConnHist;
    g->SetCells(3, 1, "40001");
    g->SetCells(4, 1, "192.168.  7. 20");
    g->SetCells(5, 1, "HTTP");
    g->SetCells(6, 1, "established");
    g->SetRowCount(3);
    table.rows = {Established(kOther, 40001, kPeer, 80), Established(kLo, 40002, kPeer, 80)};
    page.TimerTimer();
    ASSERT_EQ(Records(), 3);
    EXPECT_EQ(Conn(2)[1], "40002");
}

TEST_F(Monitor, UnreadableTableAddsNothing) {
    table.rows = {Established(kLo, 40000, kPeer, 80)};
    table.readable = false;
    page.TimerTimer();
    EXPECT_EQ(Records(), 0);
    EXPECT_TRUE(page.Timer->Enabled());
    table.readable = true;  // the next poll tries again
    page.TimerTimer();
    EXPECT_EQ(Records(), 1);
}

// Records whether the poll timer ran while a box was up, then answers from the script.
class TimerWatchingDialogs final : public ui::Dialogs {
  public:
    TimerWatchingDialogs(test::ScriptedDialogs& script, const ui::TTimer* timer)
        : script_(script), timer_(timer) {
        ui::SetDialogs(this);
    }
    ~TimerWatchingDialogs() override { ui::SetDialogs(&script_); }
    ui::Answer Message(QWidget* p, const QString& text, const QString& caption, ui::Icon icon,
                       ui::Buttons buttons) override {
        ++boxes;
        timerOnDuringBox = timerOnDuringBox || timer_->Enabled();
        return script_.Message(p, text, caption, icon, buttons);
    }
    std::optional<QString> OpenFile(QWidget* p, const ui::FileDialogSpec& s) override {
        return script_.OpenFile(p, s);
    }
    std::optional<QString> SaveFile(QWidget* p, const ui::FileDialogSpec& s,
                                    const std::function<bool(const QString&)>& c) override {
        return script_.SaveFile(p, s, c);
    }
    int ExecModal(QDialog* d) override { return script_.ExecModal(d); }
    int boxes = 0;
    bool timerOnDuringBox = false;

  private:
    test::ScriptedDialogs& script_;
    const ui::TTimer* timer_;
};

// Fills the table with `n` established connections, all different.
void FillTable(FakeTable& table, int n) {
    table.rows.clear();
    table.rows.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        table.rows.push_back(Established(kLo, static_cast<std::uint16_t>(1024 + i % 60000), kPeer,
                                         static_cast<std::uint16_t>(1 + i / 60000)));
}

TEST_F(Monitor, MoreThanTheRowLimitAsksToClear) {
    TimerWatchingDialogs watch(dialogs, page.Timer);
    // 99,999 records and the empty row: at the limit, not above it.
    FillTable(table, 99999);
    page.TimerTimer();
    EXPECT_EQ(page.sgConnHist->RowCount(), 100000);
    EXPECT_EQ(watch.boxes, 0);

    // One more brings RowCount to 100001. Closed without OK: the rows stay.
    table.rows.push_back(Established(kLo, 60000, kNameless, 80));
    dialogs.answers = {ui::Answer::Closed};
    page.TimerTimer();
    ASSERT_EQ(watch.boxes, 1);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, kLimitText);
    EXPECT_EQ(dialogs.shown[0].caption, "Warning");
    EXPECT_EQ(dialogs.shown[0].icon, ui::Icon::Warning);
    EXPECT_EQ(dialogs.shown[0].buttons, ui::Buttons::Ok);
    EXPECT_EQ(page.sgConnHist->RowCount(), 100001);
    EXPECT_TRUE(page.Timer->Enabled());

    // The next poll asks again, with nothing new; OK clears and dates the new start.
    clock = clock.addSecs(3600);
    table.rows = {Established(kLo, 50000, kPeer, 80)};
    dialogs.answers = {ui::Answer::Ok};
    page.TimerTimer();
    ASSERT_EQ(watch.boxes, 2);
    EXPECT_EQ(page.sgConnHist->RowCount(), 1);
    EXPECT_EQ(page.stStart->Caption(),
              "TCP connection history since : " + ui::DateTimeToStr(clock));
    EXPECT_TRUE(page.Timer->Enabled());
    EXPECT_FALSE(watch.timerOnDuringBox);

    // After the clear the open connection is recorded again.
    page.TimerTimer();
    EXPECT_EQ(Records(), 1);
    EXPECT_EQ(watch.boxes, 2);
}

// The box on screen, answered as a user would: only OK clears, whatever else ends it.
TEST_F(Monitor, OnlyOkOnTheRowLimitBoxClears) {
    ui::SetDialogs(nullptr);  // the program's own boxes
    FillTable(table, 100000);
    struct Case {
        const char* how;
        void (*answer)(QMessageBox*);
        bool clears;
    } cases[] = {
        {"Esc", [](QMessageBox* b) { QTest::keyClick(b, Qt::Key_Escape); }, false},
        {"closed", [](QMessageBox* b) { b->close(); }, false},
        {"Enter", [](QMessageBox* b) { QTest::keyClick(b, Qt::Key_Return); }, true},
    };
    for (const Case& c : cases) {
        QString text, title;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        // Answers the box once it is up; anything else modal is shut so the test goes on.
        QTimer answerer;
        answerer.setInterval(10);
        QObject::connect(&answerer, &QTimer::timeout, [&] {
            QWidget* w = QApplication::activeModalWidget();
            if (!w)
                return;
            answerer.stop();
            if (auto* box = qobject_cast<QMessageBox*>(w)) {
                text = box->text();
                title = box->windowTitle();
                icon = box->icon();
                buttons = box->standardButtons();
                c.answer(box);
            }
            if (w->isVisible())
                w->close();
        });
        answerer.start();
        page.TimerTimer();
        answerer.stop();

        EXPECT_EQ(text, kLimitText) << c.how;
        EXPECT_EQ(title, "Warning") << c.how;
        EXPECT_EQ(icon, QMessageBox::Warning) << c.how;
        EXPECT_EQ(buttons, QMessageBox::StandardButtons(QMessageBox::Ok)) << c.how;
        EXPECT_EQ(page.sgConnHist->RowCount(), c.clears ? 1 : 100001) << c.how;
        EXPECT_TRUE(page.Timer->Enabled()) << c.how;
    }
    ui::SetDialogs(&dialogs);
}

TEST_F(Monitor, ExportShowsTheDialogModally) {
    QDialog exportDialog;
    page.monitor_export = &exportDialog;
    QDialog* shown = nullptr;
    dialogs.modals.push_back([&](QDialog* d) {
        shown = d;
        return QDialog::Accepted;
    });
    page.SpeedButton14->click();
    EXPECT_EQ(shown, &exportDialog);
}

TEST(MonitorStartup, TheMainWindowStartsTheMonitor) {
    test::FakeResolver resolver;
    test::ScriptedDialogs dialogs;
    QTemporaryDir dir;
    auto windows = AppWindows::Create(QDir(dir.path()).absolutePath().toStdString() + "/");
    TConnectionMonitorPage* page = windows->main->connection_monitor_tab;
    EXPECT_TRUE(page->stStart->Caption().startsWith("TCP connection history since : "));
    EXPECT_GT(page->stStart->Caption().size(), 31);
    EXPECT_TRUE(page->Timer->Enabled());
    EXPECT_EQ(page->monitor_export, windows->monitor_export.get());
    EXPECT_EQ(page->StaticText1->Caption(),
              "       Date           Time              Local IP          Local Port       "
              "Remote IP       Rem.Service     Status           Remote Host Name");
    EXPECT_FALSE(page->cbShowListeners->Checked());
    EXPECT_FALSE(page->CheckBox2->Checked());
    windows.reset();
}

// At the window's own size, in the font the program asks for: the whole start label shows, and
// the date and time cells fit their columns, in formats with and without AM/PM.
TEST(MonitorLayout, StartLabelAndDateTimeCellsAreShownWhole) {
    const QLocale saved;
    for (QLocale locale : {QLocale::c(), QLocale(QLocale::English, QLocale::UnitedStates),
                           QLocale(QLocale::German, QLocale::Germany)}) {
        QLocale::setDefault(locale);
        SCOPED_TRACE(locale.name().toStdString());
        test::FakeResolver resolver;
        test::ScriptedDialogs dialogs;
        FakeTable table;
        FakeTable::current = &table;
        net::SetGetTcpTable(&FakeTable::Get);
        QTemporaryDir dir;
        auto windows = AppWindows::Create(QDir(dir.path()).absolutePath().toStdString() + "/");
        Tmain* main = windows->main.get();
        TConnectionMonitorPage* page = main->connection_monitor_tab;
        const QSize size = main->size();
        main->show();
        main->mainpage->SetActivePage(page);

        // Long texts: a two-digit day and hour, an afternoon time.
        const QDateTime when(QDate(2026, 12, 10), QTime(23, 58, 58));
        page->Now = [&] { return when; };
        page->sbClearClick();
        table.rows = {Established(kLo, 40000, kPeer, 80)};
        page->TimerTimer();
        test::Settle();
        EXPECT_EQ(main->size(), size);  // the window keeps its size

        const QString since = page->stStart->Caption();
        EXPECT_GE(page->stStart->contentsRect().width(),
                  QFontMetrics(page->stStart->font()).horizontalAdvance(since))
            << since.toStdString();

        // A cell's text needs its advance plus the item's margins: what the view itself takes
        // when it sizes a column to its contents.
        ui::TStringGrid* grid = page->sgConnHist;
        const QFontMetrics fm(grid->font());
        for (int col : {0, 1}) {
            const QString cell = grid->Cells(col, 0);
            const int width = grid->ColWidth(col);
            grid->resizeColumnToContents(col);
            const int needed = grid->ColWidth(col);
            grid->SetColWidth(col, width);
            EXPECT_GT(needed, fm.horizontalAdvance(cell));
            EXPECT_GE(width, needed) << cell.toStdString();
        }
        // The other columns keep their widths.
        EXPECT_EQ(grid->ColWidth(2), 85);
        EXPECT_EQ(grid->ColWidth(7), 2000);

        windows.reset();
        net::SetGetTcpTable(nullptr);
        FakeTable::current = nullptr;
    }
    QLocale::setDefault(saved);
}

// The machine's own table: a listener and a connection this test opens on loopback.
TEST(MonitorLoopback, OpenedConnectionsShowUpAfterAPoll) {
    test::ScriptedDialogs dialogs;
    test::Sock listener = test::Listen();
    ASSERT_TRUE(listener.ok());
    const std::uint16_t port = listener.Port();
    test::Conn conn = test::Connect(listener, port);
    ASSERT_TRUE(conn.ok());
    const std::uint16_t clientPort = conn.client.Port();

    test::PageContextFixture context;
    TConnectionMonitorPage page(context.context);
    page.sbClearClick();
    page.cbShowListeners->click();
    page.TimerTimer();

    const QString lo = "127.  0.  0.  1";
    const QString portText = QString::fromStdString(PortToText(port));
    const QString clientText = QString::fromStdString(PortToText(clientPort));
    const QStringList wanted[] = {
        {lo, portText, "...", "...", "listening"},
        {lo, clientText, lo, portText, "established"},  // the client's end
        {lo, portText, lo, clientText, "established"},  // the accepted end
    };
    std::vector<QStringList> rows;
    for (int r = 0; r + 1 < page.sgConnHist->RowCount(); ++r) {
        QStringList c;
        for (int col = 2; col < 7; ++col)
            c << page.sgConnHist->Cells(col, r);
        rows.push_back(c);
    }
    for (const QStringList& w : wanted)
        EXPECT_NE(std::find(rows.begin(), rows.end(), w), rows.end()) << w.join('|').toStdString();
}

}  // namespace
}  // namespace orv
