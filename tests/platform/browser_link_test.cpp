#include "platform/browser_link.h"

#include <gtest/gtest.h>
#include <lz4.h>

#include <QTemporaryDir>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "browser_fixtures.h"
#include "fixture_server.h"
#include "tcp_loopback.h"

namespace orv::browser {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

using test::MozLz4;
using test::ProfileLock;
void Write(const fs::path& path, const std::string& bytes) {
    test::WriteFile(path, bytes);
}

using test::DevTools;
const std::string& kVersion = test::kDevToolsVersion;

// A debuggable Chromium on `server`, each answer `delay` late.
void Serve(test::FixtureServer& server, const std::string& targets,
           std::chrono::milliseconds delay = {}) {
    test::ServeDevTools(server, targets, [delay](test::FixtureConn& c) {
        return delay.count() == 0 || c.Sleep(int(delay.count()));
    });
}

// A session of two windows; the second is selected, its third tab too, and that tab has gone
// back to the second of its three pages.
const std::string kSession = R"({
  "selectedWindow": 2,
  "windows": [
    {"selected": 1, "tabs": [{"index": 1, "entries": [{"url": "https://first.example/", "title": "First"}]}]},
    {"selected": 3, "tabs": [
      {"index": 1, "entries": [{"url": "https://other.example/", "title": "Other"}]},
      {"index": 1, "entries": [{"url": "https://other2.example/", "title": "Other 2"}]},
      {"index": 2, "entries": [
        {"url": "https://www.example.org/a", "title": "A"},
        {"url": "https://www.example.org:8443/docs/page.html?q=1", "title": "The \"docs\""},
        {"url": "https://www.example.org/c", "title": "C"}]}
    ]}
  ]})";

std::string OneTab(const std::string& url) {
    return test::OneTabSession(url);
}

class BrowserLinkTest : public ::testing::Test {
  protected:
    BrowserLinkTest() {
        places.home = home.path().toStdString();
        places.configHome = places.home + "/.config";
        // Nothing listens there while the test runs: the listener is closed again.
        test::Sock s = test::Listen();
        closedPort = s.Port();
        s.Close();
        places.defaultDebugPort = closedPort;
        places.timeout = 500ms;
    }
    fs::path Root() const { return fs::path(places.home) / ".mozilla/firefox"; }
    fs::path SessionFile(const fs::path& profile) const {
        return profile / "sessionstore-backups/recovery.jsonlz4";
    }
    // A profile "abc.default-release" made the default through profiles.ini.
    fs::path Profile(const fs::path& root) {
        Write(root / "profiles.ini",
              "[General]\nStartWithLastProfile=1\n\n[Profile0]\nName=default-release\n"
              "IsRelative=1\nPath=abc.default-release\nDefault=1\n");
        return root / "abc.default-release";
    }

    QTemporaryDir home;
    Places places;
    int closedPort = 0;
};

TEST(MozLz4, DecodesWhatWasEncodedAndRefusesDamage) {
    const std::string file = MozLz4(kSession);
    EXPECT_EQ(DecodeMozLz4(file), kSession);

    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"no magic", "mozLz4x\0" + file.substr(8)},
        {"truncated block", file.substr(0, file.size() - 10)},
        {"header only", file.substr(0, 12)},
        {"size larger than the block gives",
         [&] {
             std::string f = file;
             f[8] = char(f[8] + 1);
             return f;
         }()},
        {"corrupt block",
         [&] {
             std::string f = file;
             for (std::size_t i = 12; i < f.size(); i += 3)
                 f[i] = char(0xff);
             return f;
         }()},
        {"absurd size", std::string("mozLz40\0", 8) + "\xff\xff\xff\x7f" + file.substr(12)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecodeMozLz4(c.bytes), std::nullopt) << c.name;
}

TEST(SessionReply, IsTheSelectedTabOfTheSelectedWindow) {
    struct Case {
        const char* name;
        std::string json;
        std::optional<std::string> reply;
    } cases[] = {
        {"selected window, tab and entry", kSession,
         R"("https://www.example.org:8443/docs/page.html?q=1","The "docs"")"},
        {"local file", OneTab("file:///home/u/page.html"), R"("file:///home/u/page.html","T")"},
        {"blank page", OneTab("about:blank"), R"("about:blank","T")"},
        {"no index: the last entry",
         R"({"windows":[{"tabs":[{"entries":[{"url":"http://a/"},{"url":"http://b/"}]}]}]})",
         R"("http://b/","")"},
        {"selected window beyond the list", R"({"selectedWindow":3,"windows":[{}]})", std::nullopt},
        {"tab without entries", R"({"selectedWindow":1,"windows":[{"selected":1,"tabs":[{}]}]})",
         std::nullopt},
        {"not JSON", "{\"windows\":[", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReplyFromSession(c.json), c.reply) << c.name;
}

// The list is the most recently active first: the first page is the tab the user looks at,
// whatever it shows.
TEST(TargetsReply, IsTheFirstPageWhateverItShows) {
    const std::string others = R"(
      {"type": "page", "url": "https://www.example.com/path/x", "title": "Example"},
      {"type": "page", "url": "http://second.example/", "title": "Second"}])";
    struct Case {
        const char* first;
        std::optional<std::string> reply;
    } cases[] = {
        {R"({"type": "page", "url": "https://first.example/", "title": "F"},)",
         R"("https://first.example/","F")"},
        {R"({"type": "page", "url": "chrome://new-tab-page-third-party/", "title": "New Tab"},)",
         R"("chrome://new-tab-page-third-party/","New Tab")"},
        {R"({"type": "page", "url": "file:///tmp/a.html", "title": "A"},)",
         R"("file:///tmp/a.html","A")"},
        {R"({"type": "page", "url": "about:blank", "title": ""},)", R"("about:blank","")"},
        // Not pages, or the debugger's own window: passed over.
        {R"({"type": "service_worker", "url": "https://sw.example/sw.js", "title": "SW"},
            {"type": "browser_ui", "url": "chrome://omnibox-popup.top-chrome/", "title": "O"},
            {"type": "page", "url": "devtools://devtools/bundled/devtools_app.html", "title": "D"},)",
         R"("https://www.example.com/path/x","Example")"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReplyFromTargets(std::string("[") + c.first + others), c.reply) << c.first;
    EXPECT_EQ(ReplyFromTargets("[]"), std::nullopt);
    EXPECT_EQ(ReplyFromTargets("not json"), std::nullopt);

    EXPECT_TRUE(IsDevToolsVersion(kVersion));
    EXPECT_FALSE(IsDevToolsVersion(R"({"status": "ok"})"));
    EXPECT_FALSE(IsDevToolsVersion("<html>Not Found</html>"));
}

TEST_F(BrowserLinkTest, FirefoxSessionAnswersTheWindowInformation) {
    const fs::path profile = Profile(Root());
    Write(SessionFile(profile), MozLz4(kSession));
    ProfileLock running(profile);
    ASSERT_TRUE(running.Locked());
    TDdeClientConv conv(places);
    ASSERT_TRUE(conv.SetDdeLink("Iexplore", "WWW_GetWindowInfo"));
    EXPECT_EQ(conv.DdeService(), "Iexplore");
    EXPECT_FALSE(conv.OpenDdeLink());  // already open
    EXPECT_EQ(conv.RequestDdeItem("-1"),
              R"("https://www.example.org:8443/docs/page.html?q=1","The "docs"")");
    EXPECT_EQ(conv.RequestDdeItem("0"), std::nullopt);
    conv.CloseDdeLink();
    EXPECT_EQ(conv.DdeService(), "");
    EXPECT_EQ(conv.DdeTopic(), "");
    EXPECT_EQ(conv.RequestDdeItem("-1"), std::nullopt);
    conv.CloseDdeLink();  // safe twice

    EXPECT_FALSE(conv.SetDdeLink("Other", "WWW_GetWindowInfo"));
    EXPECT_EQ(conv.DdeService(), "");
}

TEST_F(BrowserLinkTest, DamagedSessionFileGivesNoReply) {
    const fs::path profile = Profile(Root());
    const fs::path file = SessionFile(profile);
    ProfileLock running(profile);
    for (const std::string& bytes :
         {MozLz4(kSession).substr(0, 40), std::string("mozLz40\0\x10\0\0\0garbage!", 20)}) {
        Write(file, bytes);
        TDdeClientConv conv(places);
        ASSERT_TRUE(conv.SetDdeLink("Iexplore", "WWW_GetWindowInfo"));
        EXPECT_EQ(conv.RequestDdeItem("-1"), std::nullopt);
    }
}

TEST_F(BrowserLinkTest, NoProfileNoSessionNoPortIsNoConversation) {
    TDdeClientConv conv(places);
    EXPECT_FALSE(conv.SetDdeLink("Iexplore", "WWW_GetWindowInfo"));
    EXPECT_EQ(conv.DdeService(), "");
    EXPECT_EQ(conv.DdeTopic(), "");

    // A profile in use without a recovery file is none either.
    const fs::path profile = Profile(Root());
    fs::create_directories(profile / "sessionstore-backups");
    ProfileLock running(profile);
    EXPECT_FALSE(conv.SetDdeLink("Iexplore", "WWW_GetWindowInfo"));
}

// Firefox leaves its session file behind when it ends (a logout's SIGTERM, a kill): the page
// counts only while the profile is in use, as Firefox itself tells it.
TEST_F(BrowserLinkTest, AProfileCountsOnlyWhileInUse) {
    const fs::path profile = Profile(Root());
    Write(SessionFile(profile), MozLz4(kSession));
    auto found = [&] { return !FirefoxSessionFiles(places).empty(); };

    EXPECT_FALSE(ProfileInUse(profile.string()));
    EXPECT_FALSE(found()) << "no lock at all";
    Write(profile / ".parentlock", "");
    EXPECT_FALSE(found()) << "the lock file of a Firefox that has quit";
    {
        ProfileLock running(profile, ProfileLock::ParentLock);
        ASSERT_TRUE(running.Locked());
        EXPECT_TRUE(found()) << ".parentlock locked";
        EXPECT_TRUE(found()) << "the test took no lock and dropped none";
    }
    EXPECT_FALSE(found()) << ".parentlock released";
    {
        // A profile on a file system without locks: the link alone.
        ProfileLock running(profile, ProfileLock::LockLink);
        EXPECT_TRUE(found()) << "link to a live process";
        running.Release();
        EXPECT_FALSE(found()) << "link to a process that has gone";
    }
    fs::remove(profile / "lock");
    for (const std::string& link :
         std::vector<std::string>{"192.0.2.1:+" + std::to_string(::getpid()), "127.0.0.1:+x",
                                  "127.0.0.1:+0", "nonsense"}) {
        fs::create_symlink(link, profile / "lock");
        EXPECT_FALSE(found()) << link;
        fs::remove(profile / "lock");
    }
    fs::create_symlink("127.0.0.1:" + std::to_string(::getpid()), profile / "lock");
    EXPECT_TRUE(found()) << "an older link without the \"+\"";
}

TEST_F(BrowserLinkTest, FindsTheDefaultProfileOfEachRoot) {
    struct Case {
        const char* name;
        const char* root;
        std::string installs;  // installs.ini, "" for none
        std::string profiles;
        const char* profile;  // folder holding the session, under the root unless absolute
    } cases[] = {
        {"the configuration folder's root", ".config/mozilla/firefox", "",
         "[Profile0]\nPath=xdg.default-esr\nDefault=1\n", "xdg.default-esr"},
        {"installs.ini, the locked install", ".mozilla/firefox",
         "[AAAA]\nDefault=old.default\n\n[BBBB]\nDefault=new.default-release\nLocked=1\n",
         "[Profile0]\nPath=old.default\nDefault=1\n[Profile1]\nPath=new.default-release\n",
         "new.default-release"},
        {"profiles.ini install section", ".mozilla/firefox", "",
         "[Install4F96D1932A9F858E]\nDefault=inst.default\nLocked=1\n\n"
         "[Profile1]\nPath=other\nDefault=1\n[Profile0]\nPath=inst.default\n",
         "inst.default"},
        {"Default=1 profile", ".mozilla/firefox", "",
         "[Profile0]\nPath=p0\n[Profile1]\nName=x\nIsRelative=1\nPath=p1\nDefault=1\n", "p1"},
        {"only profile", ".mozilla/firefox", "", "[Profile0]\nPath=only\n", "only"},
        {"snap root", "snap/firefox/common/.mozilla/firefox", "",
         "[Profile0]\nPath=snapped\nDefault=1\n", "snapped"},
        {"flatpak root", ".var/app/org.mozilla.firefox/.mozilla/firefox", "",
         "[Profile0]\nPath=flat\nDefault=1\n", "flat"},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        Places p = places;
        p.home = dir.path().toStdString();
        const fs::path root = fs::path(p.home) / c.root;
        if (!c.installs.empty())
            Write(root / "installs.ini", c.installs);
        Write(root / "profiles.ini", c.profiles);
        for (const char* other : {"old.default", "other", "p0"})
            Write(root / other / "sessionstore-backups/recovery.jsonlz4",
                  MozLz4(OneTab("http://wrong/")));
        for (const char* other : {"old.default", "other", "p0"})
            Write(root / other / ".parentlock", "");
        const fs::path session = root / c.profile / "sessionstore-backups/recovery.jsonlz4";
        Write(session, MozLz4(kSession));
        ProfileLock running(root / c.profile);
        p.configHome = p.home + "/.config";
        EXPECT_EQ(FirefoxSessionFiles(p), std::vector<std::string>{session.string()}) << c.name;
    }

    // A profile outside the root, named by an absolute path.
    QTemporaryDir elsewhere;
    Write(Root() / "profiles.ini",
          "[Profile0]\nIsRelative=0\nPath=" + elsewhere.path().toStdString() + "/abs\nDefault=1\n");
    const fs::path session =
        fs::path(elsewhere.path().toStdString()) / "abs/sessionstore-backups/recovery.jsonlz4";
    Write(session, MozLz4(kSession));
    ProfileLock running(fs::path(elsewhere.path().toStdString()) / "abs");
    EXPECT_EQ(FirefoxSessionFiles(places), std::vector<std::string>{session.string()});
}

TEST_F(BrowserLinkTest, UserPlacesFollowTheEnvironment) {
    const char* oldHome = std::getenv("HOME");
    const std::string saved = oldHome ? oldHome : "";
    ::setenv("HOME", places.home.c_str(), 1);
    ::unsetenv("XDG_CONFIG_HOME");
    const Places p = UserPlaces();
    EXPECT_EQ(p.home, places.home);
    EXPECT_EQ(p.configHome, places.home + "/.config");
    ::setenv("XDG_CONFIG_HOME", "/somewhere/cfg", 1);
    EXPECT_EQ(UserPlaces().configHome, "/somewhere/cfg");
    ::unsetenv("XDG_CONFIG_HOME");
    if (oldHome)
        ::setenv("HOME", saved.c_str(), 1);
}

TEST_F(BrowserLinkTest, DebuggingPortListsThePage) {
    test::FixtureServer server;
    Serve(server, R"([
      {"type":"service_worker","url":"https://sw.example/sw.js"},
      {"type":"page","url":"https://host.example:8080/a/b","title":"B"},
      {"type":"page","url":"chrome://settings/"}])");

    // The port from the profile's DevToolsActivePort file.
    Write(fs::path(places.configHome) / "chromium/DevToolsActivePort",
          std::to_string(server.Port()) + "\n/devtools/browser/1234\n");
    EXPECT_EQ(DevToolsPorts(places), std::vector<int>{server.Port()});
    TDdeClientConv conv(places);
    ASSERT_TRUE(conv.SetDdeLink("Iexplore", "WWW_GetWindowInfo"));
    EXPECT_EQ(conv.RequestDdeItem("-1"), R"("https://host.example:8080/a/b","B")");
    EXPECT_EQ(server.CountTarget("/json/list"), 1);  // one request per request, no retries
    for (const test::LoggedRequest& r : server.Log()) {
        EXPECT_EQ(r.version, "HTTP/1.1") << r.target;
        EXPECT_EQ(r.Header("Host"), server.Host()) << r.target;
        EXPECT_EQ(r.Header("Connection"), "close") << r.target;
    }
    conv.CloseDdeLink();

    // Without the file, the usual port.
    fs::remove(fs::path(places.configHome) / "chromium/DevToolsActivePort");
    places.defaultDebugPort = server.Port();
    TDdeClientConv usual(places);
    ASSERT_TRUE(usual.SetDdeLink("Iexplore", "WWW_GetWindowInfo"));
    EXPECT_EQ(usual.RequestDdeItem("-1"), R"("https://host.example:8080/a/b","B")");

    // A port named by a stale file that nothing listens on is passed over.
    Write(fs::path(places.configHome) / "google-chrome/DevToolsActivePort",
          std::to_string(closedPort) + "\n/devtools/browser/1\n");
    TDdeClientConv stale(places);
    ASSERT_TRUE(stale.SetDdeLink("Iexplore", "WWW_GetWindowInfo"));
    EXPECT_EQ(stale.RequestDdeItem("-1"), R"("https://host.example:8080/a/b","B")");
}

// Chromium leaves DevToolsActivePort behind on every exit, and its port may serve another
// program later: a port that does not answer as DevTools does not hide a running Firefox.
TEST_F(BrowserLinkTest, AStalePortFileHidesNoRunningFirefox) {
    const fs::path profile = Profile(Root());
    Write(SessionFile(profile), MozLz4(OneTab("https://firefox.example/page")));
    ProfileLock running(profile);
    test::FixtureServer other;  // a web server answering 404 to everything
    other.Route("/json/version", test::FixtureServer::Static(200, "application/json", "[]"));
    test::Sock silent = test::Listen();  // accepts and never answers
    ASSERT_TRUE(silent.ok());
    Write(fs::path(places.configHome) / "chromium/DevToolsActivePort",
          std::to_string(other.Port()) + "\n/devtools/browser/1\n");
    Write(fs::path(places.configHome) / "google-chrome/DevToolsActivePort",
          std::to_string(silent.Port()) + "\n/devtools/browser/2\n");
    TDdeClientConv conv(places);
    ASSERT_TRUE(conv.SetDdeLink("Iexplore", "WWW_GetWindowInfo"));
    EXPECT_EQ(conv.RequestDdeItem("-1"), R"("https://firefox.example/page","T")");
    EXPECT_EQ(other.CountTarget("/json/list"), 0);
}

// A busy browser answers in half a second; the bound is on the whole conversation.
TEST_F(BrowserLinkTest, TheBoundIsOnTheWholeConversation) {
    test::FixtureServer busy;
    Serve(busy, R"([{"type":"page","url":"https://busy.example/","title":"B"}])", 600ms);
    places.defaultDebugPort = busy.Port();
    places.timeout = 2000ms;
    TDdeClientConv conv(places);
    ASSERT_TRUE(conv.SetDdeLink("Iexplore", "WWW_GetWindowInfo"));
    EXPECT_EQ(conv.RequestDdeItem("-1"), R"("https://busy.example/","B")");
    conv.CloseDdeLink();

    // Each answer alone fits the bound, both together do not.
    places.timeout = 1000ms;
    TDdeClientConv bounded(places);
    ASSERT_TRUE(bounded.SetDdeLink("Iexplore", "WWW_GetWindowInfo"));
    EXPECT_EQ(bounded.RequestDdeItem("-1"), std::nullopt);
}

TEST_F(BrowserLinkTest, LocalHttpGetAnswersOrGivesUpByItsDeadline) {
    using Clock = std::chrono::steady_clock;
    auto in = [](std::chrono::milliseconds ms) { return Clock::now() + ms; };
    test::FixtureServer server;
    server.Route("/json/list", DevTools("[1]"));
    server.Route("/missing", test::FixtureServer::Static(404, "text/plain", "no"));
    EXPECT_EQ(LocalHttpGet(server.Port(), "/json/list", in(2000ms)), "[1]");
    EXPECT_EQ(LocalHttpGet(server.Port(), "/missing", in(2000ms)), std::nullopt);

    // The length is a decimal number within the answer's bound; anything else is no answer
    // (a value that wraps once read past its range above all).
    struct Case {
        const char* length;
        std::optional<std::string> body;
    } cases[] = {
        {"5", "hello"},
        {" \t5 ", "hello"},
        {"3", "hel"},
        {"18446744073709551615", std::nullopt},
        {"18446744073709551621", std::nullopt},
        {"-1", std::nullopt},
        {"+5", std::nullopt},
        {"0x5", std::nullopt},
        {"5, 5", std::nullopt},
        {"", std::nullopt},
        {"99999999999", std::nullopt},
    };
    for (const Case& c : cases) {
        server.Route("/length", [&c](const test::LoggedRequest&, test::FixtureConn& conn) {
            conn.Send(std::string("HTTP/1.1 200 OK\r\nContent-Length:") + c.length +
                      "\r\n\r\nhello");
        });
        EXPECT_EQ(LocalHttpGet(server.Port(), "/length", in(2000ms)), c.body) << c.length;
    }

    // A closed port refuses at once; a listener that never answers is given up on.
    test::Sock silent = test::Listen();
    ASSERT_TRUE(silent.ok());
    for (int port : {closedPort, int(silent.Port())})
        EXPECT_EQ(LocalHttpGet(port, "/json/list", in(200ms)), std::nullopt) << port;

    // A silent debugging port is no DevTools endpoint: no conversation.
    places.defaultDebugPort = silent.Port();
    TDdeClientConv conv(places);
    EXPECT_FALSE(conv.SetDdeLink("Iexplore", "WWW_GetWindowInfo"));
}

}  // namespace
}  // namespace orv::browser
