// The browser buttons of the tool pages, with a fake browser link: one request per press, asked
// on a worker while the window goes on; the page's input box from that one answer, the page's
// operation started; the message when no browser answers; what the user does meanwhile.
#include <gtest/gtest.h>

#include <QAction>
#include <QTest>
#include <atomic>
#include <cctype>
#include <functional>
#include <memory>
#include <string>

#include "app/page_country.h"
#include "app/page_iptodomain.h"
#include "app/page_ping.h"
#include "app/page_tracert.h"
#include "app/page_whois.h"
#include "controls/widgets.h"
#include "fake_resolver.h"
#include "gate.h"
#include "page_context_fixture.h"
#include "pump.h"
#include "scripted_dialogs.h"
#include "scripted_echo.h"

namespace orv {
namespace {

struct Case {
    const char* name;
    std::function<TToolPage*(PageContext&)> build;
    std::function<ui::TSpeedButton*(TToolPage*)> button;
    std::function<QString(TToolPage*)> input;
    std::function<ui::TEdit*(TToolPage*)> box;
    const char* expected;  // the input box after the press
    // The operation the press runs: started, or its slot still waiting in the resolver.
    std::function<bool(TToolPage*)> started;
    std::function<const task::TaskSlot*(TToolPage*)> task;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

// Echoes for the ping page; none is sent while the lookups wait.
class Echoes final : public EchoLayer {
  public:
    icmp::EchoFn Open(std::string&) override { return script.Fn(); }
    test::ScriptedEcho script;
};
Echoes g_echoes;

template <typename P>
P* As(TToolPage* p) {
    return static_cast<P*>(p);
}

const Case kCases[] = {
    {"IP-to-Domain", [](PageContext& c) -> TToolPage* { return new TIpToDomainPage(c); },
     [](TToolPage* p) { return As<TIpToDomainPage>(p)->SpeedButton20; },
     [](TToolPage* p) { return As<TIpToDomainPage>(p)->domain_edit->Text(); },
     [](TToolPage* p) { return As<TIpToDomainPage>(p)->domain_edit; }, "www.example.org:8443",
     [](TToolPage* p) { return As<TIpToDomainPage>(p)->FindIpTask().Running(); },
     [](TToolPage* p) { return &As<TIpToDomainPage>(p)->FindIpTask(); }},
    {"Batch Ping",
     [](PageContext& c) -> TToolPage* {
         auto* page = new TBatchPingPage(c);
         page->SetEchoLayer(&g_echoes);
         return page;
     },
     [](TToolPage* p) { return As<TBatchPingPage>(p)->SpeedButton21; },
     [](TToolPage* p) { return As<TBatchPingPage>(p)->Edit7->Text(); },
     [](TToolPage* p) { return As<TBatchPingPage>(p)->Edit7; }, "www.example.org:8443",
     [](TToolPage* p) {
         auto* page = As<TBatchPingPage>(p);
         return page->PingThread().Running() &&
                page->ListBox2->Items() == QStringList{"www.example.org:8443"};
     },
     [](TToolPage* p) { return &As<TBatchPingPage>(p)->PingThread(); }},
    {"Tracert", [](PageContext& c) -> TToolPage* { return new TTracertPage(c); },
     [](TToolPage* p) { return As<TTracertPage>(p)->SpeedButton22; },
     [](TToolPage* p) { return As<TTracertPage>(p)->edTarget->Text(); },
     [](TToolPage* p) { return As<TTracertPage>(p)->edTarget; }, "www.example.org:8443",
     [](TToolPage* p) { return As<TTracertPage>(p)->acStop->isEnabled(); }, nullptr},
    {"Whois", [](PageContext& c) -> TToolPage* { return new TWhoisPage(c); },
     [](TToolPage* p) { return As<TWhoisPage>(p)->SpeedButton23; },
     [](TToolPage* p) { return As<TWhoisPage>(p)->edDomain->Text(); },
     [](TToolPage* p) { return As<TWhoisPage>(p)->edDomain; }, "example.org",
     [](TToolPage* p) { return As<TWhoisPage>(p)->WhoisThread().Running(); },
     [](TToolPage* p) { return &As<TWhoisPage>(p)->WhoisThread(); }},
    {"Country Lookup", [](PageContext& c) -> TToolPage* { return new TCountryLookupPage(c); },
     [](TToolPage* p) { return As<TCountryLookupPage>(p)->SpeedButton24; },
     [](TToolPage* p) { return As<TCountryLookupPage>(p)->Edit3->Text(); },
     [](TToolPage* p) { return As<TCountryLookupPage>(p)->Edit3; }, "www.example.org:8443",
     [](TToolPage* p) { return As<TCountryLookupPage>(p)->WhereisSingleThread().Running(); },
     [](TToolPage* p) { return &As<TCountryLookupPage>(p)->WhereisSingleThread(); }},
};

class BrowserButtons : public ::testing::TestWithParam<Case> {
  protected:
    void SetUp() override {
        // Every lookup waits here, so nothing the pages start leaves the machine.
        resolver.Block();
        fixture.context.browserUrl = [this] {
            ++requests;
            browser.Pass({}, -1, std::chrono::seconds(20));
            return url;
        };
        page.reset(GetParam().build(fixture.context));
        page->LayOutGrid();
    }
    void TearDown() override {
        resolver.Release();
        browser.Open();
        const task::TaskSlot* slot = GetParam().task ? GetParam().task(page.get()) : nullptr;
        std::shared_ptr<task::WorkerThread> t = slot && !slot->Empty() ? slot->Current() : nullptr;
        page.reset();
        if (t)
            test::PumpUntil([&] { return !t->Running(); });
    }

    test::FakeResolver resolver;
    test::ScriptedDialogs dialogs;
    test::PageContextFixture fixture;
    // The press's ask of the browser has come back and been acted on.
    bool Answered() {
        const task::TaskSlot& t = page->BrowserTask();
        return test::PumpUntil([&] { return !t.Empty() && t.Current()->Finished(); });
    }

    std::unique_ptr<TToolPage> page;
    test::Gate browser;  // where the fake browser answers
    std::string url = "https://www.example.org:8443/docs/page.html";
    std::atomic<int> requests = 0;
};

TEST_P(BrowserButtons, PutTheBrowsersHostIntoThePageAndRunIt) {
    const Case& c = GetParam();
    const QString before = c.input(page.get());
    // The press returns while the browser has not answered.
    browser.Close();
    c.button(page.get())->click();
    ASSERT_TRUE(browser.AwaitWaiting(1, std::chrono::seconds(10)));
    EXPECT_EQ(c.input(page.get()), before);
    EXPECT_FALSE(c.started(page.get()));
    browser.Open();
    ASSERT_TRUE(Answered());
    EXPECT_EQ(requests, 1);
    EXPECT_EQ(c.input(page.get()), c.expected);
    EXPECT_TRUE(c.started(page.get()));
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_P(BrowserButtons, WithoutABrowserTellTheUserAndLeaveThePage) {
    const Case& c = GetParam();
    url = "XXX";
    const QString before = c.input(page.get());
    c.button(page.get())->click();
    ASSERT_TRUE(Answered());
    EXPECT_EQ(requests, 1);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "Internet Explorer is not running!");
    EXPECT_EQ(dialogs.shown[0].caption, "");
    EXPECT_EQ(dialogs.shown[0].icon, ui::Icon::Warning);
    EXPECT_EQ(dialogs.shown[0].buttons, ui::Buttons::Ok);
    EXPECT_EQ(c.input(page.get()), before);
    EXPECT_FALSE(c.started(page.get()));
}

// Typing into the box while the browser is asked makes the typed text the newer request: the
// answer is dropped. A second press replaces the first: one answer, the second's.
TEST_P(BrowserButtons, TypingOrASecondPressSupersedesTheAsk) {
    const Case& c = GetParam();
    browser.Close();
    c.button(page.get())->click();
    ASSERT_TRUE(browser.AwaitWaiting(1, std::chrono::seconds(10)));
    QTest::keyClicks(c.box(page.get()), "typed.example");
    browser.Open();
    ASSERT_TRUE(Answered());
    EXPECT_EQ(c.input(page.get()), "typed.example");
    EXPECT_FALSE(c.started(page.get()));
    EXPECT_TRUE(dialogs.shown.empty());

    browser.Close();
    c.button(page.get())->click();
    ASSERT_TRUE(browser.AwaitWaiting(1, std::chrono::seconds(10)));
    const std::shared_ptr<task::WorkerThread> first = page->BrowserTask().Current();
    url = "XXX";  // what the first press would hear
    c.button(page.get())->click();
    ASSERT_TRUE(browser.AwaitWaiting(2, std::chrono::seconds(10)));
    browser.Open();
    ASSERT_TRUE(Answered());
    ASSERT_TRUE(test::PumpUntil([&] { return !first->Running(); }));
    test::Settle();
    EXPECT_TRUE(first->Halted());
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "Internet Explorer is not running!");
}

INSTANTIATE_TEST_SUITE_P(Pages, BrowserButtons, ::testing::ValuesIn(kCases), [](const auto& info) {
    std::string n = info.param.name;
    std::erase_if(n, [](char ch) { return !std::isalnum(static_cast<unsigned char>(ch)); });
    return n;
});

}  // namespace
}  // namespace orv

namespace orv {
namespace {

// A page opened by address: Whois asks for the address's name, off the main thread, and sends
// its base domain, or the address itself when it has none; never its last two fields, and
// never a port, as a send-to makes it.
TEST(WhoisBrowserButton, NamesAPageOpenedByAddress) {
    test::FakeResolver resolver;
    resolver.Add("box.lab.example.test", {"127.0.0.2"});
    test::ScriptedDialogs dialogs;
    test::PageContextFixture fixture;
    std::string url;
    fixture.context.browserUrl = [&url] { return url; };
    TWhoisPage page(fixture.context);
    struct Case {
        const char* url;
        const char* domain;
    } cases[] = {
        {"http://127.0.0.2/docs/a.html", "example.test"},
        {"http://127.0.0.3/", "127.0.0.3"},
        {"http://127.0.0.2:8080/p/3", "example.test"},
        {"https://www.example.org/", "example.org"},
    };
    for (const Case& c : cases) {
        url = c.url;
        resolver.Block();
        page.SpeedButton23->click();
        if (std::string(c.url).find("127.") != std::string::npos) {
            ASSERT_TRUE(test::PumpUntil([&] { return resolver.Waiting() == 1; })) << c.url;
            EXPECT_NE(page.edDomain->Text(), c.domain) << c.url;
        }
        resolver.Release();
        const task::TaskSlot& t = page.BrowserTask();
        ASSERT_TRUE(test::PumpUntil([&] { return t.Current()->Finished(); })) << c.url;
        EXPECT_EQ(page.edDomain->Text(), c.domain) << c.url;
        ASSERT_TRUE(test::PumpUntil([&] { return page.whois_start_button->isEnabled(); })) << c.url;
    }
    EXPECT_TRUE(dialogs.shown.empty());

    // While the name is looked up the page says it works on the address; a user action on the
    // page (Stop here) takes the page over, and the late name is dropped.
    url = "http://127.0.0.2/late";
    resolver.Block();
    page.SpeedButton23->click();
    ASSERT_TRUE(test::PumpUntil([&] { return page.edDomain->Text() == "127.0.0.2"; }));
    EXPECT_EQ(page.state_label->Caption(), "Working...");
    EXPECT_FALSE(page.whois_start_button->isEnabled());
    const std::shared_ptr<task::WorkerThread> press = page.BrowserTask().Current();
    page.button3->click();
    EXPECT_EQ(page.state_label->Caption(), "Done!");
    EXPECT_TRUE(page.whois_start_button->isEnabled());
    const std::shared_ptr<task::WorkerThread> query = page.WhoisThread().Current();
    resolver.Release();
    ASSERT_TRUE(test::PumpUntil([&] { return !press->Running(); }));
    test::Settle();
    EXPECT_TRUE(press->Halted());
    EXPECT_EQ(page.WhoisThread().Current(), query);
    EXPECT_EQ(page.edDomain->Text(), "127.0.0.2");
    EXPECT_EQ(page.state_label->Caption(), "Done!");
}

}  // namespace
}  // namespace orv
