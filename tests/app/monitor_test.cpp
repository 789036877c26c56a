// The Connection Monitor page against a scripted connection table: what a poll records, the
// listeners switch, host names, the row limit and Clear; and one poll of the real table.
#include "app/page_monitor.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <cstring>
#include <vector>

#include "app/app_windows.h"
#include "app/globals.h"
#include "app/p_main.h"
#include "controls/datetime.h"
#include "fake_resolver.h"
#include "netns.h"
#include "platform/tcptable.h"
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

const QString kLimitText =
    " There are more than 100000 items have been recorded!\r To avoid resource problems, the "
    "records will be cleared";

class Monitor : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetGlobals();
        FakeTable::current = &table;
        net::SetGetTcpTable(&FakeTable::Get);
        resolver.Add("peer.example", {"192.168.7.20"});
        page.Now = [this] { return clock; };
        page.sbClearClick();
    }
    void TearDown() override {
        net::SetGetTcpTable(nullptr);
        FakeTable::current = nullptr;
        ResetGlobals();
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

    FakeTable table;
    test::FakeResolver resolver;
    test::ScriptedDialogs dialogs;
    QDateTime clock{QDate(2024, 3, 7), QTime(9, 5, 2)};
    TConnectionMonitorPage page;
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

    // What makes a connection new: local port, remote address, remote port and state; the
    // local address takes no part.
    struct Case {
        const char* what;
        net::TcpRow row;
        bool added;
    } cases[] = {
        {"other local address", Established(kOther, 40000, kPeer, 80), false},
        {"other local port", Established(kLo, 40001, kPeer, 80), true},
        {"other remote address", Established(kLo, 40000, kNameless, 80), true},
        {"other remote port", Established(kLo, 40000, kPeer, 81), true},
        {"listener elsewhere", Listener(kOther, 7000), false},
        // No remote address, as the listener on 7000 has, but established.
        {"other state", Established(kLo, 7000, 0, 0), true},
    };
    for (const auto& c : cases) {
        int before = Records();
        table.rows = {c.row};
        page.TimerTimer();
        EXPECT_EQ(Records(), before + (c.added ? 1 : 0)) << c.what;
    }
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
    EXPECT_EQ(Row(1)[7], "peer.example");  // looked up by the plain address
    EXPECT_EQ(Row(2)[7], "X");             // no reverse entry
    EXPECT_EQ(Row(3)[7], "X");             // a listener has no address to look up

    // Unchecked again: new rows get nothing, earlier ones keep their names.
    page.CheckBox2->click();
    table.rows = {Established(kLo, 40003, kPeer, 80)};
    page.TimerTimer();
    EXPECT_EQ(Row(4)[7], "");
    EXPECT_EQ(Row(1)[7], "peer.example");
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
    bool timerOnDuringBox = false;

  private:
    test::ScriptedDialogs& script_;
    const ui::TTimer* timer_;
};

TEST_F(Monitor, MoreThanTheRowLimitAsksToClear) {
    TimerWatchingDialogs watch(dialogs, page.Timer);
    // 99,999 records and the empty row: at the limit, not above it.
    table.rows.reserve(100000);
    for (int i = 0; i < 99999; ++i)
        table.rows.push_back(Established(kLo, static_cast<std::uint16_t>(1024 + i % 60000), kPeer,
                                         static_cast<std::uint16_t>(1 + i / 60000)));
    page.TimerTimer();
    EXPECT_EQ(page.sgConnHist->RowCount(), 100000);
    EXPECT_TRUE(dialogs.shown.empty());

    // One more brings RowCount to 100001. Closed without OK: the rows stay.
    table.rows.push_back(Established(kLo, 60000, kNameless, 80));
    dialogs.answers = {ui::Answer::Closed};
    page.TimerTimer();
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
    page.TimerTimer();
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(page.sgConnHist->RowCount(), 1);
    EXPECT_EQ(page.stStart->Caption(),
              "TCP connection history since : " + ui::DateTimeToStr(clock));
    EXPECT_TRUE(page.Timer->Enabled());
    EXPECT_FALSE(watch.timerOnDuringBox);

    // After the clear the open connection is recorded again.
    page.TimerTimer();
    EXPECT_EQ(Records(), 1);
    EXPECT_EQ(dialogs.shown.size(), 2u);
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
    ResetGlobals();
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
    ResetGlobals();
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

    TConnectionMonitorPage page;
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
