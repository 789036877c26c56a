// The send-to popups: every item of every popup on the real pages, through a recorder of the
// targets; the Whois naming of addresses; and a run through the real main window, where a
// result of one tool starts the next.
#include "app/send_to.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/page_country.h"
#include "app/page_iptodomain.h"
#include "app/page_monitor.h"
#include "app/page_ping.h"
#include "app/page_scanner.h"
#include "app/page_tracert.h"
#include "app/page_whois.h"
#include "fake_resolver.h"
#include "lookup/country_lookup.h"
#include "page_context_fixture.h"
#include "pump.h"
#include "scripted_dialogs.h"
#include "scripted_echo.h"
#include "whois_server.h"

namespace orv {
namespace {

// One letter per target, for short expectations.
char Letter(SendTarget t) {
    switch (t) {
        case SendTarget::NameToAddress:
            return 'N';
        case SendTarget::AddressToName:
            return 'A';
        case SendTarget::PingName:
            return 'P';
        case SendTarget::PingAddress:
            return 'Q';
        case SendTarget::Trace:
            return 'T';
        case SendTarget::Whois:
            return 'W';
        case SendTarget::Country:
            return 'C';
        case SendTarget::Scan:
            return 'S';
    }
    return '?';
}

// Records what the items ask of the targets, in order.
class Recorder final : public SendTargets {
  public:
    std::vector<std::string> calls;
    void ShowTarget(SendTarget t) override { calls.push_back(std::string("show ") + Letter(t)); }
    void RunTarget(SendTarget t, const QString& text) override {
        calls.push_back(std::string("run ") + Letter(t) + " " + text.toStdString());
    }
};

// The popups as a user sees them, written out by hand: the items' object names, captions and
// targets ("-" a separator, a leading name without caption an item that is not a send-to).
struct Popup {
    const char* name;
    const char* menu;
};
const Popup kPopups[] = {
    {"pop_domain",
     "Ping1:Ping:P|CountryLookup1:Country Lookup:C|racert1:Tracert:T|Whois1:Whois:W|"
     "WebsiteScanner1:Website Scanner:S"},
    {"pop_ip",
     "MenuItem1:Ping:Q|MenuItem4:Country Lookup:C|MenuItem2:Tracert:T|MenuItem3:Whois:W|"
     "MenuItem5:Website Scanner:S"},
    {"PopupMenu1",
     "A1|UpdateItem1|DeleteItem1|DeleteAllItem1|-|Ping2:Ping:P|CountryLookup2:Country Lookup:C|"
     "racert3:Tracert:T|Whois3:Whois:W|WebsiteScanner3:Website Scanner:S"},
    {"Pop_iptodomain_results",
     "MenuItem43:Ping:P|MenuItem46:Country Lookup:C|MenuItem44:Tracert:T|MenuItem45:Whois:W|"
     "MenuItem47:Website Scanner:S|-|Brower1"},
    {"Pop_domain_ping",
     "MenuItem28:Convert Domain to IP:N|MenuItem36:Country Lookup:C|MenuItem34:Tracert:T|"
     "MenuItem35:Whois:W|MenuItem37:Website Scanner:S"},
    {"pop_ip_ping",
     "MenuItem38:Convert IP to Domain:A|MenuItem41:Country Lookup:C|MenuItem39:Tracert:T|"
     "MenuItem42:Website Scanner:S"},
    {"PopupMenu2",
     "A2|UpdateItem2|DeleteItem2|ClearAll1|-|ConvertDomaintoIP2:Convert Domain to IP:N|"
     "ConvertIPtoDomain1:Convert IP to Domain:A|CountryLoop1:Country Lookup:C|racert2:Tracert:T|"
     "Whois2:Whois:W|WebsiteScanner2:Website Scanner:S"},
    {"pop_ping_results",
     "MenuItem48:Convert Domain to IP:N|ConvertIPtoDomain2:Convert IP to Domain:A|"
     "MenuItem51:Country Lookup:C|MenuItem49:Tracert:T|MenuItem50:Whois:W|"
     "MenuItem52:Website Scanner:S"},
    {"pop_tracert",
     "ConvertDomaintoIP1:Convert Domain to IP:N|MenuItem7:Convert IP to Domain:A|"
     "MenuItem6:Ping:P|MenuItem9:Country Lookup:C|MenuItem8:Whois:W|"
     "MenuItem10:Website Scanner:S"},
    {"Pop_tracert_results",
     "MenuItem53:Convert IP to Domain:A|MenuItem57:Country Lookup:C|MenuItem54:Ping:Q|"
     "MenuItem55:Website Scanner:S"},
    {"pop_whois",
     "MenuItem11:Convert Domain to IP:N|MenuItem13:Ping:P|MenuItem15:Country Lookup:C|"
     "MenuItem12:Tracert:T|MenuItem16:Website Scanner:S"},
    {"Pop_country_lookup",
     "MenuItem14:Convert Domain to IP:N|MenuItem17:Convert IP to Domain:A|MenuItem18:Ping:P|"
     "MenuItem20:Tracert:T|MenuItem19:Whois:W|MenuItem21:Website Scanner:S"},
    {"PopupMenu3",
     "Add1|Update1|Delete1|ClearAll2|-|ConvertDomaintoIP3:Convert Domain to IP:N|"
     "ConvertIPtoDomain3:Convert IP to Domain:A|Ping3:Ping:P|racert4:Tracert:T|Whois4:Whois:W|"
     "WebsiteScanner4:Website Scanner:S"},
    {"pop_country_results",
     "MenuItem62:Convert Domain to IP:N|MenuItem63:Convert IP to Domain:A|MenuItem64:Ping:P|"
     "MenuItem65:Tracert:T|MenuItem66:Whois:W|MenuItem67:Website Scanner:S"},
    {"pop_scanner",
     "MenuItem22:Convert Domain to IP:N|MenuItem24:Ping:P|MenuItem26:Country Lookup:C|"
     "MenuItem27:Tracert:T|MenuItem25:Whois:W"},
    {"pop_monitor",
     "MenuItem29:Convert IP to Domain:A|MenuItem30:Ping:Q|MenuItem33:Country Lookup:C|"
     "MenuItem31:Tracert:T|MenuItem32:Whois:W"},
};

// What each popup's control holds for the table run, what its items send, and what the Whois
// box gets from it.
struct Source {
    const char* popup;
    const char* holds;
    const char* sends;
    const char* whois;
};
const Source kSources[] = {
    {"pop_domain", "a.host.test", "a.host.test", "host.test"},
    {"pop_ip", "10.0.0.1", "10.0.0.1", "lan.example"},
    {"PopupMenu1", "a.host.test", "a.host.test", "host.test"},
    {"Pop_iptodomain_results", "a.host.test", "a.host.test", "host.test"},
    {"Pop_domain_ping", "a.host.test", "a.host.test", "host.test"},
    {"pop_ip_ping", "10.0.0.1", "10.0.0.1", ""},
    {"PopupMenu2", "10.0.0.1", "10.0.0.1", "lan.example"},
    {"pop_ping_results", "a.host.test", "a.host.test", "host.test"},
    {"pop_tracert", "a.host.test", "a.host.test", "host.test"},
    {"Pop_tracert_results", "10.0.0.1", "10.0.0.1", ""},
    {"pop_whois", "a.host.test", "www.a.host.test", ""},
    {"Pop_country_lookup", "10.0.0.1", "10.0.0.1", "lan.example"},
    {"PopupMenu3", "a.host.test", "a.host.test", "host.test"},
    {"pop_country_results", "a.host.test", "a.host.test", "host.test"},
    {"pop_scanner", "a.host.test/dir/page.htm", "a.host.test", "host.test"},
    {"pop_monitor", " 10.  0.  0.  1", "10.0.0.1", "lan.example"},
};

std::vector<QString> Split(const QString& s, char sep) {
    std::vector<QString> out;
    for (const QString& part : s.split(QLatin1Char(sep)))
        out.push_back(part);
    return out;
}

class SendToPages : public ::testing::Test {
  protected:
    void SetUp() override {
        context.context.sendTargets = &recorder;
        resolver.Add("box.lan.example", {"10.0.0.1"});
        ipToDomain = std::make_unique<TIpToDomainPage>(context.context);
        ping = std::make_unique<TBatchPingPage>(context.context);
        tracert = std::make_unique<TTracertPage>(context.context);
        whois = std::make_unique<TWhoisPage>(context.context);
        country = std::make_unique<TCountryLookupPage>(context.context);
        scanner = std::make_unique<TWebsiteScannerPage>(context.context);
        monitor = std::make_unique<TConnectionMonitorPage>(context.context);
    }

    // The popup's control, and the page that holds both.
    std::pair<QWidget*, QWidget*> Control(const std::string& popup) const {
        const std::map<std::string, std::pair<QWidget*, QWidget*>> controls = {
            {"pop_domain", {ipToDomain->domain_edit, ipToDomain.get()}},
            {"pop_ip", {ipToDomain->ip_edit, ipToDomain.get()}},
            {"PopupMenu1", {ipToDomain->ListBox1, ipToDomain.get()}},
            {"Pop_iptodomain_results", {ipToDomain->StringGrid2, ipToDomain.get()}},
            {"Pop_domain_ping", {ping->Edit7, ping.get()}},
            {"pop_ip_ping", {ping->Edit8, ping.get()}},
            {"PopupMenu2", {ping->ListBox2, ping.get()}},
            {"pop_ping_results", {ping->StringGrid1, ping.get()}},
            {"pop_tracert", {tracert->edTarget, tracert.get()}},
            {"Pop_tracert_results", {tracert->lvTrace, tracert.get()}},
            {"pop_whois", {whois->edDomain, whois.get()}},
            {"Pop_country_lookup", {country->Edit3, country.get()}},
            {"PopupMenu3", {country->ListBox3, country.get()}},
            {"pop_country_results", {country->StringGrid3, country.get()}},
            {"pop_scanner", {scanner->Edit111, scanner.get()}},
            {"pop_monitor", {monitor->sgConnHist, monitor.get()}},
        };
        return controls.at(popup);
    }
    ui::TPopupMenu* Menu(const std::string& popup) const {
        return Control(popup).second->findChild<ui::TPopupMenu*>(QString::fromStdString(popup));
    }

    // Puts `text` where the popup's items take it from, the way a user would have it.
    void Hold(const std::string& popup, const QString& text) {
        QWidget* w = Control(popup).first;
        if (auto* edit = qobject_cast<ui::TEdit*>(w)) {
            edit->SetText(text);
        } else if (auto* list = qobject_cast<ui::TListBox*>(w)) {
            list->SetItems({"first.test", text, "last.test"});
            list->setCurrentRow(1);
        } else if (w == tracert->lvTrace) {
            tracert->ShowHop(1, "10.9.9.8", "gw", "1 ms");
            tracert->ShowHop(2, text, "box", "2 ms");
            tracert->lvTrace->SetRow(2);
        } else if (auto* grid = qobject_cast<ui::TStringGrid*>(w)) {
            const int column = popup == "pop_ping_results" ? 1 : popup == "pop_monitor" ? 4 : 0;
            const int r = grid->FixedRows() + 1;
            grid->SetRowCount(r + 2);
            grid->SetCells(column, r - 1, "other.test");
            grid->SetCells(column, r, text);
            grid->SetRow(r);
        }
    }

    // Clicks the item and waits for its target to have run (`runs`), or lets what it may have
    // started settle.
    std::vector<std::string> Click(const std::string& popup, const QString& item,
                                   bool runs = true) {
        recorder.calls.clear();
        QAction* a = Menu(popup)->findChild<QAction*>(item);
        if (!a)
            a = Control(popup).second->findChild<QAction*>(item);
        EXPECT_NE(a, nullptr) << popup << " " << item.toStdString();
        if (!a)
            return {};
        a->trigger();
        if (runs)
            test::PumpUntil([&] { return recorder.calls.size() >= 2; }, 5000);
        Quiet();
        return recorder.calls;
    }

    // Waits until a Whois look-up the click started has ended and whatever it wrote has run: a
    // marker posted behind its writes comes back.
    void Quiet() {
        if (const auto& naming = recorder.Naming().Current()) {
            ASSERT_TRUE(test::PumpUntil([&] { return !naming->Running(); }));
        }
        bool drained = false;
        context.queue->Post([&] { drained = true; });
        ASSERT_TRUE(test::PumpUntil([&] { return drained; }));
    }

    test::ScriptedDialogs dialogs;
    test::FakeResolver resolver;
    Recorder recorder;
    test::PageContextFixture context;
    std::unique_ptr<TIpToDomainPage> ipToDomain;
    std::unique_ptr<TBatchPingPage> ping;
    std::unique_ptr<TTracertPage> tracert;
    std::unique_ptr<TWhoisPage> whois;
    std::unique_ptr<TCountryLookupPage> country;
    std::unique_ptr<TWebsiteScannerPage> scanner;
    std::unique_ptr<TConnectionMonitorPage> monitor;
};

TEST(SendToTable, EightyFourItemsEachOnce) {
    std::map<std::string, int> names;
    for (const SendToItem& item : kSendToItems)
        ++names[std::string(item.popup) + "/" + item.name];
    EXPECT_EQ(names.size(), 84u);
}

// Every popup, in menu order, as the user sees it; every send-to item sends the popup's text
// with its transform to its own target, the page shown before the target runs.
TEST_F(SendToPages, EveryItemOfEveryPopupSendsItsTextToItsTarget) {
    int items = 0;
    for (const Popup& p : kPopups) {
        SCOPED_TRACE(p.name);
        const Source* source = nullptr;
        for (const Source& s : kSources)
            if (std::string(s.popup) == p.name)
                source = &s;
        ASSERT_NE(source, nullptr);
        ui::TPopupMenu* menu = Menu(p.name);
        ASSERT_NE(menu, nullptr);

        QStringList shown;
        for (QAction* a : menu->actions()) {
            if (a->isSeparator())
                shown << "-";
            else if (a->objectName().isEmpty())
                shown << a->text();
            else
                shown << a->objectName();
        }
        QStringList expected;
        for (const QString& entry : Split(QString::fromLatin1(p.menu), '|'))
            expected << entry.section(':', 0, 0);
        EXPECT_EQ(shown, expected);

        for (const QString& entry : Split(QString::fromLatin1(p.menu), '|')) {
            const std::vector<QString> f = Split(entry, ':');
            if (f.size() < 3)
                continue;
            ++items;
            SCOPED_TRACE(f[0].toStdString());
            QAction* a = menu->findChild<QAction*>(f[0]);
            ASSERT_NE(a, nullptr);
            EXPECT_EQ(a->text(), f[1]);
            Hold(p.name, QString::fromLatin1(source->holds));
            const char target = f[2].at(0).toLatin1();
            const std::string text = target == 'W' ? source->whois : source->sends;
            EXPECT_EQ(Click(p.name, f[0]),
                      (std::vector<std::string>{std::string("show ") + target,
                                                std::string("run ") + target + " " + text}));
        }
    }
    EXPECT_EQ(items, kSendToItemCount);
}

// No entry, no hop, an empty cell: nothing happens, not even a page change. An empty box still
// sends its empty text.
TEST_F(SendToPages, GuardsStopBeforeThePageChangesButAnEmptyBoxIsSent) {
    ipToDomain->ListBox1->SetItems({"a.test", "b.test"});
    ipToDomain->ListBox1->clearSelection();
    EXPECT_TRUE(Click("PopupMenu1", "Ping2", false).empty());

    ping->StringGrid1->SetRowCount(3);
    ping->StringGrid1->SetCells(0, 1, "1");  // a row whose name column is empty
    ping->StringGrid1->SetRow(1);
    EXPECT_TRUE(Click("pop_ping_results", "MenuItem50", false).empty());

    EXPECT_TRUE(Click("Pop_tracert_results", "MenuItem54", false).empty());  // no hop yet

    monitor->sgConnHist->SetRowCount(1);  // only the empty row the next record fills
    monitor->sgConnHist->SetRow(0);
    EXPECT_TRUE(Click("pop_monitor", "MenuItem30", false).empty());

    scanner->Edit111->SetText("");
    EXPECT_EQ(Click("pop_scanner", "MenuItem24"), (std::vector<std::string>{"show P", "run P "}));
}

// What the popups' transforms make of the texts at their edges.
TEST_F(SendToPages, TransformsAtTheirEdges) {
    struct Case {
        const char* popup;
        const char* item;
        const char* holds;
        const char* run;
    } cases[] = {
        // The prefix goes in front even of a text that has it.
        {"pop_whois", "MenuItem13", "www.host.test", "run P www.www.host.test"},
        // No "/" at all: the whole text; the first "/" cuts.
        {"pop_scanner", "MenuItem24", "host.test", "run P host.test"},
        {"pop_scanner", "MenuItem24", "host.test//a/b", "run P host.test"},
        // A listener's remote address "..." becomes six dots, sent unchanged.
        {"pop_monitor", "MenuItem30", "...", "run Q ......"},
        // Blanks are not trimmed anywhere else.
        {"pop_domain", "Ping1", " host.test ", "run P  host.test "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.holds);
        Hold(c.popup, c.holds);
        const auto calls = Click(c.popup, c.item);
        ASSERT_EQ(calls.size(), 2u);
        EXPECT_EQ(calls[1], c.run);
    }
}

// The Whois box gets a base domain, but an address is named first and never cut to its last two
// fields; one without a name is queried as it is, never as the failure mark "X".
TEST_F(SendToPages, WhoisNamesAnAddressFirstAndKeepsOneWithoutAName) {
    resolver.Add("www.deep.sub.example.org", {"10.1.2.3"});
    resolver.Add("h.loop.example", {"127.0.0.5"});
    struct Case {
        const char* popup;
        const char* item;
        const char* holds;
        const char* run;
    } cases[] = {
        {"pop_ip", "MenuItem3", "10.1.2.3", "run W example.org"},
        {"pop_ip", "MenuItem3", "1.2.3.4", "run W 1.2.3.4"},
        {"pop_monitor", "MenuItem32", "  1.  2.  3.  4", "run W 1.2.3.4"},
        // Sources the addresses only happen to be in are named just the same.
        {"PopupMenu1", "Whois3", "1.2.3.4", "run W 1.2.3.4"},
        {"pop_country_results", "MenuItem66", "10.1.2.3", "run W example.org"},
        // Not an address: cut to its base domain at once.
        {"Pop_country_lookup", "MenuItem19", "a.b.c.d.example", "run W d.example"},
        {"Pop_country_lookup", "MenuItem19", "1.2.3.4.5", "run W 4.5"},
        // A port is no part of the query; an address with one is named like any other.
        {"pop_scanner", "MenuItem25", "127.0.0.5:8080/p/3", "run W loop.example"},
        {"pop_scanner", "MenuItem25", "1.2.3.4:8080/p/3", "run W 1.2.3.4"},
        {"pop_scanner", "MenuItem25", "www.example.org:8080/p", "run W example.org"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.popup) + " " + c.holds);
        Hold(c.popup, c.holds);
        const auto calls = Click(c.popup, c.item);
        ASSERT_EQ(calls.size(), 2u);
        EXPECT_EQ(calls[0], "show W");  // the page comes first, while the name is looked up
        EXPECT_EQ(calls[1], c.run);
    }
}

TEST_F(SendToPages, ANewerSendDropsAWhoisStillWaitingForItsName) {
    Hold("pop_ip", "10.0.0.1");
    Hold("pop_domain", "a.host.test");
    resolver.Block();
    Menu("pop_ip")->findChild<QAction*>("MenuItem3")->trigger();
    ASSERT_TRUE(test::PumpUntil([&] { return resolver.Waiting() == 1; }, 5000));
    recorder.calls.clear();
    Menu("pop_domain")->findChild<QAction*>("Ping1")->trigger();
    EXPECT_FALSE(recorder.Pending());
    resolver.Release();
    Quiet();
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{"show P", "run P a.host.test"}));
}

TEST(WhoisSendText, BaseDomainOrTheNameOfTheAddress) {
    for (const auto& [text, without] :
         std::vector<std::pair<QString, QString>>{{"127.0.0.5:8080", "127.0.0.5"},
                                                  {"host.test:80", "host.test"},
                                                  {"host.test", "host.test"},
                                                  {"host.test:", "host.test:"},
                                                  {"host.test:http", "host.test:http"},
                                                  {"a:1:2", "a:1:2"}})
        EXPECT_EQ(WithoutPort(text), without) << text.toStdString();
    EXPECT_EQ(WhoisSendText("www.example.org", std::nullopt), "example.org");
    EXPECT_EQ(WhoisSendText("1.2.3.4", std::string("X")), "1.2.3.4");
    EXPECT_EQ(WhoisSendText("1.2.3.4", std::string("")), "1.2.3.4");
    EXPECT_EQ(WhoisSendText("1.2.3.4", std::string("h.isp.example.net")), "example.net");
    EXPECT_TRUE(IsDottedAddress("1.2.3.4"));
    std::string canonical;
    EXPECT_TRUE(IsDottedAddress("010.1.2.03", &canonical));
    EXPECT_EQ(canonical, "10.1.2.3");
    for (const char* no : {"1.2.3", "1.2.3.4.5", "1.2.3.256", "a.b.c.d", "", "1..2.3"})
        EXPECT_FALSE(IsDottedAddress(no)) << no;
}

// The real window: a name found by the IP-to-Domain batch is sent to Batch Ping, which pings it;
// every target's own operation on loopback names; a Whois that waits for its name.
class SendToWindow : public ::testing::Test {
  protected:
    class Echo final : public EchoLayer, public test::ScriptedEcho {
      public:
        icmp::EchoFn Open(std::string&) override { return Fn(); }
    };
    void SetUp() override {
        savedConfigHome = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        resolver.Add("loop.test", {"127.0.0.1"});
        resolver.Add("box.lan.example", {"10.0.0.1"});
        win = std::make_unique<Tmain>(QDir(dir.path()).absolutePath().toStdString() + "/");
        win->batch_ping_tab->SetEchoLayer(&echo);
        win->tracert_tab->IdIcmpClient.SetEchoFunction(echo.Fn());
        // Whois asks the loopback server of the test, never a real one.
        TWhoisPage& whois = *win->whois_tab;
        whois.CheckBox7->SetChecked(true);
        whois.edit10->SetText("127.0.0.1");
        whois.IdWhoisSettings.port = whoisServer.port();
    }
    void TearDown() override {
        resolver.Release();
        win->batch_ping_tab->ping_stop_buttonClick();
        win->tracert_tab->acStopExecute();
        win.reset();
        qputenv("XDG_CONFIG_HOME", savedConfigHome);
    }
    SendTargets& Targets() { return *win->Context().sendTargets; }
    // Until the Whois look-up of the last send has ended and what it wrote has run.
    void Quiet() {
        if (const auto& naming = Targets().Naming().Current()) {
            ASSERT_TRUE(test::PumpUntil([&] { return !naming->Running(); }));
        }
        bool drained = false;
        win->Channel()->Post([&] { drained = true; });
        ASSERT_TRUE(test::PumpUntil([&] { return drained; }));
    }
    std::vector<std::string> Queries() {
        std::vector<std::string> out;
        for (const std::string& q : whoisServer.Queries())
            out.push_back(q.substr(0, q.find("\r\n")));
        return out;
    }

    QTemporaryDir dir;
    QTemporaryDir config;
    QByteArray savedConfigHome;
    test::ScriptedDialogs dialogs;
    test::FakeResolver resolver;
    test::TestWhoisServer whoisServer{test::TestWhoisServer::Mode::Reply, "Domain: LOOP\r\n"};
    Echo echo;
    std::unique_ptr<Tmain> win;
};

TEST_F(SendToWindow, AResultSentToBatchPingIsPinged) {
    TIpToDomainPage& from = *win->ip_to_domain_converter_tab;
    from.ListBox1->SetItems({"loop.test"});
    from.B_nametoip_start_buttonClick();
    ASSERT_TRUE(test::PumpUntil([&] { return from.StringGrid2->Cells(0, 1) == "loop.test"; }));
    from.StringGrid2->SetRow(1);

    from.findChild<QAction*>("MenuItem43")->trigger();  // "Ping"
    TBatchPingPage& ping = *win->batch_ping_tab;
    EXPECT_EQ(win->mainpage->ActivePage(), &ping);
    EXPECT_EQ(ping.Edit7->Text(), "loop.test");
    EXPECT_EQ(ping.ListBox2->Items(), QStringList{"loop.test"});
    ASSERT_TRUE(test::PumpUntil([&] { return !echo.Calls().empty(); }));
    EXPECT_EQ(echo.Calls()[0].destination, net::inet_addr("127.0.0.1"));
    ASSERT_TRUE(test::PumpUntil([&] { return ping.StringGrid1->Cells(1, 1) == "loop.test"; }));
}

// Each target on the real pages: its own page shown, its box replaced, its tool run to an
// answer.
TEST_F(SendToWindow, EachTargetShowsItsPageAndRunsItsTool) {
    TIpToDomainPage& converter = *win->ip_to_domain_converter_tab;
    Targets().Send(SendTarget::NameToAddress, "loop.test", win->Channel());
    EXPECT_EQ(win->mainpage->ActivePage(), &converter);
    EXPECT_EQ(converter.domain_edit->Text(), "loop.test");
    EXPECT_TRUE(test::PumpUntil([&] { return converter.host_edit->Text() == "loop.test"; }));

    Targets().Send(SendTarget::AddressToName, "127.0.0.1", win->Channel());
    EXPECT_EQ(win->mainpage->ActivePage(), &converter);
    EXPECT_EQ(converter.ip_edit->Text(), "127.0.0.1");
    EXPECT_TRUE(test::PumpUntil([&] { return converter.Edit1->Text() == "loop.test"; }));

    TBatchPingPage& ping = *win->batch_ping_tab;
    Targets().Send(SendTarget::PingName, "loop.test", win->Channel());
    EXPECT_EQ(win->mainpage->ActivePage(), &ping);
    EXPECT_EQ(ping.Edit7->Text(), "loop.test");
    EXPECT_TRUE(test::PumpUntil([&] { return ping.StringGrid1->Cells(0, 1) == "Running"; }));
    Targets().Send(SendTarget::PingAddress, "127.0.0.1", win->Channel());
    EXPECT_EQ(ping.Edit8->Text(), "127.0.0.1");
    EXPECT_EQ(ping.ListBox2->Items(), QStringList{"127.0.0.1"});
    EXPECT_TRUE(test::PumpUntil([&] { return ping.StringGrid1->Cells(1, 1) == "127.0.0.1"; }));
    ping.ping_stop_buttonClick();

    // The trace runs within the send; the loopback target answers at the first hop.
    TTracertPage& tracert = *win->tracert_tab;
    Targets().Send(SendTarget::Trace, "loop.test", win->Channel());
    EXPECT_EQ(win->mainpage->ActivePage(), &tracert);
    EXPECT_EQ(tracert.edTarget->Text(), "loop.test");
    EXPECT_TRUE(test::PumpUntil([&] { return tracert.button1->isEnabled(); }));
    EXPECT_TRUE(tracert.lbLog->Items().contains("loop.test resolved to 127.0.0.1"));
    EXPECT_EQ(tracert.lvTrace->Cells(1, 1), "127.0.0.1");

    TWhoisPage& whois = *win->whois_tab;
    Targets().Send(SendTarget::Whois, "www.loop.test", win->Channel());
    EXPECT_EQ(win->mainpage->ActivePage(), &whois);
    EXPECT_EQ(whois.edDomain->Text(), "loop.test");
    EXPECT_TRUE(
        test::PumpUntil([&] { return whois.meResults->Lines() == QStringList{"Domain: LOOP\r"}; }));
    EXPECT_EQ(Queries(), std::vector<std::string>{"loop.test"});

    TCountryLookupPage& country = *win->country_lookup_tab;
    Targets().Send(SendTarget::Country, "loop.test", win->Channel());
    EXPECT_EQ(win->mainpage->ActivePage(), &country);
    EXPECT_EQ(country.Edit3->Text(), "loop.test");
    const QString expected = QString::fromStdString(LookupCountry("127.0.0.1"));
    EXPECT_TRUE(test::PumpUntil([&] { return country.Edit6->Text() == expected; }))
        << expected.toStdString();

    TWebsiteScannerPage& scanner = *win->website_scanner_tab;
    Targets().Send(SendTarget::Scan, "", win->Channel());
    EXPECT_EQ(win->mainpage->ActivePage(), &scanner);
    ASSERT_FALSE(dialogs.shown.empty());
    EXPECT_EQ(dialogs.shown.back().text, "Please enter the URL!   ");
}

// A Whois of an address waits for the address's name: meanwhile the page says it works on it,
// and whatever the user does on the page (or a newer send) drops the late send.
TEST_F(SendToWindow, AWhoisWaitingForItsNameShowsItAndYieldsToTheUser) {
    TWhoisPage& whois = *win->whois_tab;
    whois.meResults->SetLines({"an old reply"});
    whois.state_label->SetCaption("Done!");
    struct Case {
        const char* action;
        std::function<void()> act;
        std::vector<std::string> queries;  // what the server is asked
        QString box;                       // what the Whois box holds at the end
    };
    const Case cases[] = {
        {"the user types a query and runs it",
         [&] {
             whois.edDomain->clear();
             QTest::keyClicks(whois.edDomain, "typed.test");
             QTest::keyClick(whois.edDomain, Qt::Key_Return);
         },
         {"typed.test"},
         "typed.test"},
        {"the user runs the box as it is",
         [&] { QTest::keyClick(whois.edDomain, Qt::Key_Return); },
         {"10.0.0.1"},
         "10.0.0.1"},
        {"the user presses Stop", [&] { whois.button3->click(); }, {}, "10.0.0.1"},
        {"a newer send",
         [&] { Targets().Send(SendTarget::PingName, "loop.test", win->Channel()); },
         {},
         "10.0.0.1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.action);
        const std::size_t asked = whoisServer.Queries().size();
        resolver.Block();
        Targets().Send(SendTarget::Whois, "10.0.0.1", win->Channel());
        ASSERT_TRUE(test::PumpUntil([&] { return resolver.Waiting() == 1; }));
        EXPECT_EQ(win->mainpage->ActivePage(), &whois);
        EXPECT_TRUE(Targets().Pending());
        EXPECT_EQ(whois.edDomain->Text(), "10.0.0.1");
        EXPECT_FALSE(whois.state_label->isHidden());
        EXPECT_EQ(whois.state_label->Caption(), "Working...");
        EXPECT_FALSE(whois.whois_start_button->isEnabled());
        EXPECT_EQ(whois.meResults->LineCount(), 0) << "the old reply is gone";

        c.act();
        EXPECT_FALSE(Targets().Pending());
        resolver.Release();
        Quiet();
        if (!c.queries.empty()) {
            ASSERT_TRUE(test::PumpUntil([&] { return whoisServer.Queries().size() > asked; }));
        }
        ASSERT_TRUE(test::PumpUntil([&] { return whois.whois_start_button->isEnabled(); }));
        Quiet();
        std::vector<std::string> queries = Queries();
        queries.erase(queries.begin(), queries.begin() + static_cast<std::ptrdiff_t>(asked));
        EXPECT_EQ(queries, c.queries) << "never the late name's domain";
        EXPECT_EQ(whois.edDomain->Text(), c.box);
        EXPECT_EQ(whois.state_label->Caption(), "Done!");
    }

    // Left alone, the send runs with the name once it comes (once the ping the newer send
    // started has made its own look-up).
    ASSERT_TRUE(
        test::PumpUntil([&] { return win->batch_ping_tab->ping_start_button->isEnabled(); }));
    resolver.Block();
    Targets().Send(SendTarget::Whois, "10.0.0.1", win->Channel());
    ASSERT_TRUE(test::PumpUntil([&] { return resolver.Waiting() == 1; }));
    resolver.Release();
    ASSERT_TRUE(test::PumpUntil([&] { return whois.edDomain->Text() == "lan.example"; }));
    ASSERT_TRUE(test::PumpUntil([&] { return Queries().back() == "lan.example"; }));
}

}  // namespace
}  // namespace orv
