// The scanner end to end on a small site served by the fixture server: what it reports, what
// it writes to the results file, and what it asks the server.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "fixture_server.h"
#include "platform/registry.h"
#include "pump.h"
#include "scanner/crawler.h"

using namespace orv::scan;
using orv::test::FixtureConn;
using orv::test::FixtureServer;
using orv::test::LoggedRequest;

namespace {

constexpr const char* kAgent = "Mozilla/4.0 (compatible; MSIE 5.0; Windows NT; DigExt)";

struct Link {
    std::string url, type, from, host, path, pathWithFile, extra;
    char hrefOrSrc;
};
struct Error {
    std::string url;
    unsigned code;
    std::string msg;
};

struct Recorder {
    std::vector<Link> links;
    std::vector<Error> errors;
    std::vector<bool> working;
    std::vector<std::string> messages, pages, metas;
    int stats[6] = {};
    int statsCalls = 0;
    std::function<void(const Link&, std::string&, bool&)> onLink;

    void Attach(THttpScan& s) {
        s.OnLinkFound = [this](QObject*, const std::string& url, const std::string& type,
                               const std::string& from, const std::string& host,
                               const std::string& path, const std::string& pathWithFile,
                               const std::string& extra, std::string& write, char hs, int,
                               bool& follow) {
            links.push_back({url, type, from, host, path, pathWithFile, extra, hs});
            if (onLink)
                onLink(links.back(), write, follow);
        };
        s.OnError = [this](QObject*, const std::string& url, unsigned code,
                           const std::string& msg) {
            errors.push_back({url, code, msg});
        };
        s.OnWorking = [this](QObject*, bool w) { working.push_back(w); };
        s.OnShowMessage = [this](const std::string& m) { messages.push_back(m); };
        s.OnPageReceived = [this](QObject*, const std::string&, const std::string& url,
                                  const std::string&, const std::string&) { pages.push_back(url); };
        s.OnUpdatedStats = [this](QObject*, int q, int d, int a, int done, int r, int e) {
            int v[6] = {q, d, a, done, r, e};
            std::copy(v, v + 6, stats);
            ++statsCalls;
        };
    }
    std::set<std::string> Urls() const {
        std::set<std::string> s;
        for (auto& l : links)
            s.insert(l.url);
        return s;
    }
    const Link* Find(const std::string& url) const {
        for (auto& l : links)
            if (l.url == url)
                return &l;
        return nullptr;
    }
};

// Runs the event loop until the scanner has gone idle. With `fast`, extra timer ticks are
// driven as well, so the quiet ticks before idle pass quickly.
bool WaitIdle(THttpScan& s, int timeoutMs = 30000, bool fast = true) {
    QCoreApplication::processEvents();  // what the start queued, before the first look
    return orv::test::PumpUntil([&] { return !s.IsWorking(); }, timeoutMs,
                                [&] {
                                    if (fast)
                                        s.TimerTick();
                                });
}

void WaitThreadsGone() {
    orv::test::PumpUntil([] { return THTTPGetThread::Live() == 0; }, 20000);
    EXPECT_EQ(THTTPGetThread::Live(), 0);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The small site: 127.0.0.1 is its host ("0.1" its site), 127.0.0.2 another site of the
// loopback range on which nothing listens, "localhost" a third.
class Site {
  public:
    FixtureServer srv;
    std::string H, Other;
    Site() {
        H = "http://" + srv.Host();
        Other = "http://127.0.0.2:" + std::to_string(srv.Port());
        srv.Route("/site/", FixtureServer::Html(
                                "<html><head><title>Home</title>\n"
                                "<meta http-equiv=\"refresh\" content=\"30; URL=refreshed.htm\">\n"
                                "</head><body>\n"
                                "<a href=\"page1.htm\">One</a>\n"
                                "<a href=\"/site/sub/page2.htm#part\">Two</a>\n"
                                "<a href=\"" +
                                H +
                                "/site/page1.htm#again\">One again</a>\n"
                                "<img src='logo.jpeg'>\n"
                                "<a href=\"mailto:webmaster@site.test?subject=hi\">mail</a>\n"
                                "<a href=\"javascript:openwin('popup.htm')\">js</a>\n"
                                "<a href=\"" +
                                Other +
                                "/other.htm\">other site</a>\n"
                                "<a href=\"/other/path.htm\">other path</a>\n"
                                "<a href=\"docs/manual.pdf\">pdf</a>\n"
                                "<frameset><frame src=\"frame.htm\"></frameset>\n"
                                "<map><area href=\"area.htm\"></map>\n"
                                "</body></html>"));
        srv.Route(
            "/site/page1.htm",
            FixtureServer::Html("<a href=\"index.htm\">home</a> <a href=deep/level3.htm>d</a>"));
        srv.Route("/site/index.htm", FixtureServer::Html("<html>plain index"));
        srv.Route("/site/deep/level3.htm", FixtureServer::Html("<a href=\"level4.htm\">4</a>"));
        srv.Route("/site/deep/level4.htm", FixtureServer::Html("<html>"));
        srv.Route(
            "/site/sub/page2.htm",
            FixtureServer::Html("<base href=\"" + H + "/site/based/\"><a href=\"b.htm\">b</a>"));
        srv.Route("/site/based/b.htm", FixtureServer::Html("<html>"));
        srv.Route("/site/frame.htm", FixtureServer::Html("<a href=\"../site/page1.htm\">dup</a>"));
        srv.Route("/site/area.htm", FixtureServer::Html("<p>area"));
        srv.Route("/site/refreshed.htm", FixtureServer::Html("<p>refreshed"));
        srv.Route("/other/path.htm", FixtureServer::Html("<a href=\"/site/x.htm\">x</a>"));
        srv.Route("/site/x.htm", FixtureServer::Html("<p>x"));
        srv.Route("/robots.txt", FixtureServer::Static(500, "text/html", "<p>no"));
    }
    std::string U(const std::string& path) const { return H + path; }
};

void Configure(THttpScan& s) {
    s.SetFileOfResults("");
    s.SetProxyType(PROXY_DIRECT);
    s.SetConcurrentDownloads(1);
}

}  // namespace

TEST(Engine, ReportsTheSiteUnderEachScopeAndReportSetting) {
    Site site;
    auto U = [&](const std::string& p) { return site.U(p); };
    const std::set<std::string> start = {
        U("/site/page1.htm"),       U("/site/sub/page2.htm"),  U("/site/logo.jpeg"),
        "webmaster@site.test",      site.Other + "/other.htm", U("/other/path.htm"),
        U("/site/docs/manual.pdf"), U("/site/frame.htm"),      U("/site/area.htm")};
    auto plus = [](std::set<std::string> a, std::initializer_list<std::string> b) {
        a.insert(b.begin(), b.end());
        return a;
    };
    auto minus = [](std::set<std::string> a, std::initializer_list<std::string> b) {
        for (auto& x : b)
            a.erase(x);
        return a;
    };
    const std::set<std::string> deeper = {U("/site/index.htm"), U("/site/deep/level3.htm"),
                                          U("/site/deep/level4.htm"), U("/site/based/"),
                                          U("/site/based/b.htm")};
    struct Case {
        TLinkScan scan;
        TLinkReport report;
        int depth;
        std::set<std::string> reported;
        std::set<std::string> fetched, notFetched;
    };
    const Case cases[] = {
        {scanInitialSite,
         reportAllLinks,
         3,
         plus(plus(start, {U("/site/x.htm")}), {}),
         {"/site/", "/site/page1.htm", "/site/sub/page2.htm", "/other/path.htm", "/site/frame.htm",
          "/site/area.htm", "/site/index.htm", "/site/deep/level3.htm", "/site/based/",
          "/site/based/b.htm", "/site/x.htm"},
         {"/site/deep/level4.htm", "/site/logo.jpeg", "/site/docs/manual.pdf"}},
        {scanInitialSite, reportAllLinks, 1, start, {"/site/"}, {"/site/page1.htm"}},
        {scanInitialPath,
         reportAllLinks,
         3,
         start,
         {"/site/page1.htm", "/site/deep/level3.htm", "/site/based/b.htm"},
         {"/other/path.htm", "/site/x.htm"}},
        {scanInitialSite,
         reportCurrentSiteLinks,
         3,
         minus(plus(start, {U("/site/x.htm")}), {site.Other + "/other.htm"}),
         {"/other/path.htm"},
         {}},
        {scanInitialSite,
         reportCurrentPathLinks,
         3,
         {U("/site/page1.htm"), U("/site/sub/page2.htm"), U("/site/logo.jpeg"),
          U("/site/docs/manual.pdf"), U("/site/frame.htm"), U("/site/area.htm"), U("/site/based/"),
          U("/site/based/b.htm")},
         {"/site/deep/level3.htm"},
         {}},
        {scanAllLinks,
         reportAllLinks,
         2,
         minus(plus(start, {U("/site/index.htm"), U("/site/deep/level3.htm"), U("/site/based/"),
                            U("/site/based/b.htm"), U("/site/x.htm")}),
               {}),
         {"/other/path.htm", "/site/page1.htm"},
         {"/site/deep/level3.htm"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "scan " << c.scan << " report " << c.report << " depth " << c.depth);
        site.srv.ClearLog();
        THttpScan s;
        Configure(s);
        Recorder rec;
        rec.Attach(s);
        s.SetLinkScan(c.scan);
        s.SetLinkReport(c.report);
        s.SetDepthSearchLevel(c.depth);
        ASSERT_TRUE(s.StartScan(site.U("/site/")));
        ASSERT_TRUE(WaitIdle(s));
        std::set<std::string> want = c.reported;
        // Pages two levels down add their own links when the depth allows (in the path of
        // a page that is a file, such as page1.htm, are the links of its directory).
        if (c.depth >= 3) {
            for (auto& d : deeper)
                want.insert(d);
            if (c.scan == scanInitialPath)
                want.erase(U("/site/x.htm"));
        }
        EXPECT_EQ(rec.Urls(), want);
        EXPECT_EQ(rec.links.size(), rec.Urls().size());  // every address once
        std::set<std::string> requested;
        for (auto& r : site.srv.Log()) {
            requested.insert(r.target);
            EXPECT_EQ(r.version, "HTTP/1.0");
            EXPECT_EQ(r.Header("User-Agent"), kAgent);
        }
        for (auto& p : c.fetched)
            EXPECT_TRUE(requested.count(p)) << "not fetched " << p;
        for (auto& p : c.notFetched)
            EXPECT_FALSE(requested.count(p)) << "fetched " << p;
        EXPECT_FALSE(requested.count("/site/refreshed.htm"));  // no meta-tag handler
        EXPECT_FALSE(requested.count("/site/popup.htm"));      // script links stay out
        EXPECT_EQ(rec.working, (std::vector<bool>{true, false}));
    }
}

TEST(Engine, LinkDetailsRequestsAndTheResultsFile) {
    Site site;
    const std::string H = site.H;
    std::string dir = std::filesystem::temp_directory_path() / "orvelan-scan-results";
    std::filesystem::create_directories(dir);
    std::string file = dir + "/results.txt";
    THttpScan s;
    Configure(s);
    Recorder rec;
    rec.Attach(s);
    s.SetFileOfResults(file);
    s.SetLinkScan(scanInitialSite);
    s.SetLinkReport(reportCurrentSiteLinks);
    s.SetDepthSearchLevel(2);
    // The handler may rewrite or suppress a line, and keep a page out of the queue.
    rec.onLink = [&](const Link& l, std::string& write, bool& follow) {
        if (l.type == "pdf")
            write = "custom line for the pdf";
        if (l.type == "jpg")
            write = "";
        if (l.url == H + "/site/frame.htm")
            follow = false;
    };
    ASSERT_TRUE(s.StartScan(site.U("/site/")));
    ASSERT_TRUE(WaitIdle(s));
    EXPECT_FALSE(s.ResultsFileOpen());
    std::string want = "\"htm\";\"" + H +
                       "/site/page1.htm\"\r\n"
                       "\"htm\";\"" +
                       H +
                       "/site/sub/page2.htm\"\r\n"
                       "\"mail\";\"webmaster@site.test\"\r\n"
                       "\"htm\";\"" +
                       H +
                       "/other/path.htm\"\r\n"
                       "custom line for the pdf\r\n"
                       "\"htm\";\"" +
                       H +
                       "/site/frame.htm\"\r\n"
                       "\"htm\";\"" +
                       H +
                       "/site/area.htm\"\r\n"
                       "\"htm\";\"" +
                       H +
                       "/site/index.htm\"\r\n"
                       "\"htm\";\"" +
                       H +
                       "/site/deep/level3.htm\"\r\n"
                       "\"htm\";\"" +
                       H +
                       "/site/based/\"\r\n"
                       "\"htm\";\"" +
                       H +
                       "/site/based/b.htm\"\r\n"
                       "\"htm\";\"" +
                       H + "/site/x.htm\"\r\n";
    EXPECT_EQ(ReadFile(file), want);

    const Link* page1 = rec.Find(H + "/site/page1.htm");
    ASSERT_TRUE(page1);
    EXPECT_EQ(page1->from, site.U("/site/"));
    EXPECT_EQ(page1->host, "127.0.0.1");
    EXPECT_EQ(page1->path, "/site/page1.htm");
    EXPECT_EQ(page1->hrefOrSrc, 'H');
    const Link* logo = rec.Find(H + "/site/logo.jpeg");
    ASSERT_TRUE(logo);
    EXPECT_EQ(logo->type, "jpg");
    EXPECT_EQ(logo->hrefOrSrc, 'S');
    const Link* mail = rec.Find("webmaster@site.test");
    ASSERT_TRUE(mail);
    EXPECT_EQ(mail->type, "mail");
    EXPECT_EQ(mail->host, "");
    EXPECT_EQ(mail->path, "");
    const Link* b = rec.Find(H + "/site/based/b.htm");
    ASSERT_TRUE(b);
    EXPECT_EQ(b->from, H + "/site/based/");  // the base address
    const Link* deep = rec.Find(H + "/site/deep/level3.htm");
    ASSERT_TRUE(deep);
    EXPECT_EQ(deep->path, "/site/deep/level3.htm");
    EXPECT_EQ(deep->pathWithFile, "/site/deep/level3.htm");

    std::map<std::string, LoggedRequest> byTarget;
    for (auto& r : site.srv.Log())
        byTarget[r.target] = r;
    EXPECT_EQ(byTarget["/site/"].Header("Referer"),
              site.U("/site/"));  // the start refers to itself
    EXPECT_EQ(byTarget["/site/page1.htm"].Header("Referer"), site.U("/site/"));
    EXPECT_EQ(byTarget["/other/path.htm"].Header("Referer"), site.U("/site/"));
    EXPECT_FALSE(byTarget.count("/site/based/b.htm"));  // found at depth 2: not followed
    EXPECT_FALSE(byTarget.count("/site/frame.htm"));    // the handler kept it out
    EXPECT_TRUE(byTarget.count("/other/path.htm"));
    EXPECT_FALSE(byTarget.count("/site/deep/level3.htm"));  // depth 3 > 2
    for (auto& [t, r] : byTarget)
        EXPECT_EQ(r.requestLine, "GET " + t + " HTTP/1.0");
    std::filesystem::remove_all(dir);
}

TEST(Engine, TypeAndKeywordFilters) {
    Site site;
    THttpScan s;
    Configure(s);
    Recorder rec;
    rec.Attach(s);
    s.SetDepthSearchLevel(1);
    s.SetTypeFilter("PDF\n\nmail\r\n");
    s.SetTypeFilterEnabled(true);
    s.KeywordsLimiter().Add("site");
    s.SetKeywordsLimiterEnabled(true);
    s.KeywordsFilter().Add("manual");
    s.SetKeywordsFilterEnabled(true);
    ASSERT_TRUE(s.StartScan(site.U("/site/")));
    ASSERT_TRUE(WaitIdle(s));
    EXPECT_EQ(s.TypeFilter().Items(), (std::vector<std::string>{"mail", "pdf"}));
    // The pdf contains "manual"; of the rest only the mail address passes the type filter.
    EXPECT_EQ(rec.Urls(), std::set<std::string>{"webmaster@site.test"});
}

TEST(Engine, MetaTagsRefreshAndRobots) {
    Site site;
    THttpScan s;
    Configure(s);
    Recorder rec;
    rec.Attach(s);
    s.SetDepthSearchLevel(2);
    s.SetSeekRobotsTxt(true);
    s.OnMetaTag = [&](QObject*, const std::string& url, const std::string&, const std::string& type,
                      const std::string& a1, const std::string& v1, const std::string& a2,
                      const std::string& v2, const std::string&, const std::string&) {
        if (url == site.U("/site/")) {
            rec.metas.push_back(type + "|" + a1 + "|" + v1 + "|" + a2 + "|" + v2);
        }
    };
    ASSERT_TRUE(s.StartScan(site.U("/site/")));
    ASSERT_TRUE(WaitIdle(s));
    EXPECT_EQ(rec.metas,
              (std::vector<std::string>{"TITLE|TITLE|Home||",
                                        "META|HTTP-EQUIV|refresh|CONTENT|30; URLrefreshed.htm"}));
    EXPECT_EQ(site.srv.CountTarget("/site/refreshed.htm"), 1);
    EXPECT_FALSE(rec.Find(site.U("/site/refreshed.htm")));  // followed, not reported
    // One robots.txt per new host, on the host's own port, never retried.
    EXPECT_EQ(site.srv.CountTarget("/robots.txt"), 1);
    for (auto& r : site.srv.Log()) {
        if (r.target == "/robots.txt") {
            EXPECT_FALSE(r.HasHeader("Referer"));
        }
    }
    bool robotsError = false;
    for (auto& e : rec.errors)
        if (e.url == site.U("/robots.txt"))
            robotsError = e.code == 500;
    EXPECT_TRUE(robotsError);
}

TEST(Engine, FailuresRetriesAndStatistics) {
    FixtureServer srv;
    srv.Route("/404.htm", FixtureServer::Static(404, "text/html", "<html>gone"));
    srv.Route("/500.htm", FixtureServer::Static(500, "text/html", "<html>oops"));
    srv.Route("/empty.htm", FixtureServer::Static(200, "text/html", ""));
    srv.Route("/plain.txt", FixtureServer::Static(200, "text/plain", "text"));
    srv.Route("/silent.htm", [](const LoggedRequest&, FixtureConn& c) { c.Sleep(30000); });
    srv.Route("/large.htm", FixtureServer::Static(200, "text/html", std::string(5 << 20, 'a')));
    std::string bigHead;
    for (int i = 0; bigHead.size() < 3000; ++i)
        bigHead += "X-Filler-" + std::to_string(i) + ": " + std::string(40, 'f') + "\r\n";
    srv.Route("/bighead.htm",
              FixtureServer::Static(200, "text/html", "<a href=found.htm>f</a>", bigHead));
    srv.Route("/auth.htm", [](const LoggedRequest& r, FixtureConn& c) {
        c.Send(r.HasHeader("Authorization")
                   ? FixtureServer::Response(200, "text/html", "<a href=inside.htm>i</a>")
                   : FixtureServer::Response(401, "text/html", "",
                                             "WWW-Authenticate: Basic realm=\"x\"\r\n"));
    });
    const std::string refused = "http://127.0.0.2:" + std::to_string(srv.Port()) + "/x.htm";
    const struct {
        std::string url;
        int requests;  // -1: not counted (another host)
        size_t errors;
        unsigned code;
        std::string msg;
        int errorCount, retryCount, links;
    } cases[] = {
        {srv.Url("/404.htm"), 1, 1, 404, "ERROR", 0, 0, 0},
        {srv.Url("/500.htm"), 4, 1, 500, "", 1, 3, 0},
        {srv.Url("/empty.htm"), 4, 1, 200, "", 1, 3, 0},
        {srv.Url("/plain.txt"), 1, 0, 0, "", 0, 0, 0},
        {srv.Url("/silent.htm"), 1, 1, 0, "TimeOut", 1, 0, 0},
        {srv.Url("/large.htm"), 1, 1, 200, "page larger than 4194304 bytes", 1, 0, 0},
        {srv.Url("/bighead.htm"), 1, 0, 0, "", 0, 0, 1},
        {srv.Url("/auth.htm"), 2, 0, 0, "", 0, 0, 1},
        {refused, -1, 1, 0, "", 1, 3, 0},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.url);
        srv.ClearLog();
        THttpScan s;
        Configure(s);
        s.SetUserName("u");
        s.SetPassword("p");
        s.SetDepthSearchLevel(1);
        s.Manager().TimeOutMsOverride = 600;
        Recorder rec;
        rec.Attach(s);
        ASSERT_TRUE(s.StartScan(c.url));
        ASSERT_TRUE(WaitIdle(s));
        if (c.requests >= 0) {
            EXPECT_EQ(int(srv.Log().size()), c.requests);
        }
        ASSERT_EQ(rec.errors.size(), c.errors);
        if (c.errors) {
            EXPECT_EQ(rec.errors[0].code, c.code);
            EXPECT_EQ(rec.errors[0].msg, c.msg);
            EXPECT_EQ(rec.errors[0].url, c.msg == "TimeOut" ? "timeout : " + c.url : c.url);
        }
        EXPECT_EQ(rec.stats[5], c.errorCount);
        EXPECT_EQ(rec.stats[4], c.retryCount);
        EXPECT_EQ(int(rec.links.size()), c.links);
        EXPECT_EQ(rec.working, (std::vector<bool>{true, false}));
    }
}

TEST(Engine, ProxyWith407) {
    FixtureServer proxy;
    proxy.Prefix("http://", [](const LoggedRequest& r, FixtureConn& c) {
        if (!r.HasHeader("Proxy-Authorization"))
            c.Send(FixtureServer::Response(407, "text/html", "",
                                           "Proxy-Authenticate: Basic realm=\"p\"\r\n"));
        else if (r.target == "http://site.invalid/")
            c.Send(FixtureServer::Response(200, "text/html", "<a href=next.htm>n</a>"));
        else
            c.Send(FixtureServer::Response(200, "text/html", "<p>"));
    });
    THttpScan s;
    Configure(s);
    s.SetProxyType(PROXY_USEPROXY);
    s.SetProxyAddress("127.0.0.1");
    s.SetProxyPort(proxy.Port());
    s.SetProxyUser("pu");
    s.SetProxyPassword("pp");
    Recorder rec;
    rec.Attach(s);
    ASSERT_TRUE(s.StartScan("http://site.invalid/"));
    ASSERT_TRUE(WaitIdle(s));
    EXPECT_EQ(rec.Urls(), std::set<std::string>{"http://site.invalid/next.htm"});
    EXPECT_EQ(proxy.CountTarget("http://site.invalid/next.htm"), 2);
    EXPECT_TRUE(rec.errors.empty());
}

TEST(Engine, StartScanRefusalsAndSetterMinimums) {
    THttpScan s;
    Recorder rec;
    rec.Attach(s);
    s.SetFileOfResults("");
    EXPECT_FALSE(s.StartScan(""));
    EXPECT_FALSE(s.StartScan("not a url"));
    EXPECT_EQ(rec.messages,
              (std::vector<std::string>{"no URL specified", "Invalid Url : not a url"}));
    EXPECT_FALSE(s.IsWorking());
    EXPECT_TRUE(rec.working.empty());
    s.SetFileOfResults("/nonexistent-dir/x/results.txt");
    EXPECT_FALSE(s.StartScan("http://127.0.0.1:1/"));
    EXPECT_EQ(rec.messages.back(), "unable to create file: /nonexistent-dir/x/results.txt");
    EXPECT_FALSE(s.IsWorking());
    EXPECT_FALSE(s.StopScan());

    std::string cwd = std::filesystem::current_path().string();
    s.SetFileOfResults("bare.txt");
    EXPECT_EQ(s.FileOfResults(), cwd + "/Download/bare.txt");
    s.SetFileOfResults("/tmp/x.txt");
    EXPECT_EQ(s.FileOfResults(), "/tmp/x.txt");

    EXPECT_EQ(s.TimeOut(), 300);
    EXPECT_EQ(s.Agent(), kAgent);
    // One set of fetch settings, the manager reading the crawler's.
    EXPECT_EQ(&s.Manager().Fetch(), &s.Fetch());
    EXPECT_EQ(s.Manager().Fetch().agent, kAgent);
    EXPECT_EQ(s.ConcurrentDownloads(), 6);
    EXPECT_EQ(s.Manager().Kind, 1);
    EXPECT_EQ(s.TypeFilter().Items(), std::vector<std::string>{"gif"});
    EXPECT_EQ(s.KeywordsFilter().Items(),
              (std::vector<std::string>{"count", "hitbox", "referer", "stat", "track"}));
    s.SetTimeOut(5);
    s.SetMaxQueueSize(9);
    s.SetRetries(0);
    s.SetDepthSearchLevel(0);
    s.SetConcurrentDownloads(0);
    EXPECT_EQ(s.TimeOut(), 300);
    EXPECT_EQ(s.MaxQueueSize(), 5000);
    EXPECT_EQ(s.Retries(), 3);
    EXPECT_EQ(s.DepthSearchLevel(), 3);
    EXPECT_EQ(s.ConcurrentDownloads(), 6);
    s.SetTimeOut(10);
    s.SetConcurrentDownloads(4);
    EXPECT_EQ(s.Manager().TimeOut, 10);
    EXPECT_EQ(s.Manager().ConcurrentDownloads, 4);
    EXPECT_EQ(orv::Registry::ReadInteger(orv::kInternetSettingsKey, "MaxConnectionsPerServer", 0),
              4);
    EXPECT_EQ(
        orv::Registry::ReadInteger(orv::kInternetSettingsKey, "MaxConnectionsPer1_0Server", 0), 6);
    s.SetConcurrentDownloads(6);
}

TEST(Engine, IdleAfterElevenQuietTicksAndRestart) {
    FixtureServer srv;
    srv.Route("/", FixtureServer::Html("<a href=a.htm>a</a>"));
    srv.Route("/a.htm", FixtureServer::Html("<p>"));
    THttpScan s;
    Configure(s);
    Recorder rec;
    rec.Attach(s);
    ASSERT_TRUE(s.StartScan(srv.Url("/")));
    EXPECT_TRUE(s.StartScan(srv.Url("/")));  // the same address within one scan: queued once
    // Without timer ticks the fetch threads' ends alone carry the scan through its pages.
    orv::test::PumpUntil([&] { return srv.CountTarget("/a.htm") > 0; }, 5000);
    EXPECT_EQ(srv.CountTarget("/"), 1);
    // Driven only by ticks now: idle comes on the eleventh quiet one.
    int ticks = 0;
    orv::test::PumpUntil([&] { return THTTPGetThread::Live() == 0 && s.Manager().Done() >= 2; },
                         5000);
    QCoreApplication::processEvents();
    // No events from here on, so the 200 ms timer stays out of the count.
    while (s.IsWorking() && ticks < 30) {
        s.TimerTick();
        ++ticks;
    }
    EXPECT_FALSE(s.IsWorking());
    EXPECT_LE(ticks, 13);
    EXPECT_GE(ticks, 11);
    EXPECT_EQ(rec.working, (std::vector<bool>{true, false}));
    EXPECT_EQ(s.VisitedUrlCount(), 0);
    // After idle the same start is a new scan, and its links are reported again.
    ASSERT_TRUE(s.StartScan(srv.Url("/")));
    ASSERT_TRUE(WaitIdle(s, 30000, false));  // on the real 200 ms timer
    EXPECT_EQ(srv.CountTarget("/"), 2);
    EXPECT_EQ(rec.links.size(), 2u);
}

TEST(Engine, StopAndShutdownMidScanRepeated) {
    FixtureServer srv;
    // Many pages that answer slowly, each linking to more.
    srv.Prefix("/p", [](const LoggedRequest& r, FixtureConn& c) {
        if (!c.Sleep(int(r.target.size() % 7) * 15))
            return;
        std::string body = "<html>";
        for (int i = 0; i < 20; ++i)
            body += "<a href=\"" + r.target.substr(0, 30) + std::to_string(i) + ".htm\">x</a> ";
        if (!c.Send("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n"))
            return;
        for (std::size_t i = 0; i < body.size(); i += 64) {
            if (!c.Send(body.substr(i, 64)))
                return;
            if (i % 512 == 0 && !c.Sleep(2))
                return;
        }
    });
    for (int round = 0; round < 24; ++round) {
        SCOPED_TRACE(round);
        auto s = std::make_unique<THttpScan>();
        s->SetFileOfResults("");
        s->SetProxyType(PROXY_DIRECT);
        s->SetConcurrentDownloads(6);
        s->SetDepthSearchLevel(5);
        int terminated = 0;
        s->OnTerminateApplication = [&] { ++terminated; };
        Recorder rec;
        rec.Attach(*s);
        ASSERT_TRUE(s->StartScan(srv.Url("/p/")));
        orv::test::PumpFor(20 + (round * 37) % 400, [&] {
            if (round % 2)
                s->TimerTick();
        });
        switch (round % 4) {
            case 0:
            case 1: {
                bool stopped = s->StopScan();
                EXPECT_FALSE(s->StopScan());  // already stopping
                if (stopped) {
                    EXPECT_TRUE(s->IsStopping());
                    std::size_t before = rec.links.size();
                    ASSERT_TRUE(WaitIdle(*s, 20000, round % 2));
                    EXPECT_EQ(rec.links.size(), before);  // nothing after a stop
                    EXPECT_FALSE(s->IsStopping());
                }
                break;
            }
            case 2: {
                s->ShutdownScan();
                std::size_t links = rec.links.size(), errors = rec.errors.size();
                int ticks = 0;
                EXPECT_EQ(s->ShutdownCountdown(), 10);
                // Ticks by hand only (no events: the 200 ms timer stays out of the count).
                while (terminated == 0 && ticks < 20) {
                    s->TimerTick();
                    ++ticks;
                }
                EXPECT_EQ(terminated, 1);
                EXPECT_EQ(ticks, 10);
                EXPECT_EQ(rec.links.size(), links);
                EXPECT_EQ(rec.errors.size(), errors);
                EXPECT_FALSE(s->Manager().Add(srv.Url("/p/late"),
                                              {.LinkCode = TLinkCode::Href, .BodyMode = 1}));
                break;
            }
            default:
                break;  // destroyed in the middle of the scan
        }
        s.reset();
        QCoreApplication::processEvents();
    }
    WaitThreadsGone();
}

TEST(Engine, RedirectedPagesAreAnalysedWhereTheRedirectLed) {
    FixtureServer srv;
    const std::string H = "http://" + srv.Host();
    // "localhost" is another site than 127.0.0.1 on the same server.
    const std::string L = "http://localhost:" + std::to_string(srv.Port());
    // A directory named like a file ("v1.5") is answered by a redirect to the directory.
    srv.Route("/r/", FixtureServer::Html("<a href=\"v1.5\">s</a> <a href=\"away\">a</a>"));
    srv.Route("/r/v1.5", FixtureServer::Redirect(301, "/r/v1.5/"));
    srv.Route("/r/v1.5/", FixtureServer::Html("<a href=\"inner.htm\">i</a>"));
    srv.Route("/r/v1.5/inner.htm", FixtureServer::Html("<p>"));
    srv.Route("/r/away", FixtureServer::Redirect(302, L + "/ext/"));
    srv.Route("/ext/", FixtureServer::Html("<a href=\"deeper.htm\">d</a>"));
    srv.Route("/go", FixtureServer::Redirect(302, L + "/r/"));

    struct Case {
        std::string start;
        std::set<std::string> reported, fetched, notFetched;
    };
    const Case cases[] = {
        // A page moved within the site: its links resolve under its new address; a page
        // moved to another site is that site's page, and that site is not scanned.
        {H + "/r/",
         {H + "/r/v1.5", H + "/r/away", H + "/r/v1.5/inner.htm"},
         {"/r/v1.5/", "/r/v1.5/inner.htm"},
         {"/r/inner.htm", "/r/deeper.htm", "/ext/deeper.htm"}},
        // The start page moved to another site: the scan goes on there ("away" has no type
        // on a host without a dot, and is dropped).
        {H + "/go",
         {L + "/r/v1.5", L + "/r/v1.5/inner.htm"},
         {"/r/v1.5/", "/r/v1.5/inner.htm"},
         {"/r/inner.htm"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.start);
        srv.ClearLog();
        THttpScan s;
        Configure(s);
        s.SetLinkScan(scanInitialSite);
        s.SetLinkReport(reportAllLinks);
        Recorder rec;
        rec.Attach(s);
        ASSERT_TRUE(s.StartScan(c.start));
        ASSERT_TRUE(WaitIdle(s));
        EXPECT_EQ(rec.Urls(), c.reported);
        std::set<std::string> requested;
        for (auto& r : srv.Log())
            requested.insert(r.target);
        for (auto& p : c.fetched)
            EXPECT_TRUE(requested.count(p)) << "not fetched " << p;
        for (auto& p : c.notFetched)
            EXPECT_FALSE(requested.count(p)) << "fetched " << p;
        if (const Link* inner = rec.Find(H + "/r/v1.5/inner.htm")) {
            EXPECT_EQ(inner->from, H + "/r/v1.5/");
        }
        EXPECT_TRUE(rec.errors.empty());
    }
}

TEST(Engine, PathScopeOfAStartPageThatIsAFile) {
    FixtureServer srv;
    const std::string H = "http://" + srv.Host();
    srv.Route("/docs/index.html",
              FixtureServer::Html("<a href=\"a.htm\">a</a> <a href=\"/other/b.htm\">b</a> "
                                  "<a href=\"sub/c.htm\">c</a>"));
    srv.Route("/docs/a.htm", FixtureServer::Html("<a href=\"a2.htm\">a2</a>"));
    srv.Route("/docs/sub/c.htm", FixtureServer::Html("<a href=\"../a3.htm\">a3</a>"));
    srv.Route("/other/b.htm", FixtureServer::Html("<a href=\"b2.htm\">b2</a>"));
    THttpScan s;
    Configure(s);
    s.SetLinkScan(scanInitialPath);
    s.SetLinkReport(reportCurrentPathLinks);
    Recorder rec;
    rec.Attach(s);
    ASSERT_TRUE(s.StartScan(H + "/docs/index.html"));
    ASSERT_TRUE(WaitIdle(s));
    // c.htm's link leaves c.htm's directory: not reported, though within the start's path.
    EXPECT_EQ(rec.Urls(), (std::set<std::string>{H + "/docs/a.htm", H + "/docs/sub/c.htm",
                                                 H + "/docs/a2.htm"}));
    EXPECT_EQ(srv.CountTarget("/docs/a.htm"), 1);
    EXPECT_EQ(srv.CountTarget("/docs/sub/c.htm"), 1);
    EXPECT_EQ(srv.CountTarget("/other/b.htm"), 0);
}

TEST(Engine, PagesAsServersSendThem) {
    FixtureServer srv;
    const std::string H = "http://" + srv.Host();
    const std::string page =
        "<a href=\"one.htm\">1</a> <a href=\"http://127.0.0.1:99999/bad.htm\">bad port</a> "
        "<a href=\"mailto:&#109;e&#64;site.test\">mail</a> "
        "<a href=\"q.htm?x=1&amp;y=2\">query</a>";
    srv.Route("/gz/",
              FixtureServer::Static(200, "text/html; charset=utf-8", FixtureServer::Gzip(page, 3),
                                    "Content-Encoding: gzip\r\n"));
    srv.Route("/gz/one.htm", FixtureServer::Html("<p>"));
    srv.Route("/gz/q.htm?x=1&y=2", FixtureServer::Html("<p>"));
    THttpScan s;
    Configure(s);
    s.SetLinkReport(reportAllLinks);
    Recorder rec;
    rec.Attach(s);
    ASSERT_TRUE(s.StartScan(H + "/gz/"));
    ASSERT_TRUE(WaitIdle(s));
    // The compressed page is read; the link that does not split is dropped, not reported
    // with the fields of the link before it; references in values are resolved.
    EXPECT_EQ(rec.Urls(),
              (std::set<std::string>{H + "/gz/one.htm", "me@site.test", H + "/gz/q.htm?x=1&y=2"}));
    EXPECT_EQ(srv.CountTarget("/gz/q.htm?x=1&y=2"), 1);
    const Link* q = rec.Find(H + "/gz/q.htm?x=1&y=2");
    ASSERT_TRUE(q);
    EXPECT_EQ(q->host, "127.0.0.1");
    EXPECT_EQ(q->extra, "?x=1&y=2");
}
