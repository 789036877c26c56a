// The real main window, built offscreen: start-up, settings.ini, the close question, menus.
#include "app/main_window.h"

#include <gtest/gtest.h>

#include <lz4.h>
#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QProxyStyle>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "app/app_windows.h"
#include "app/page_country.h"
#include "app/page_iptodomain.h"
#include "app/page_localinfo.h"
#include "app/page_monitor.h"
#include "app/page_ping.h"
#include "app/page_scanner.h"
#include "app/page_tracert.h"
#include "app/page_whois.h"
#include "app/send_to.h"
#include "browser_fixtures.h"
#include "controls/stringgrid.h"
#include "fake_resolver.h"
#include "gate.h"
#include "lookup/name_resolution.h"
#include "navbar/image_list.h"
#include "navbar/navigation_bar.h"
#include "platform/shell.h"
#include "pump.h"
#include "scripted_dialogs.h"

namespace orv {
namespace {

class FakeScanner final : public ScannerControl {
  public:
    bool working = false;
    bool stopping = false;
    int shutdowns = 0;
    bool IsWorking() const override { return working; }
    bool IsStopping() const override { return stopping; }
    void ShutdownScan() override { ++shutdowns; }
};

std::vector<std::string> g_opened;
bool RecordOpen(const std::string& target) {
    g_opened.push_back(target);
    return true;
}

class MainWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        savedConfigHome = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        configFolder = QDir(config.path()).absolutePath().toStdString() + "/orvelan/";
        folder = QDir(dir.path()).absolutePath().toStdString() + "/";
        g_opened.clear();
        SetShellOpenHook(RecordOpen);
    }
    void TearDown() override {
        win.reset();
        SetShellOpenHook(nullptr);
        qputenv("XDG_CONFIG_HOME", savedConfigHome);
    }

    std::string SettingsPath() const { return folder + "settings.ini"; }
    void WriteSettings(const std::string& text) { std::ofstream(SettingsPath()) << text; }
    std::string ReadSettingsText() const {
        std::ifstream in(SettingsPath());
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    bool SettingsExist() const { return QFile::exists(QString::fromStdString(SettingsPath())); }
    Tmain& Build() {
        win = std::make_unique<Tmain>(folder, &scanner);
        return *win;
    }
    IniFile Saved() const { return IniFile(SettingsPath()); }

    QTemporaryDir dir;
    std::string folder;
    QTemporaryDir config;  // XDG_CONFIG_HOME
    QByteArray savedConfigHome;
    std::string configFolder;
    test::ScriptedDialogs dialogs;
    FakeScanner scanner;
    std::unique_ptr<Tmain> win;
};

TEST_F(MainWindow, FirstStartWithoutSettings) {
    Tmain& m = Build();
    EXPECT_EQ(m.windowTitle(), "Orvelan");
    EXPECT_EQ(m.size(), QSize(765, 532));
    EXPECT_EQ(m.mainpage->PageCount(), 8);
    EXPECT_EQ(m.mainpage->ActivePageIndex(), 0);
    EXPECT_FALSE(m.whois_tab->CheckBox7->Checked());
    EXPECT_FALSE(m.whois_tab->edit10->isEnabled());
    EXPECT_EQ(m.whois_tab->edit10->Text(), "");
    EXPECT_EQ(m.Context().openList.initialDir.toStdString(), folder);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_FALSE(SettingsExist());
    EXPECT_TRUE(m.close());
    EXPECT_EQ(ReadSettingsText(), "[whois]\ncustomized=false\nserver=\n[tab]\ntab=0\n");
}

// A running Firefox in a home folder of the test's own, whose open tab shows `url`.
std::unique_ptr<test::ProfileLock> RunFirefox(const std::string& home, const std::string& url) {
    namespace fs = std::filesystem;
    const fs::path root = fs::path(home) / ".mozilla/firefox";
    test::WriteFile(root / "profiles.ini", "[Profile0]\nPath=p.default\nDefault=1\n");
    test::WriteFile(root / "p.default/sessionstore-backups/recovery.jsonlz4",
                    test::MozLz4(test::OneTabSession(url)));
    return std::make_unique<test::ProfileLock>(root / "p.default");
}

bool PrefillDone(Tmain& m) {
    const task::TaskSlot& t = m.PrefillTask();
    return test::PumpUntil([&] { return !t.Empty() && t.Current()->Finished(); });
}

TEST_F(MainWindow, StartUpFillsTheInputsFromTheBrowsersPage) {
    const QByteArray savedHome = qgetenv("HOME");
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    test::FakeResolver resolver;
    resolver.Add("box.lab.example.test", {"127.0.0.2"});
    struct Case {
        const char* url;
        const char* host;   // "": the inputs keep their defaults
        const char* whois;  // what the Whois box gets
    } cases[] = {
        {"https://www.example.org:8443/docs/a.html", "www.example.org:8443", "example.org"},
        {"file:///home/u/a.html", "", ""},
        {"about:blank", "", ""},
        {"about:newtab", "", ""},
        {"about:home", "", ""},
        // Opened by address: Whois gets the name's base domain, or the address without one.
        {"http://127.0.0.2/docs/", "127.0.0.2", "example.test"},
        {"http://127.0.0.3/", "127.0.0.3", "127.0.0.3"},
        {"http://127.0.0.2:8080/p/3", "127.0.0.2:8080", "example.test"},
    };
    for (const Case& c : cases) {
        const auto firefox = RunFirefox(home.path().toStdString(), c.url);
        Tmain& m = Build();
        ASSERT_TRUE(PrefillDone(m)) << c.url;
        const QString host = c.host;
        EXPECT_EQ(m.ip_to_domain_converter_tab->domain_edit->Text(), host) << c.url;
        EXPECT_EQ(m.batch_ping_tab->Edit7->Text(), host) << c.url;
        EXPECT_EQ(m.tracert_tab->edTarget->Text(), host) << c.url;
        EXPECT_EQ(m.whois_tab->edDomain->Text(), c.whois) << c.url;
        EXPECT_EQ(m.country_lookup_tab->Edit3->Text(), host) << c.url;
        EXPECT_EQ(m.website_scanner_tab->Edit111->Text(), host) << c.url;
        EXPECT_EQ(m.GetBrowserHost(), *c.host ? c.host : "XXX") << c.url;
        EXPECT_TRUE(dialogs.shown.empty()) << c.url;
        win.reset();
    }
    // A Firefox that has quit leaves its session file: the inputs keep their defaults.
    {
        auto firefox = RunFirefox(home.path().toStdString(), "https://gone.example/");
        firefox->Release();
        Tmain& m = Build();
        ASSERT_TRUE(PrefillDone(m));
        EXPECT_EQ(m.tracert_tab->edTarget->Text(), "");
        win.reset();
    }
    qputenv("HOME", savedHome);
}

// A HOME of the test's own (no browser of the user's is seen) and a Chromium on loopback,
// found through its port file in `configDir`, whose answers wait until `gate` opens.
struct GatedChromium {
    GatedChromium(const QString& configDir, const char* targets) {
        qputenv("HOME", home.path().toLocal8Bit());
        gate.Close();
        test::ServeDevTools(chromium, targets, [this](test::FixtureConn&) {
            return gate.Pass({}, -1, std::chrono::seconds(20));
        });
        test::WriteFile(
            std::filesystem::path(configDir.toStdString()) / "chromium/DevToolsActivePort",
            std::to_string(chromium.Port()) + "\n/devtools/browser/1\n");
    }
    ~GatedChromium() { qputenv("HOME", savedHome); }
    GatedChromium(const GatedChromium&) = delete;
    GatedChromium& operator=(const GatedChromium&) = delete;

    const QByteArray savedHome = qgetenv("HOME");
    QTemporaryDir home;
    test::Gate gate;
    test::FixtureServer chromium;
};

// The browser is asked on a worker: the window is built, shown and answers before the browser
// does, and a box the user typed into meanwhile keeps what they typed.
TEST_F(MainWindow, StartUpDoesNotWaitForTheBrowser) {
    GatedChromium browser(config.path(),
                          R"([{"type":"page","url":"https://busy.example/x","title":"X"}])");
    test::Gate& gate = browser.gate;

    Tmain& m = Build();
    m.show();
    ASSERT_TRUE(gate.AwaitWaiting(1, std::chrono::seconds(10)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&m));
    EXPECT_EQ(m.tracert_tab->edTarget->Text(), "");
    m.raceroute1Click();
    QTest::keyClicks(m.tracert_tab->edTarget, "typed.example");
    gate.Open();
    ASSERT_TRUE(PrefillDone(m));
    EXPECT_EQ(m.tracert_tab->edTarget->Text(), "typed.example");
    EXPECT_EQ(m.batch_ping_tab->Edit7->Text(), "busy.example");
    EXPECT_EQ(m.whois_tab->edDomain->Text(), "busy.example");
    EXPECT_EQ(m.website_scanner_tab->Edit111->Text(), "busy.example");
    win.reset();
}

// The window may go while the browser is still being asked, by the pre-fill and by a press:
// the asks end on their own and touch nothing of it.
TEST_F(MainWindow, ClosingWhileTheBrowserIsAskedIsSafe) {
    GatedChromium browser(config.path(),
                          R"([{"type":"page","url":"https://late.example/","title":"L"}])");
    test::Gate& gate = browser.gate;

    Tmain& m = Build();
    m.tracert_tab->SpeedButton22->click();
    ASSERT_TRUE(gate.AwaitWaiting(1, std::chrono::seconds(10)));
    const std::shared_ptr<task::WorkerThread> prefill = m.PrefillTask().Current();
    const std::shared_ptr<task::WorkerThread> press = m.tracert_tab->BrowserTask().Current();
    win.reset();
    gate.Open();
    ASSERT_TRUE(test::PumpUntil([&] { return !prefill->Running() && !press->Running(); }));
    test::Settle();
    EXPECT_FALSE(prefill->Finished());
    EXPECT_FALSE(press->Finished());
    EXPECT_TRUE(dialogs.shown.empty());
}

// A send-to is newer than a browser button press its target page still waits on: the press's
// late answer is dropped.
TEST_F(MainWindow, ASendToSupersedesABrowserPressStillWaiting) {
    test::FakeResolver resolver;
    resolver.Add("sent.example", {"127.0.0.9"});
    resolver.Add("browser.example", {"127.0.0.8"});
    Tmain& m = Build();
    ASSERT_TRUE(PrefillDone(m));
    test::Gate gate;
    gate.Close();
    m.SetBrowserLink([&gate] {
        gate.Pass({}, -1, std::chrono::seconds(20));
        return std::string("https://browser.example/page");
    });
    m.ip_to_domain_converter_tab->SpeedButton20->click();
    ASSERT_TRUE(gate.AwaitWaiting(1, std::chrono::seconds(10)));
    const std::shared_ptr<task::WorkerThread> press =
        m.ip_to_domain_converter_tab->BrowserTask().Current();
    m.Context().sendTargets->Send(SendTarget::NameToAddress, "sent.example", m.Channel());
    EXPECT_EQ(m.ip_to_domain_converter_tab->domain_edit->Text(), "sent.example");
    gate.Open();
    ASSERT_TRUE(test::PumpUntil([&] { return !press->Running(); }));
    test::Settle();
    EXPECT_TRUE(press->Halted());
    EXPECT_EQ(m.ip_to_domain_converter_tab->domain_edit->Text(), "sent.example");
}

TEST_F(MainWindow, CustomizedMustBeExactlyTrue) {
    struct Case {
        const char* value;
        bool checked;
    } cases[] = {{"true", true},  {"True", false},  {"TRUE", false}, {"false", false},
                 {" true", true}, {"true\t", true}, {"1", false},    {"", false}};
    for (const auto& c : cases) {
        WriteSettings(std::string("[whois]\ncustomized=") + c.value + "\nserver=whois.test\n");
        Tmain& m = Build();
        EXPECT_EQ(m.whois_tab->CheckBox7->Checked(), c.checked) << c.value;
        EXPECT_EQ(m.whois_tab->edit10->isEnabled(), c.checked) << c.value;
        EXPECT_EQ(m.whois_tab->edit10->Text(), "whois.test");
        win.reset();
    }
}

TEST_F(MainWindow, CloseWritesTheThreeKeysTrimmedAndKeepsOtherSections) {
    WriteSettings("[mine]\nx=1\n[whois]\ncustomized=false\n");
    Tmain& m = Build();
    m.whois_tab->CheckBox7->click();  // as the user does: enables the box
    EXPECT_TRUE(m.whois_tab->edit10->isEnabled());
    m.whois_tab->edit10->SetText("  whois.example.net \t");
    m.Whois5Click();
    EXPECT_TRUE(m.close());
    IniFile saved = Saved();
    EXPECT_EQ(saved.ReadString("whois", "customized", ""), "true");
    EXPECT_EQ(saved.ReadString("whois", "server", ""), "whois.example.net");
    EXPECT_EQ(saved.ReadInteger("tab", "tab", -9), 3);
    EXPECT_EQ(saved.ReadString("mine", "x", ""), "1");
}

// A file written by hand, as an editor saves it: blanks around "=", CR LF, a byte-order mark.
TEST_F(MainWindow, HandWrittenSettingsAreReadAndKeptByTheClose) {
    const std::string text =
        "\xEF\xBB\xBF[whois]\r\ncustomized = true\r\nserver = whois.example.net\r\n\r\n"
        "; mine\r\n[tab]\r\ntab = 3\r\n[mine]\r\nx = 1\r\r\n";
    WriteSettings(text);
    Tmain& m = Build();
    EXPECT_TRUE(m.whois_tab->CheckBox7->Checked());
    EXPECT_TRUE(m.whois_tab->edit10->isEnabled());
    EXPECT_EQ(m.whois_tab->edit10->Text(), "whois.example.net");
    EXPECT_EQ(m.mainpage->ActivePageIndex(), 3);
    EXPECT_TRUE(m.close());
    EXPECT_EQ(ReadSettingsText(), text) << "nothing changed, so nothing moved";
    win.reset();

    // A change rewrites only its own line.
    Tmain& again = Build();
    again.whois_tab->CheckBox7->click();
    EXPECT_TRUE(again.close());
    std::string expected = text;
    expected.replace(expected.find("customized = true"), 17, "customized = false");
    EXPECT_EQ(ReadSettingsText(), expected);
    EXPECT_TRUE(dialogs.shown.empty());
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// An installed program: its folder takes no file (here it is no folder at all, which holds for
// root too). settings.ini then lives in the user's configuration folder, made when first
// written, and is read from there at the next start.
TEST_F(MainWindow, UnwritableProgramFolderKeepsSettingsInTheConfigFolder) {
    std::ofstream(folder + "orvelan") << "a program, not a folder";
    folder += "orvelan/";
    Tmain& m = Build();
    m.Whois5Click();
    EXPECT_TRUE(m.close());
    EXPECT_TRUE(dialogs.shown.empty()) << dialogs.shown[0].text.toStdString();
    EXPECT_EQ(Slurp(configFolder + "settings.ini"),
              "[whois]\ncustomized=false\nserver=\n[tab]\ntab=3\n");
    win.reset();

    Tmain& again = Build();
    EXPECT_EQ(again.mainpage->ActivePageIndex(), 3);
    again.ConnectionMonitor1Click();
    EXPECT_TRUE(again.close());
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(Saved().ReadInteger("tab", "tab", -9), -9) << "nothing in the program folder";
    EXPECT_EQ(IniFile(configFolder + "settings.ini").ReadInteger("tab", "tab", -9), 6);
}

// A settings.ini in the configuration folder is the one in use, even beside a writable one.
TEST_F(MainWindow, SettingsInTheConfigFolderWin) {
    const std::string inProgram = "[tab]\ntab=2\n";
    WriteSettings(inProgram);
    QDir().mkpath(QString::fromStdString(configFolder));
    std::ofstream(configFolder + "settings.ini") << "[tab]\ntab=5\n";
    Tmain& m = Build();
    EXPECT_EQ(m.mainpage->ActivePageIndex(), 5);
    m.ConnectionMonitor1Click();
    EXPECT_TRUE(m.close());
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(IniFile(configFolder + "settings.ini").ReadInteger("tab", "tab", -9), 6);
    EXPECT_EQ(ReadSettingsText(), inProgram);
}

TEST_F(MainWindow, SavedPageIsRestored) {
    struct Case {
        const char* tab;
        int active;
    } cases[] = {{"4", 4}, {"7", 7}, {"0", 0}, {"8", -1}, {"-1", -1}, {"junk", 0}};
    for (const auto& c : cases) {
        WriteSettings(std::string("[tab]\ntab=") + c.tab + "\n");
        Tmain& m = Build();
        EXPECT_EQ(m.mainpage->ActivePageIndex(), c.active) << c.tab;
        win.reset();
    }
    // No page shown until the user picks one; then that page shows.
    WriteSettings("[tab]\ntab=99\n");
    Tmain& m = Build();
    EXPECT_EQ(m.mainpage->ActivePage(), nullptr);
    m.ConnectionMonitor1Click();
    EXPECT_EQ(m.mainpage->ActivePage(), m.connection_monitor_tab);
}

TEST_F(MainWindow, ScannerQuestionCancelKeepsWindowAndSettings) {
    Tmain& m = Build();
    m.show();
    scanner.working = true;
    dialogs.answers = {ui::Answer::Cancel};
    EXPECT_FALSE(m.close());
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "Website Scanner is working, exit or not?");
    EXPECT_EQ(dialogs.shown[0].buttons, ui::Buttons::YesCancel);
    EXPECT_TRUE(m.isVisible());
    EXPECT_EQ(scanner.shutdowns, 0);
    EXPECT_FALSE(SettingsExist());
}

TEST_F(MainWindow, ScannerQuestionYesShutsTheScannerDownWithoutSettings) {
    Tmain& m = Build();
    scanner.working = true;
    dialogs.answers = {ui::Answer::Yes};
    EXPECT_FALSE(m.close());  // the scanner ends the program itself, a little later
    EXPECT_EQ(scanner.shutdowns, 1);
    EXPECT_FALSE(SettingsExist());
}

TEST_F(MainWindow, NoQuestionWhileTheScannerStops) {
    Tmain& m = Build();
    scanner.working = true;
    scanner.stopping = true;
    EXPECT_TRUE(m.close());
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_TRUE(SettingsExist());
}

TEST_F(MainWindow, MenuAndSideBarReachEveryPageInTheirOwnOrder) {
    Tmain& m = Build();
    m.ip_to_domain_converter_tab->domain_edit->SetText("keep.me");
    QList<QAction*> items = m.LocalInfomation1->actions();
    QStringList captions;
    for (QAction* a : items)
        if (!a->isSeparator())
            captions << a->text();
    EXPECT_EQ(captions,
              (QStringList{"IP-to-Domain Converter   ", "Batch Ping", "IP-to-Country Converter",
                           "Traceroute", "Whois", "Website Scanner", "Connection Monitor",
                           "Local Information"}));
    // The menu's order is not the page order: Country Lookup is page 4, Tracert page 2.
    const int pageOfItem[] = {0, 1, 4, 2, 3, 5, 6, 7};
    int n = 0;
    for (QAction* a : items) {
        if (a->isSeparator())
            continue;
        a->trigger();
        EXPECT_EQ(m.mainpage->ActivePageIndex(), pageOfItem[n]) << a->text().toStdString();
        ++n;
    }
    struct Button {
        int header, index, page;
    } buttons[] = {{0, 0, 0}, {0, 1, 1}, {0, 2, 4}, {0, 3, 2},
                   {0, 4, 3}, {0, 5, 5}, {0, 6, 6}, {1, 0, 7}};
    for (const auto& b : buttons) {
        m.mxSideBar1->GetHeader(b.header)->GetButton(b.index)->Click();
        EXPECT_EQ(m.mainpage->ActivePageIndex(), b.page);
    }
    EXPECT_EQ(m.ip_to_domain_converter_tab->domain_edit->Text(), "keep.me");
    EXPECT_TRUE(dialogs.shown.empty());
}

// The bar as the window stores it: docked left at its width, two headers of tool buttons.
TEST_F(MainWindow, SideBarIsDockedLeftWithTheToolButtons) {
    Tmain& m = Build();
    m.show();
    TmxSideBar& bar = *m.mxSideBar1;
    const QWidget* central = m.centralWidget();
    EXPECT_EQ(bar.geometry(), QRect(0, 0, 153, central->height()));
    EXPECT_EQ(m.mainpage->geometry().left(), 153);
    EXPECT_EQ(m.mainpage->geometry().right(), central->width() - 1);

    ASSERT_EQ(bar.HeaderCount(), 2);
    const TmxHeaderOptions headerOptions =
        HeaderOptions({hoButtonDown, hoDrawBorder, hoRoundedHeader, hoShowStatusButton});
    const char* headerNames[] = {"mxHeader1", "mxHeader2"};
    const int buttonCounts[] = {7, 1};
    for (int h = 0; h < 2; ++h) {
        TmxHeader& header = *bar.GetHeader(h);
        EXPECT_EQ(header.Name(), headerNames[h]);
        EXPECT_EQ(header.Caption(), "");
        EXPECT_TRUE(header.Opened());
        EXPECT_EQ(header.Options(), headerOptions) << h;
        EXPECT_EQ(header.Images().Small(), m.ImageList1.get());
        EXPECT_EQ(header.GetButtonCount(), buttonCounts[h]);
    }
    EXPECT_EQ(bar.CloseButton().Caption(), "Favorites");
    EXPECT_FALSE(bar.CloseButton().Visible());
    EXPECT_EQ(bar.ActiveHeader(), bar.GetHeader(0));
    EXPECT_EQ(bar.ViewStyle(), vsExplorerBar);
    TmxBarSettings& s = bar.Settings();
    EXPECT_EQ(s.Height(), 25);
    EXPECT_EQ(s.ButtonView(), bvWindows2000);
    EXPECT_EQ(s.ButtonStyle(), bsSmall);
    EXPECT_EQ(s.CaptionStyle(), csCustomDraw);
    EXPECT_EQ(s.HeaderPen().Width(), 2);
    // The look is loaded, not painted: the bar's colour already is its background's.
    EXPECT_EQ(bar.Color(), bar.Background().Color());

    struct Button {
        int header, index;
        const char* caption;
        int image;
    } buttons[] = {
        {0, 0, "IP Domain Converter", 0},
        {0, 1, "Batch Ping", 1},
        {0, 2, "IP Country Converter", 2},
        {0, 3, "Traceroute", 3},
        {0, 4, "Whois", 4},
        {0, 5, "Website Scanner", 5},
        {0, 6, "Connection Monitor", 6},
        {1, 0, "Local Information", 7},
    };
    for (const Button& b : buttons) {
        SCOPED_TRACE(b.caption);
        TmxButton& button = *bar.GetHeader(b.header)->GetButton(b.index);
        EXPECT_EQ(button.Caption(), b.caption);
        EXPECT_EQ(button.ImageIndex(), b.image);
        EXPECT_EQ(button.ButtonStyle(), bsLarge);
        EXPECT_EQ(button.ButtonView(), bvNormal);
        EXPECT_EQ(button.Options(), ButtonOptions({boAutoWidthLabel, boUnderlineFont}));
        EXPECT_TRUE(button.AutoSize());
        EXPECT_TRUE(button.Transparent());
        // The settings of the bar are in force, and so is the header's small list.
        EXPECT_EQ(button.GetActiveStyle(), bsSmall);
        EXPECT_EQ(button.GetActiveView(), bvWindows2000);
        EXPECT_EQ(button.GetImageList(), m.ImageList1.get());
    }
    // One picture per tool, each with its double-size version.
    ASSERT_EQ(m.ImageList1->Count(), 8);
    EXPECT_EQ(m.ImageList1->Width(), 16);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(m.ImageList1->DoubleSize(i).size(), QSize(32, 32)) << i;
}

TEST_F(MainWindow, WindowOpensInThePageAndTabReachesTheBarLast) {
    Tmain& m = Build();
    m.show();
    m.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m));
    QWidget* first = QApplication::focusWidget();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(m.mainpage->isAncestorOf(first));
    // The bar follows the last field of the window in the Tab order.
    QWidget* w = first;
    while (w->nextInFocusChain() != m.mxSideBar1 && w->nextInFocusChain() != first) {
        w = w->nextInFocusChain();
    }
    ASSERT_EQ(w->nextInFocusChain(), m.mxSideBar1);
    for (QWidget* after = m.mxSideBar1->nextInFocusChain(); after != first;
         after = after->nextInFocusChain()) {
        EXPECT_FALSE(after->focusPolicy() & Qt::TabFocus && after->isVisibleTo(&m) &&
                     m.mainpage->isAncestorOf(after) && after->isEnabled() &&
                     m.mainpage->currentWidget()->isAncestorOf(after))
            << "a field of the shown page after the bar";
    }
}

// A bar button shows its page and changes nothing else: no input, result, setting, tool, dialog
// or state of the bar itself.
TEST_F(MainWindow, SideBarClickShowsItsPageAndTouchesNothingElse) {
    Tmain& m = Build();
    m.ip_to_domain_converter_tab->domain_edit->SetText("keep.me");
    m.batch_ping_tab->Edit7->SetText("10.0.0.1");
    m.whois_tab->CheckBox7->SetChecked(true);
    TmxSideBar& bar = *m.mxSideBar1;
    auto state = [&] {
        std::ostringstream out;
        out << m.ip_to_domain_converter_tab->domain_edit->Text().toStdString() << '|'
            << m.batch_ping_tab->Edit7->Text().toStdString() << '|'
            << m.whois_tab->CheckBox7->Checked() << m.whois_tab->edit10->isEnabled() << '|'
            << m.batch_ping_tab->StringGrid1->RowCount() << ','
            << m.ip_to_domain_converter_tab->StringGrid2->RowCount() << ','
            << m.country_lookup_tab->StringGrid3->RowCount() << ','
            << m.connection_monitor_tab->sgConnHist->RowCount() << ','
            << m.website_scanner_tab->StringGrid4->RowCount() << '|'
            << m.connection_monitor_tab->Timer->Enabled() << '|' << bar.GetActiveIndex();
        for (int h = 0; h < bar.HeaderCount(); ++h)
            out << '|' << bar.GetHeader(h)->Opened() << bar.GetHeader(h)->SelectedIndex()
                << bar.GetHeader(h)->FirstShown();
        return out.str();
    };
    const std::string before = state();
    struct Click {
        int header, index, page;
    } clicks[] = {{1, 0, 7}, {0, 0, 0}, {0, 1, 1}, {0, 2, 4},
                  {0, 3, 2}, {0, 4, 3}, {0, 5, 5}, {0, 6, 6}};
    for (const Click& c : clicks) {
        bar.GetHeader(c.header)->GetButton(c.index)->Click();
        EXPECT_EQ(m.mainpage->ActivePageIndex(), c.page) << c.header << "/" << c.index;
        EXPECT_EQ(state(), before);
    }
    EXPECT_EQ(scanner.shutdowns, 0);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_TRUE(g_opened.empty());
    EXPECT_FALSE(SettingsExist());
}

TEST_F(MainWindow, MenuCaptionsKeepTheirBlanks) {
    Tmain& m = Build();
    QStringList menus;
    for (QAction* a : m.menuBar()->actions())
        menus << a->text();
    EXPECT_EQ(menus, (QStringList{"  File  ", "Function View", "  Help  "}));
    EXPECT_EQ(m.Exit1->text(), "     Exit     ");
    QStringList help;
    for (QAction* a : m.menuBar()->actions().at(2)->menu()->actions())
        help << (a->isSeparator() ? QString("-") : a->text());
    EXPECT_EQ(help,
              (QStringList{"Help Topic", "-", "Email Support", "Orvelan Website", "-", "About"}));
}

TEST_F(MainWindow, GridsAreLaidOutWithHeadingsAndWidths) {
    Tmain& m = Build();
    auto headings = [](const ui::TStringGrid* g) {
        QStringList h;
        for (int c = 0; c < g->ColCount(); ++c)
            h << g->Cells(c, 0);
        return h;
    };
    auto widths = [](const ui::TStringGrid* g) {
        std::vector<int> w;
        for (int c = 0; c < g->ColCount(); ++c)
            w.push_back(g->ColWidth(c));
        return w;
    };
    auto* ping = m.batch_ping_tab->StringGrid1;
    EXPECT_EQ(headings(ping), (QStringList{"Status", "IP or Domain/Host Name", "Bytes", "Time(ms)",
                                           "Failed Reason"}));
    EXPECT_EQ(widths(ping), (std::vector<int>{50, 150, 40, 65, 2000}));
    EXPECT_EQ(ping->RowCount(), 2);
    EXPECT_EQ(headings(m.ip_to_domain_converter_tab->StringGrid2),
              (QStringList{"Domain / Host Name", "IP Address"}));
    EXPECT_EQ(widths(m.ip_to_domain_converter_tab->StringGrid2), (std::vector<int>{200, 2000}));
    EXPECT_EQ(headings(m.country_lookup_tab->StringGrid3),
              (QStringList{"Domain Name / IP Address", "Country"}));
    EXPECT_EQ(widths(m.country_lookup_tab->StringGrid3), (std::vector<int>{160, 2000}));
    auto* hist = m.connection_monitor_tab->sgConnHist;
    // Date and time are widened where the font needs it (the monitor's own tests check that).
    std::vector<int> histWidths = widths(hist);
    EXPECT_GE(histWidths[0], 62);
    EXPECT_GE(histWidths[1], 60);
    EXPECT_EQ(std::vector<int>(histWidths.begin() + 2, histWidths.end()),
              (std::vector<int>{85, 50, 85, 60, 60, 2000}));
    EXPECT_EQ(hist->FixedRows(), 0);
    EXPECT_EQ(hist->RowCount(), 1);
    EXPECT_TRUE(m.connection_monitor_tab->Timer->Enabled());
    EXPECT_EQ(m.connection_monitor_tab->Timer->Interval(), 500);
    EXPECT_EQ(widths(m.website_scanner_tab->StringGrid4), (std::vector<int>{40, 2000}));
    EXPECT_EQ(m.website_scanner_tab->StringGrid4->FixedRows(), 0);
}

TEST_F(MainWindow, PageHeadersCarryTheirTitles) {
    Tmain& m = Build();
    const char* titles[] = {
        "IP Domain Converter",  "Batch Ping",      "Traceroute",         "Whois",
        "IP Country Converter", "Website Scanner", "Connection Monitor", ""};
    const char* captions[] = {"IP-to-Domain Converter",
                              "Batch Ping",
                              "Tracert",
                              "Whois",
                              "Country Lookup",
                              "Website Scanner",
                              "Connection Monitor",
                              "Local Infomation"};
    for (int i = 0; i < 8; ++i) {
        auto* page = static_cast<TToolPage*>(m.mainpage->Page(i));
        EXPECT_EQ(page->Title(), titles[i]);
        EXPECT_EQ(page->HasBanner(), i < 7) << i;  // decoded through libjpeg
        EXPECT_EQ(m.mainpage->PageCaption(i), captions[i]);
    }
}

TEST_F(MainWindow, FailedSocketsStartShowsTheErrorAndCloseStillWorks) {
    test::FakeResolver fake;
    fake.startupOk = false;
    WriteSettings("[whois]\ncustomized=true\nserver=kept\n[tab]\ntab=3\n");
    Tmain& m = Build();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "Winsock Version Error");
    EXPECT_EQ(dialogs.shown[0].caption, "Orvelan");
    EXPECT_EQ(dialogs.shown[0].icon, ui::Icon::Error);
    // The rest of start-up did not run: no layout, no poll, no settings applied.
    EXPECT_EQ(m.country_lookup_tab->StringGrid3->Cells(0, 0), "");
    EXPECT_FALSE(m.connection_monitor_tab->Timer->Enabled());
    EXPECT_FALSE(m.whois_tab->CheckBox7->Checked());
    EXPECT_EQ(m.mainpage->ActivePageIndex(), 0);
    EXPECT_TRUE(m.close());
    EXPECT_TRUE(SettingsExist());
    win.reset();
    EXPECT_EQ(fake.cleanups, 0);  // never started, never cleaned up
}

TEST_F(MainWindow, SocketsAreCleanedUpWhenTheWindowGoes) {
    test::FakeResolver fake;
    Build();
    win.reset();
    EXPECT_EQ(fake.cleanups, 1);
}

// A point of `w` with no child under it.
QPoint FreeSpot(QWidget* w) {
    for (int y = w->height() - 4; y > 0; y -= 4)
        for (int x = 4; x < w->width(); x += 4)
            if (w->childAt(x, y) == nullptr)
                return {x, y};
    ADD_FAILURE() << "no free spot";
    return {};
}

// Only a drag on free client area moves the window: a click never starts a move (a window
// manager may never end one begun by a press that is already over), nor does a press that a
// control takes, the side bar's included.
TEST_F(MainWindow, OnlyADragOnFreeClientAreaMovesTheWindow) {
    Tmain& m = Build();
    int moves = 0;
    m.StartWindowMove = [&] {
        ++moves;
        return true;
    };
    m.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&m));
    QWidget* body = m.ip_to_domain_converter_tab->Body();
    TmxSideBar* bar = m.mxSideBar1;
    const int far = QApplication::startDragDistance();
    const QPoint caption = bar->GetHeader(0)->CaptionRect().ToQRect().center();
    struct Case {
        const char* what;
        QWidget* w;
        QPoint at;
        Qt::MouseButton button;
        QPoint drag;
        bool moves;
    } cases[] = {
        {"a click on free area", body, FreeSpot(body), Qt::LeftButton, {0, 0}, false},
        {"a press that moves less than the drag distance",
         body,
         FreeSpot(body),
         Qt::LeftButton,
         {far - 1, 0},
         false},
        {"a drag on free area", body, FreeSpot(body), Qt::LeftButton, {far, far}, true},
        {"a drag with the right button", body, FreeSpot(body), Qt::RightButton, {30, 30}, false},
        {"a drag from an edit",
         m.ip_to_domain_converter_tab->domain_edit,
         {5, 5},
         Qt::LeftButton,
         {30, 0},
         false},
        {"a drag from a caption of the side bar", bar, caption, Qt::LeftButton, {0, 30}, false},
        {"a drag from the side bar below its headers",
         bar,
         {bar->width() / 2, bar->height() - 5},
         Qt::LeftButton,
         {0, -30},
         false},
    };
    for (const Case& c : cases) {
        moves = 0;
        QTest::mousePress(c.w, c.button, {}, c.at);
        QTest::mouseMove(c.w, c.at + c.drag);
        const QPoint end = c.moves ? c.at + 2 * c.drag : c.at + c.drag;
        QTest::mouseMove(c.w, end);  // a drag that goes on starts no second move
        QCoreApplication::processEvents();
        QTest::mouseMove(c.w, end);
        QTest::mouseRelease(c.w, c.button, {}, end);
        // A move after the release, with no button held, starts nothing either.
        QTest::mouseMove(c.w, end + QPoint(far, far));
        QCoreApplication::processEvents();
        EXPECT_EQ(moves, c.moves ? 1 : 0) << c.what;
    }

    // A window manager that holds the pointer's events for a moment after a press makes X11
    // report a click's release where the pointer went next; Qt then delivers a move with the
    // button held just before that release. That click moves nothing, and the window is not
    // left in a move that waits for a release already gone.
    moves = 0;
    QWindow* window = m.windowHandle();
    const QPoint spot = body->mapTo(&m, FreeSpot(body));
    QTest::mousePress(window, Qt::LeftButton, {}, spot);
    QTest::mouseRelease(window, Qt::LeftButton, {}, spot + QPoint(3 * far, -3 * far));
    QCoreApplication::processEvents();
    EXPECT_EQ(moves, 0) << "a click whose release was reported further on";
}

// A style whose menu bars leave Alt alone, as some desktops' styles do.
class NoAltMenuBarStyle final : public QProxyStyle {
  public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_MenuBar_AltKeyNavigation)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

// Alt tapped alone and F10 take the keyboard to the menu bar, whatever field has it; there the
// arrows and Enter open the menus, and Alt or F10 again give the field its focus back. Alt
// with a letter opens the menu of that letter.
TEST_F(MainWindow, AltAndF10SelectTheMenuBar) {
    // Whatever the desktop's style makes of Alt in menu bars.
    struct StyleBack {
        QString name = QApplication::style()->name();
        ~StyleBack() { QApplication::setStyle(name); }
    } back;
    QApplication::setStyle(new NoAltMenuBarStyle);
    Tmain& m = Build();
    m.show();
    m.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m));
    QMenuBar* bar = m.menuBar();
    const QList<QAction*> menus = bar->actions();
    QWidget* field = m.ip_to_domain_converter_tab->domain_edit;
    field->setFocus();
    struct Way {
        const char* what;
        std::function<void()> press;
    } ways[] = {
        {"Alt", [] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Alt, Qt::AltModifier); }},
        {"F10", [] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_F10); }},
    };
    for (const Way& way : ways) {
        ASSERT_EQ(QApplication::focusWidget(), field) << way.what;
        way.press();
        EXPECT_EQ(bar->activeAction(), menus.at(0)) << way.what << " selects the File menu";
        EXPECT_TRUE(bar->hasFocus()) << way.what;
        QTest::keyClick(bar, Qt::Key_Right);
        EXPECT_EQ(bar->activeAction(), menus.at(1)) << way.what << ", Right";
        QTest::keyClick(bar, Qt::Key_Left);
        QTest::keyClick(bar, Qt::Key_Return);
        QMenu* file = menus.at(0)->menu();
        EXPECT_TRUE(file->isVisible()) << way.what << ", Enter opens the File menu";
        QTest::keyClick(file, Qt::Key_Escape);
        EXPECT_FALSE(file->isVisible());
        // Once more leaves the menu bar.
        way.press();
        EXPECT_EQ(bar->activeAction(), nullptr) << way.what << " again";
        EXPECT_EQ(QApplication::focusWidget(), field) << way.what << " again";
    }
    // Alt with a letter opens the menu whose caption starts with it; it never types.
    struct Letter {
        Qt::Key key;
        int menu;  // -1: none
    } letters[] = {{Qt::Key_F, 0}, {Qt::Key_H, 2}, {Qt::Key_Q, -1}};
    for (const Letter& l : letters) {
        field->setFocus();
        QTest::keyClick(field, l.key, Qt::AltModifier);
        QMenu* open = l.menu < 0 ? nullptr : menus.at(l.menu)->menu();
        for (int i = 0; i < menus.size(); ++i)
            EXPECT_EQ(menus.at(i)->menu()->isVisible(), i == l.menu)
                << QKeySequence(l.key).toString().toStdString() << ": menu " << i;
        if (open)
            QTest::keyClick(open, Qt::Key_Escape);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    }
    EXPECT_EQ(m.ip_to_domain_converter_tab->domain_edit->Text(), "");
    win.reset();
}

// Every control of every page that Tab reaches shows that it has the focus: the memos
// (read-only ones too) with their caret, lists and grids with a focus frame also while empty.
TEST_F(MainWindow, EveryControlThatTabReachesShowsTheFocus) {
    Tmain& m = Build();
    m.show();
    m.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m));
    const int flash = QApplication::cursorFlashTime();
    QApplication::setCursorFlashTime(0);  // a caret that does not blink
    int checked = 0;
    for (int page = 0; page < m.mainpage->count(); ++page) {
        m.mainpage->SetActivePageIndex(page);
        QWidget* shown = m.mainpage->currentWidget();
        m.mxSideBar1->setFocus();
        QApplication::processEvents();
        std::map<QWidget*, QImage> without;
        for (QWidget* w : shown->findChildren<QWidget*>())
            if (w->focusPolicy() & Qt::TabFocus && w->isVisibleTo(&m))
                without[w] = w->grab().toImage();
        // Round the Tab chain from the bar back to it.
        for (int step = 0; step < 100; ++step) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget* w = QApplication::focusWidget();
            if (w == m.mxSideBar1)
                break;
            auto it = without.find(w);
            if (it == without.end())
                continue;
            EXPECT_NE(w->grab().toImage(), it->second)
                << "page " << page << ": " << w->metaObject()->className() << " \""
                << w->objectName().toStdString() << "\" shows no focus";
            without.erase(it);
            ++checked;
        }
    }
    QApplication::setCursorFlashTime(flash);
    EXPECT_GT(checked, 40);
}

TEST_F(MainWindow, HelpMenuHandsItsTargetsToTheShell) {
    Tmain& m = Build();
    m.Help2->trigger();
    m.Checkfor1->trigger();
    m.BatchIPWebsite1->trigger();
    ASSERT_EQ(g_opened.size(), 3u);
    EXPECT_EQ(g_opened[0], folder + "Orvelan.chm");
    EXPECT_EQ(g_opened[1].rfind("mailto:", 0), 0u);
    EXPECT_EQ(g_opened[2].rfind("https://", 0), 0u);
}

TEST_F(MainWindow, WindowsAreCreatedInOrderAndAboutOpensModally) {
    auto w = AppWindows::Create(folder, &scanner);
    EXPECT_EQ(w->about->objectName(), "about");
    EXPECT_TRUE(w->about->HasPicture());
    bool shown = false;
    dialogs.modals.push_back([&](QDialog* d) {
        shown = d == w->about.get();
        return int(QDialog::Accepted);
    });
    w->main->About1->trigger();
    EXPECT_TRUE(shown);
}

TEST_F(MainWindow, DestroyingTheWindowWithAWorkerBlockedInTheResolver) {
    test::FakeResolver fake;
    fake.Block();
    struct Lookup final : task::WorkerThread {
        ui::TEdit* target;
        explicit Lookup(ui::TEdit* t) : target(t) {}
        void Execute() override {
            std::string ip = nametoip("localhost.test");
            Synchronize([this, ip] { target->SetText(QString::fromStdString(ip)); });
        }
    };
    Tmain& m = Build();
    auto w = std::make_shared<Lookup>(m.batch_ping_tab->Edit7);
    task::WorkerThread::Start(w, m.Channel(),
                              [] { FAIL() << "end handler after the window went"; });
    while (fake.Waiting() == 0)
        QThread::usleep(100);
    win.reset();  // the window goes while the lookup blocks
    fake.Release();
    while (w->Running())
        QThread::usleep(100);
    QCoreApplication::processEvents();
    EXPECT_FALSE(w->Finished());
}

}  // namespace
}  // namespace orv
