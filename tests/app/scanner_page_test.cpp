// The "Website Scanner" page against a small web site on 127.0.0.1: scans fill the link grid,
// the progress line counts, Stop stops, the close question shuts the scanner down, the links
// are exported, and a double click hands only web and mail links to the shell.
#include "app/page_scanner.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "app/app_windows.h"
#include "app/main_window.h"
#include "app/page_tracert.h"
#include "fixture_server.h"
#include "netns.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "pump.h"
#include "scanner/fetch_thread.h"
#include "scripted_dialogs.h"
#include "tcp_loopback.h"

namespace orv {
namespace {

using test::FixtureConn;
using test::FixtureServer;
using test::LoggedRequest;

const QString kFinished = "Scanning is finished.";
const QString kCloseQuestion = "Website Scanner is working, exit or not?";

// All traffic stays on loopback (no proxy from the environment), and the scanner's registry
// writes go to a private folder.
class ScannerPageEnv : public ::testing::Environment {
  public:
    void SetUp() override {
        for (const char* v : {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy",
                              "ALL_PROXY", "no_proxy", "NO_PROXY"})
            ::unsetenv(v);
        char tmpl[] = "/tmp/orvelan-spg-registry-XXXXXX";
        if (char* d = ::mkdtemp(tmpl))
            folder_ = d;
        Registry::SetFolder(folder_);
    }
    void TearDown() override {
        std::error_code ec;
        if (!folder_.empty())
            std::filesystem::remove_all(folder_, ec);
        Registry::SetFolder("");
    }

  private:
    std::string folder_;
};
const auto* const kEnv = ::testing::AddGlobalTestEnvironment(new ScannerPageEnv);

// A TLS web server on 127.0.0.1 with a self-signed certificate: Debian's `openssl s_server`.
class SelfSignedTlsServer {
  public:
    SelfSignedTlsServer() {
        const QString d = dir_.path();
        QProcess req;
        req.start("openssl", {"req", "-x509", "-newkey", "ec", "-pkeyopt",
                              "ec_paramgen_curve:prime256v1", "-nodes", "-days", "2", "-subj",
                              "/CN=127.0.0.1", "-keyout", d + "/key.pem", "-out", d + "/cert.pem"});
        if (!req.waitForFinished(30000) || req.exitStatus() != QProcess::NormalExit ||
            req.exitCode() != 0)
            return;
        server_.setProcessChannelMode(QProcess::MergedChannels);
        server_.start("openssl", {"s_server", "-accept", "127.0.0.1:0", "-cert", d + "/cert.pem",
                                  "-key", d + "/key.pem", "-www"});
        // It names its port once it listens: "ACCEPT 127.0.0.1:40123".
        QByteArray out;
        while (port_ == 0 && server_.waitForReadyRead(30000)) {
            out += server_.readAll();
            const qsizetype at = out.indexOf("ACCEPT 127.0.0.1:");
            const qsizetype eol = at < 0 ? -1 : out.indexOf('\n', at);
            if (eol > at)
                port_ = out.mid(at + 17, eol - at - 17).trimmed().toInt();
        }
    }
    ~SelfSignedTlsServer() {
        if (server_.state() != QProcess::NotRunning) {
            server_.kill();
            server_.waitForFinished(10000);
        }
    }
    int Port() const { return port_; }

  private:
    QTemporaryDir dir_;
    QProcess server_;
    int port_ = 0;
};

std::vector<std::string> g_opened;
bool RecordOpen(const std::string& target) {
    g_opened.push_back(target);
    return true;
}

class ScannerPage : public ::testing::Test {
  protected:
    void SetUp() override {
        g_opened.clear();
        SetShellOpenHook(RecordOpen);
        folder = QDir(dir.path()).absolutePath().toStdString() + "/";
        host = QString::fromStdString(srv.Host());
        // The site: "/" links to two pages, a picture and a mail address; a.htm adds c.htm.
        srv.Route("/", FixtureServer::Html("<html><body>\n"
                                           "<a href=\"a.htm\">A</a>\n"
                                           "<a href=\"b.htm\">B</a>\n"
                                           "<img src=\"pic.gif\">\n"
                                           "<a href=\"mailto:me@site.test\">mail</a>\n"
                                           "</body></html>"));
        srv.Route("/a.htm", FixtureServer::Html("<a href=\"c.htm\">C</a> <a href=\"b.htm\">B</a>"));
        srv.Route("/b.htm", FixtureServer::Html("<html>b"));
        srv.Route("/c.htm", FixtureServer::Html("<html>c"));
        // A site whose pages answer only when the server stops: the scan keeps working.
        srv.Route("/slow/", FixtureServer::Html("<a href=\"s1.htm\">1</a> <a href=\"s2.htm\">2</a>"
                                                "<img src=\"s.gif\">"));
        srv.Prefix("/slow/s", [](const LoggedRequest&, FixtureConn& c) { c.Sleep(60000); });
        srv.Route("/second/", FixtureServer::Html("<a href=\"x.htm\">x</a>"));
        srv.Route("/second/x.htm", FixtureServer::Html("<html>x"));
    }
    void TearDown() override {
        win.reset();
        windows.reset();
        // The fetch threads of a stopped scan end on their own; let them go before the next.
        test::PumpUntil([] { return scan::THTTPGetThread::Live() == 0; }, 20000);
        EXPECT_EQ(scan::THTTPGetThread::Live(), 0);
        SetShellOpenHook(nullptr);
    }

    // The main window with no scanner of its own: the page's scanner answers the close question.
    TWebsiteScannerPage& Build() {
        win = std::make_unique<Tmain>(folder);
        return Attach(*win);
    }
    TWebsiteScannerPage& Attach(Tmain& m) {
        page = m.website_scanner_tab;
        defaultTerminate = page->HttpScan1->OnTerminateApplication;
        page->HttpScan1->OnTerminateApplication = [this] { ++terminations; };
        return *page;
    }

    // Runs the event loop until `done`; extra scanner ticks make the quiet spell before the
    // scanner goes idle pass quickly.
    template <typename Pred>
    bool Pump(Pred done, int ms = 20000) {
        return test::PumpUntil(done, ms, [this] {
            if (page)
                page->HttpScan1->TimerTick();
        });
    }
    int Count(const QString& text) const {
        int n = 0;
        for (const auto& s : dialogs.shown)
            n += s.text == text;
        return n;
    }
    bool WaitFinished(int count = 1) {
        return Pump([&] { return Count(kFinished) >= count; });
    }
    void StartAt(const QString& path) {
        page->Edit111->SetText(host + path);
        page->button22->click();
    }
    // The data rows: (type, address) of rows 0 .. RowCount-2.
    std::vector<std::pair<QString, QString>> Rows() const {
        std::vector<std::pair<QString, QString>> rows;
        for (int r = 0; r + 1 < page->StringGrid4->RowCount(); ++r)
            rows.emplace_back(page->StringGrid4->Cells(0, r), page->StringGrid4->Cells(1, r));
        return rows;
    }
    QString U(const QString& path) const { return "http://" + host + path; }
    bool SettingsWritten() const {
        return QFile::exists(QString::fromStdString(folder + "settings.ini"));
    }

    test::ScriptedDialogs dialogs;
    FixtureServer srv;
    QTemporaryDir dir;
    std::string folder;
    QString host;
    std::unique_ptr<Tmain> win;
    std::unique_ptr<AppWindows> windows;
    TWebsiteScannerPage* page = nullptr;
    std::function<void()> defaultTerminate;
    int terminations = 0;
};

TEST_F(ScannerPage, AScanListsTheLinksCountsThemAndEndsWithDone) {
    Build();
    page->Edit111->SetText(host + "/");
    page->button22->click();
    // Working at once, Start disabled, no results file.
    EXPECT_TRUE(page->HttpScan1->IsWorking());
    EXPECT_FALSE(page->button22->isEnabled());
    EXPECT_EQ(page->Label55->Caption(), "   Working ....");
    EXPECT_EQ(page->HttpScan1->FileOfResults(), "");
    ASSERT_TRUE(WaitFinished());

    using Row = std::pair<QString, QString>;
    EXPECT_EQ(Rows(), (std::vector<Row>{{"htm", U("/a.htm")},
                                        {"htm", U("/b.htm")},
                                        {"gif", U("/pic.gif")},
                                        {"mail", "me@site.test"},
                                        {"htm", U("/c.htm")}}));
    EXPECT_EQ(page->StringGrid4->Cells(0, 5), "");  // the last row stays empty
    EXPECT_EQ(page->StringGrid4->Cells(1, 5), "");
    EXPECT_EQ(page->LinkCount, 5);
    // Five links: the spinner went "/", "-", "\", "|", "/".
    EXPECT_EQ(page->Label55->Caption(), "   (/)        5 links found.     Done.");
    EXPECT_TRUE(page->button22->isEnabled());
    const auto& box = dialogs.shown.back();
    EXPECT_EQ(box.text, kFinished);
    EXPECT_EQ(box.icon, ui::Icon::Information);
    EXPECT_EQ(box.buttons, ui::Buttons::Ok);
    // The head of a page received, without the CRs of the wire.
    QString head = page->Memo222->toPlainText();
    EXPECT_TRUE(head.startsWith("HTTP/1.")) << head.toStdString();
    EXPECT_TRUE(head.contains("Content-Type: text/html")) << head.toStdString();
    EXPECT_FALSE(head.contains('\r'));
    // The scan began at "http://" + the box's text, with the stored agent.
    ASSERT_FALSE(srv.Log().empty());
    EXPECT_EQ(srv.Log().front().target, "/");
    EXPECT_EQ(srv.Log().front().Header("User-Agent"), scan::kDefaultAgent);
    EXPECT_FALSE(QFile::exists("/results.txt"));
}

TEST_F(ScannerPage, ADownloadThatFailsOnTheWayShowsWhyInTheHeadBox) {
    SelfSignedTlsServer tls;
    if (tls.Port() == 0) {
        if (test::InCi())
            FAIL() << "openssl (Debian package openssl) is needed under CI";
        GTEST_SKIP() << "no openssl to serve TLS";
    }
    // A port bound and not listening: every connection is refused.
    test::Sock bound(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(bound.fd(), reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    const QString refused = "127.0.0.1:" + QString::number(bound.Port());
    srv.Route("/tls/", FixtureServer::Redirect(
                           301, "https://127.0.0.1:" + std::to_string(tls.Port()) + "/"));
    srv.Route("/reset/", [](const LoggedRequest&, FixtureConn& c) { c.Reset(); });

    const struct {
        QString address;  // what the box holds
        QString reason;   // in libcurl's words
    } cases[] = {
        {host + "/tls/", "SSL certificate problem: self-signed certificate"},
        {refused + "/", "Failed to connect to 127.0.0.1 port " + QString::number(bound.Port())},
        {host + "/reset/", "Connection reset by peer"},
    };
    Build();
    int finished = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address.toStdString());
        page->Edit111->SetText(c.address);
        page->button22->click();
        ASSERT_TRUE(WaitFinished(++finished));
        // The address and why it failed, where a page's head would stand; the scan went on as
        // before: its retries, its end and its box.
        const QString shown = page->Memo222->toPlainText();
        EXPECT_TRUE(shown.startsWith("http://" + c.address + "\n")) << shown.toStdString();
        EXPECT_TRUE(shown.contains(c.reason)) << shown.toStdString();
        EXPECT_EQ(page->StringGrid4->RowCount(), 1);
        EXPECT_EQ(page->Label55->Caption(), "   Working ....     Done.");
        EXPECT_EQ(page->HttpScan1->Manager().Errors(), 1);
        EXPECT_EQ(page->HttpScan1->Manager().RetriesDone(), 3);
    }
}

TEST_F(ScannerPage, ASecondScanReplacesTheRowsOnlyWhenItStarts) {
    Build();
    StartAt("/");
    ASSERT_TRUE(WaitFinished());
    auto first = Rows();
    ASSERT_EQ(first.size(), 5u);

    // Refused by the scanner: its own message, Start again, the rows stay.
    page->Edit111->SetText("127.0.0.1:99999/");
    page->button22->click();
    EXPECT_EQ(dialogs.shown.back().text, "Invalid Url : http://127.0.0.1:99999/");
    EXPECT_EQ(dialogs.shown.back().caption, "Orvelan");
    EXPECT_TRUE(page->button22->isEnabled());
    EXPECT_FALSE(page->HttpScan1->IsWorking());
    EXPECT_EQ(Rows(), first);

    // Empty address: the warning and nothing else.
    page->Edit111->SetText("");
    page->button22->click();
    EXPECT_EQ(dialogs.shown.back().text, "Please enter the URL!   ");
    EXPECT_EQ(dialogs.shown.back().caption, "");
    EXPECT_EQ(dialogs.shown.back().icon, ui::Icon::Warning);
    EXPECT_TRUE(page->button22->isEnabled());
    EXPECT_FALSE(page->HttpScan1->IsWorking());
    EXPECT_EQ(Rows(), first);

    // A scan that starts clears the grid and the head; the site is reported afresh, once.
    StartAt("/second/");
    EXPECT_EQ(page->StringGrid4->RowCount(), 1);
    EXPECT_EQ(page->Memo222->toPlainText(), "");
    ASSERT_TRUE(WaitFinished(2));
    EXPECT_EQ(Rows(), (std::vector<std::pair<QString, QString>>{{"htm", U("/second/x.htm")}}));
    EXPECT_EQ(page->Label55->Caption(), "   (-)        1 links found.     Done.");
}

TEST_F(ScannerPage, ProgressLineAndRowsOfReportedLinks) {
    Build();
    // Ten links: the spinner turns "/", "-", "\", "|" and round again; the count follows. The
    // line is shown with the new row.
    const char spins[] = "/-\\|/-\\|/-";
    const ui::StringGridModel& grid = page->StringGrid4->Model();
    for (int i = 0; i < 10; ++i) {
        page->HttpScan1LinkFound("http://h/" + std::to_string(i) + ".htm", i == 3 ? "" : "htm");
        ASSERT_TRUE(Pump([&] { return grid.ShownRows() == grid.RowCount(); }));
        EXPECT_EQ(
            page->Label55->Caption(),
            QString("   (%1)        %2 links found.").arg(QChar::fromLatin1(spins[i])).arg(i + 1));
        EXPECT_EQ(page->SpinnerChar, spins[i]);
    }
    EXPECT_EQ(page->StringGrid4->RowCount(), 11);
    EXPECT_EQ(page->StringGrid4->Cells(1, 9), "http://h/9.htm");
    // An empty type is kept as one blank, and the address still goes to the second cell.
    EXPECT_EQ(page->StringGrid4->Cells(0, 3), " ");
    EXPECT_EQ(page->StringGrid4->Cells(1, 3), "http://h/3.htm");
    EXPECT_EQ(page->StringGrid4->Row(), 9);  // the newest row is selected
}

TEST_F(ScannerPage, RowsThatPourInAreShownInBatches) {
    Build();
    win->show();
    // The grid's clock stands still unless the test moves it.
    qint64 now = 1000;
    ui::StringGridModel& grid = page->StringGrid4->Model();
    grid.SetClock([&now] { return now; });
    int insertions = 0;
    QObject::connect(&grid, &QAbstractItemModel::rowsInserted, [&] { ++insertions; });
    // As a scan reports them: one link after another, events let through after each. The
    // first is shown at once; the rest wait for the interval, however many turns go by.
    const int links = 300;
    page->HttpScan1LinkFound("http://h/0.htm", "htm");
    ASSERT_TRUE(Pump([&] { return grid.ShownRows() == 2; }));
    EXPECT_EQ(insertions, 1);
    for (int i = 1; i < links; ++i) {
        page->HttpScan1LinkFound("http://h/" + std::to_string(i) + ".htm", "htm");
        QCoreApplication::processEvents();
    }
    test::Settle();
    EXPECT_EQ(insertions, 1);
    EXPECT_EQ(grid.ShownRows(), 2);
    EXPECT_TRUE(page->Label55->Caption().endsWith(" 1 links found."));
    // Once the interval has passed, the rest come in one batch, with their progress line and
    // the newest row selected.
    now += 50;
    ASSERT_TRUE(Pump([&] { return grid.ShownRows() == grid.RowCount(); }));
    EXPECT_EQ(insertions, 2);
    EXPECT_EQ(page->StringGrid4->model()->rowCount(), links + 1);
    EXPECT_EQ(page->StringGrid4->currentIndex().row(), links - 1);
    EXPECT_TRUE(page->Label55->Caption().endsWith(" 300 links found."));
    // Heads of pages that come fast: the memo ends on the last one.
    for (const char* status : {"200 A", "200 B", "200 C"})
        page->HttpScan1PageReceived(std::string("HTTP/1.0 ") + status + "\r\nX: y\r\n\r\n");
    ASSERT_TRUE(Pump([&] { return page->Memo222->toPlainText() == "HTTP/1.0 200 C\nX: y"; }));
    // A stop shows the latest count before its own words.
    page->LinkCount = 0;
    page->HttpScan1LinkFound("http://h/last.htm", "htm");
    page->HttpScan1Working(false);
    EXPECT_EQ(page->Label55->Caption(), "   (/)        1 links found.     Done.");
}

TEST_F(ScannerPage, StopStopsTheScanAndStopWhileIdleChangesNothing) {
    Build();
    page->Button11Click();
    EXPECT_EQ(page->Label55->Caption(), "");
    EXPECT_TRUE(dialogs.shown.empty());

    StartAt("/slow/");
    ASSERT_TRUE(Pump([&] { return page->LinkCount == 3 && srv.CountTarget("/slow/s1.htm") == 1; }));
    page->button11->click();
    EXPECT_TRUE(page->HttpScan1->IsStopping());
    EXPECT_TRUE(page->Label55->Caption().endsWith("3 links found.    stopping..."));
    EXPECT_FALSE(page->button22->isEnabled());  // until the scanner has gone idle
    page->button11->click();                    // a second Stop adds nothing
    EXPECT_EQ(page->Label55->Caption().count("stopping"), 1);
    ASSERT_TRUE(WaitFinished(1));
    EXPECT_FALSE(page->HttpScan1->IsWorking());
    EXPECT_TRUE(page->Label55->Caption().endsWith("    stopping...     Done."));
    EXPECT_TRUE(page->button22->isEnabled());
    EXPECT_EQ(page->LinkCount, 3);
}

TEST_F(ScannerPage, BrowserButtonScansTheBrowsersAddressAfterTheRunningScanStops) {
    Build();
    std::atomic<int> requests = 0;
    std::string url = "XXX";
    win->SetBrowserLink([&] {
        ++requests;
        return url;
    });
    auto answered = [&] {
        const task::TaskSlot& t = page->BrowserTask();
        return Pump([&] { return t.Current() && t.Current()->Finished(); });
    };
    page->SpeedButton17->click();
    ASSERT_TRUE(answered());
    EXPECT_EQ(requests, 1);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "Internet Explorer is not running!");
    EXPECT_FALSE(page->HttpScan1->IsWorking());

    StartAt("/slow/");
    ASSERT_TRUE(Pump([&] { return page->LinkCount == 3; }));
    // Host and path from the browser, whatever its scheme; the scan itself starts at http://.
    url = "https://" + host.toStdString() + "/second/";
    page->SpeedButton17->click();
    ASSERT_TRUE(answered());
    EXPECT_EQ(requests, 2);
    EXPECT_EQ(page->Edit111->Text(), host + "/second/");
    EXPECT_TRUE(page->HttpScan1->IsStopping());
    ASSERT_TRUE(Pump([&] { return srv.CountTarget("/second/x.htm") == 1; }));
    // Only the new scan says it finished: the stopped one's box would stand over it.
    ASSERT_TRUE(WaitFinished(1));
    using Row = std::pair<QString, QString>;
    EXPECT_EQ(Rows(), (std::vector<Row>{{"htm", U("/second/x.htm")}}));
}

TEST_F(ScannerPage, EnterRunsStartOnlyWhileStartIsEnabled) {
    Build();
    page->Edit111->SetText(host + "/slow/");
    QTest::keyClick(page->Edit111, Qt::Key_Return);
    ASSERT_TRUE(page->HttpScan1->IsWorking());
    ASSERT_TRUE(Pump([&] { return page->LinkCount == 3; }));

    // While the scan runs, Enter does what the disabled button does: nothing.
    page->Edit111->SetText(host + "/second/");
    QTest::keyClick(page->Edit111, Qt::Key_Return);
    Pump([&] { return false; }, 300);
    EXPECT_EQ(srv.CountTarget("/second/"), 0);
    EXPECT_EQ(page->LinkCount, 3);
    EXPECT_EQ(page->StringGrid4->RowCount(), 4);
    EXPECT_FALSE(page->StartPending());

    // Nor while it stops: unlike a send-to item, Enter leaves no start waiting.
    page->Button11Click();
    ASSERT_TRUE(page->HttpScan1->IsStopping());
    QTest::keyClick(page->Edit111, Qt::Key_Return);
    EXPECT_FALSE(page->StartPending());
    ASSERT_TRUE(WaitFinished(1));
    Pump([&] { return false; }, 300);
    EXPECT_EQ(srv.CountTarget("/second/"), 0);
    EXPECT_EQ(page->LinkCount, 3);
}

TEST_F(ScannerPage, AStartAskedForWhileStoppingRunsOnceTheScannerIsIdle) {
    Build();
    StartAt("/slow/");
    ASSERT_TRUE(Pump([&] { return page->LinkCount == 3; }));
    // What a send-to item does: stop any scan, then start at the new address.
    page->Edit111->SetText(host + "/second/");
    page->Button11Click();
    page->Button22Click();
    EXPECT_TRUE(page->StartPending());
    EXPECT_FALSE(page->button22->isEnabled());
    EXPECT_EQ(page->StringGrid4->RowCount(), 4);  // the old rows until the new scan starts

    // The stopped scan says nothing: its box would stand over the new address.
    ASSERT_TRUE(WaitFinished(1));
    EXPECT_FALSE(page->StartPending());
    EXPECT_EQ(srv.CountTarget("/second/"), 1);
    EXPECT_EQ(Rows(), (std::vector<std::pair<QString, QString>>{{"htm", U("/second/x.htm")}}));
    EXPECT_EQ(page->LinkCount, 1);
    EXPECT_TRUE(page->button22->isEnabled());
}

// "Website Scanner" from another page while a scan runs: the running scan stops, and the new
// one runs once it has, without waiting for a box; only the new scan says it finished.
TEST_F(ScannerPage, ASendToScanWhileScanningRunsTheNewScanOnceTheOldHasStopped) {
    Build();
    StartAt("/slow/");
    ASSERT_TRUE(Pump([&] { return page->LinkCount == 3; }));
    win->tracert_tab->edTarget->SetText(host + "/second/");
    QAction* item = win->tracert_tab->findChild<QAction*>("MenuItem10");
    ASSERT_NE(item, nullptr);
    item->trigger();
    EXPECT_EQ(win->mainpage->ActivePage(), page);
    EXPECT_EQ(page->Edit111->Text(), host + "/second/");
    EXPECT_TRUE(page->StartPending());

    ASSERT_TRUE(WaitFinished(1));
    EXPECT_EQ(Count(kFinished), 1);
    EXPECT_FALSE(page->StartPending());
    EXPECT_EQ(srv.CountTarget("/second/"), 1);
    EXPECT_EQ(Rows(), (std::vector<std::pair<QString, QString>>{{"htm", U("/second/x.htm")}}));
    EXPECT_TRUE(page->button22->isEnabled());
}

TEST_F(ScannerPage, AStopCancelsAStartThatWaits) {
    Build();
    StartAt("/slow/");
    ASSERT_TRUE(Pump([&] { return page->LinkCount == 3; }));
    page->Edit111->SetText(host + "/second/");
    page->Button11Click();
    page->Button22Click();
    ASSERT_TRUE(page->StartPending());
    page->Button11Click();
    EXPECT_FALSE(page->StartPending());
    ASSERT_TRUE(WaitFinished(1));
    Pump([&] { return false; }, 300);
    EXPECT_EQ(srv.CountTarget("/second/"), 0);
    EXPECT_TRUE(page->button22->isEnabled());
}

TEST_F(ScannerPage, ClosingWhileScanningAsksAndYesEndsTheProgramTenTicksLater) {
    Build();
    win->show();
    StartAt("/slow/");
    ASSERT_TRUE(Pump([&] { return page->LinkCount == 3; }));

    // Cancel: the window stays, the scan goes on, nothing is written.
    dialogs.answers.push_back(ui::Answer::Cancel);
    EXPECT_FALSE(win->close());
    EXPECT_EQ(dialogs.shown.back().text, kCloseQuestion);
    EXPECT_EQ(dialogs.shown.back().buttons, ui::Buttons::YesCancel);
    EXPECT_TRUE(win->isVisible());
    EXPECT_TRUE(page->HttpScan1->IsWorking());
    EXPECT_FALSE(page->HttpScan1->IsStopping());
    EXPECT_FALSE(SettingsWritten());

    // Yes: the scanner shuts down; the program ends on the tenth tick, settings unwritten.
    dialogs.answers.push_back(ui::Answer::Yes);
    EXPECT_FALSE(win->close());
    EXPECT_EQ(Count(kCloseQuestion), 2);
    EXPECT_TRUE(page->HttpScan1->ShuttingDown());
    EXPECT_TRUE(page->HttpScan1->IsStopping());
    for (int tick = 1; tick <= 9; ++tick) {
        page->HttpScan1->TimerTick();
        EXPECT_EQ(terminations, 0) << "tick " << tick;
    }
    page->HttpScan1->TimerTick();
    EXPECT_EQ(terminations, 1);
    page->HttpScan1->TimerTick();
    EXPECT_EQ(terminations, 1);
    EXPECT_FALSE(SettingsWritten());
}

TEST_F(ScannerPage, NoFinishedBoxHoldsUpTheEndOfTheProgram) {
    Build();
    StartAt("/slow/");
    ASSERT_TRUE(Pump([&] { return page->LinkCount == 3; }));
    dialogs.answers.push_back(ui::Answer::Yes);
    EXPECT_FALSE(win->close());
    // Should the scan go idle before the program ends, its idle notice shows no modal box.
    page->HttpScan1Working(false);
    EXPECT_EQ(Count(kFinished), 0);
    EXPECT_TRUE(page->Label55->Caption().endsWith("     Done."));
}

TEST_F(ScannerPage, AfterYesTheEventLoopEndsWithoutTheCloseHandlers) {
    Build();
    win->show();
    page->HttpScan1->OnTerminateApplication = defaultTerminate;
    StartAt("/slow/");
    ASSERT_TRUE(Pump([&] { return page->LinkCount == 3; }));
    dialogs.answers.push_back(ui::Answer::Yes);
    EXPECT_FALSE(win->close());

    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    guard.start(15000);
    QElapsedTimer t;
    t.start();
    int rc = QCoreApplication::exec();
    guard.stop();
    EXPECT_EQ(rc, 0);
    EXPECT_GE(t.elapsed(), 1000);  // ten ticks of the 200 ms timer, not at once
    // The loop ended by itself: the window was not closed and settings.ini not written.
    EXPECT_TRUE(win->isVisible());
    EXPECT_FALSE(SettingsWritten());
}

TEST_F(ScannerPage, ClosingWhileIdleOrStoppingIsAllowedAtOnce) {
    Build();
    StartAt("/slow/");
    ASSERT_TRUE(Pump([&] { return page->LinkCount == 3; }));
    page->Button11Click();
    ASSERT_TRUE(page->HttpScan1->IsStopping());
    EXPECT_TRUE(win->close());
    EXPECT_EQ(Count(kCloseQuestion), 0);
    EXPECT_FALSE(page->HttpScan1->ShuttingDown());
    EXPECT_TRUE(SettingsWritten());
}

TEST_F(ScannerPage, ExportWritesTheAddressesAndAsksBeforeReplacing) {
    Build();
    const QString file = dir.filePath("links.txt");
    auto read = [&] {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    };
    // An empty result gives an empty file.
    dialogs.files.push_back(file);
    page->SpeedButton15->click();
    EXPECT_EQ(read(), QByteArray());
    EXPECT_EQ(dialogs.lastSpec.defaultExt, "txt");
    EXPECT_EQ(dialogs.lastSpec.filter, "*.txt|*.txt");
    EXPECT_TRUE(dialogs.shown.empty());  // a new file is not asked about

    page->HttpScan1LinkFound("http://h/a.htm", "htm");
    page->HttpScan1LinkFound("me@site.test", "mail");
    page->HttpScan1LinkFound("http://h/p.gif", "");
    const QByteArray lines = "http://h/a.htm\r\nme@site.test\r\nhttp://h/p.gif\r\n";

    struct Case {
        ui::Answer answer;
        QByteArray expected;
    };
    for (const Case& c : {Case{ui::Answer::No, QByteArray()}, Case{ui::Answer::Yes, lines}}) {
        SCOPED_TRACE(c.answer == ui::Answer::Yes ? "Yes" : "No");
        dialogs.shown.clear();
        dialogs.saveRefusals.clear();
        dialogs.files.push_back(file);
        dialogs.answers.push_back(c.answer);
        page->SpeedButton15Click();
        ASSERT_EQ(dialogs.shown.size(), 1u);
        EXPECT_EQ(dialogs.shown[0].text, "The file has existed, replace it or not?");
        EXPECT_EQ(dialogs.shown[0].buttons, ui::Buttons::YesNo);
        EXPECT_EQ(dialogs.saveRefusals.size(), c.answer == ui::Answer::No ? 1u : 0u);
        EXPECT_EQ(read(), c.expected);
    }
    // Cancelled dialog: nothing written.
    QFile::remove(file);
    page->SpeedButton15Click();
    EXPECT_FALSE(QFile::exists(file));
}

TEST_F(ScannerPage, ExportWritesEachAddressAsTheBytesItCameAs) {
    Build();
    const QString file = dir.filePath("bytes.txt");
    // Shown as text (the first as one character per byte, the second as UTF-8)...
    page->HttpScan1LinkFound("http://h/caf\xe9.htm", "htm");
    page->HttpScan1LinkFound("http://h/m\xc3\xbcnchen.htm", "htm");
    page->HttpScan1LinkFound("\xef\xbb\xbfx@h.test", "mail");
    EXPECT_EQ(page->StringGrid4->Cells(1, 0), QString::fromUtf8("http://h/caf\u00e9.htm"));
    EXPECT_EQ(page->StringGrid4->Cells(1, 1), QString::fromUtf8("http://h/m\u00fcnchen.htm"));
    // ...and written back as they came.
    dialogs.files.push_back(file);
    page->SpeedButton15Click();
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("http://h/caf\xe9.htm\r\n"
                                      "http://h/m\xc3\xbcnchen.htm\r\n"
                                      "\xef\xbb\xbfx@h.test\r\n"));
}

TEST_F(ScannerPage, DoubleClickOpensOnlyWebAndMailLinks) {
    struct Case {
        const char* type;
        const char* address;
        std::optional<std::string> opened;
    };
    const Case cases[] = {
        {"htm", "http://h/a.htm", "http://h/a.htm"},
        {"htm", "HTTPS://h/a.htm", "HTTPS://h/a.htm"},
        {"zip", "ftp://h/f.zip", "ftp://h/f.zip"},
        {"mail", "me@site.test", "mailto:me@site.test"},
        {"htm", "file:///etc/passwd", std::nullopt},
        {"htm", "/etc/passwd", std::nullopt},
        {"htm", "javascript:alert(1)", std::nullopt},
        {"htm", "custom://run", std::nullopt},
        {"htm", "http://", std::nullopt},
        {"htm", "http://h/a\nb", std::nullopt},
        {"mail", "", std::nullopt},
        {" ", " ", std::nullopt},
        {"", "", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.type) + " | " + c.address);
        EXPECT_EQ(TWebsiteScannerPage::LinkToOpen(c.type, c.address), c.opened);
    }

    Build();
    page->StringGrid4DblClick();  // nothing selected, nothing there
    page->HttpScan1LinkFound("me@site.test", "mail");
    page->HttpScan1LinkFound("file:///etc/passwd", "htm");
    page->HttpScan1LinkFound("http://h/a.htm", "htm");
    QCoreApplication::processEvents();
    for (int row : {0, 1, 2, 3}) {
        page->StringGrid4->SetRow(row);
        page->StringGrid4DblClick();
    }
    EXPECT_EQ(g_opened, (std::vector<std::string>{"mailto:me@site.test", "http://h/a.htm"}));
}

TEST_F(ScannerPage, SettingsControlsReachTheScanner) {
    Build();
    scan::THttpScan& s = *page->HttpScan1;
    // The controls open on the scanner's stored settings.
    EXPECT_EQ(page->RadioGroup2->ItemIndex(), 1);
    EXPECT_EQ(page->RadioGroup3->ItemIndex(), 1);
    EXPECT_EQ(s.LinkScan(), scan::scanInitialSite);
    EXPECT_EQ(s.LinkReport(), scan::reportCurrentSiteLinks);
    EXPECT_FALSE(page->CheckBox5->Checked());
    EXPECT_FALSE(s.TypeFilterEnabled());
    EXPECT_EQ(Registry::ReadInteger(kInternetSettingsKey, "MaxConnectionsPerServer", 0), 6);

    const scan::TLinkScan scans[] = {scan::scanAllLinks, scan::scanInitialSite,
                                     scan::scanInitialPath};
    const scan::TLinkReport reports[] = {scan::reportAllLinks, scan::reportCurrentSiteLinks,
                                         scan::reportCurrentPathLinks};
    for (int i : {0, 2, 1}) {
        page->RadioGroup2->Button(i)->click();
        page->RadioGroup3->Button(i)->click();
        EXPECT_EQ(s.LinkScan(), scans[i]);
        EXPECT_EQ(s.LinkReport(), reports[i]);
    }

    // The type filter follows every change of the memo.
    page->Memo11->setPlainText("JPG\n\nzip\n");
    EXPECT_EQ(s.TypeFilter().Items(), (std::vector<std::string>{"jpg", "zip"}));

    // With the filter on, only the listed types are reported.
    page->CheckBox5->click();
    EXPECT_TRUE(s.TypeFilterEnabled());
    page->Memo11->setPlainText("gif\nmail");
    StartAt("/");
    ASSERT_TRUE(WaitFinished());
    EXPECT_EQ(Rows(), (std::vector<std::pair<QString, QString>>{{"gif", U("/pic.gif")},
                                                                {"mail", "me@site.test"}}));
    page->CheckBox5->click();
    EXPECT_FALSE(s.TypeFilterEnabled());
}

TEST_F(ScannerPage, FilterHelpOpensTheFilterHelpWindow) {
    windows = AppWindows::Create(folder);
    Attach(*windows->main);
    QString shown;
    dialogs.modals.push_back([&](QDialog* d) {
        shown = d->objectName();
        return QDialog::Accepted;
    });
    page->SpeedButton16->click();
    EXPECT_EQ(shown, "filter_help");
    EXPECT_TRUE(dialogs.modals.empty());
}

}  // namespace
}  // namespace orv
