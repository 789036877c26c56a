#include "platform/browser_link.h"

#include <gtest/gtest.h>
#include <lz4.h>

#include <QTemporaryDir>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "fixture_server.h"
#include "tcp_loopback.h"

namespace orv::browser {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string MozLz4(const std::string& text) {
    std::string block(std::size_t(LZ4_compressBound(int(text.size()))), '\0');
    const int n =
        LZ4_compress_default(text.data(), block.data(), int(text.size()), int(block.size()));
    block.resize(std::size_t(n));
    std::string file("mozLz40\0", 8);
    for (int i = 0; i < 4; ++i)
        file += char((text.size() >> (8 * i)) & 0xff);
    return file + block;
}

void Write(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
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
    return R"({"selectedWindow":1,"windows":[{"selected":1,"tabs":[{"index":1,"entries":[{"url":")" +
           url + R"(","title":"T"}]}]}]})";
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
        places.timeout = 200ms;
    }
    fs::path Root() const { return fs::path(places.home) / ".mozilla/firefox"; }
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

TEST(TargetsReply, IsTheFirstWebPage) {
    const std::string targets = R"([
      {"type": "service_worker", "url": "https://sw.example/sw.js", "title": "SW"},
      {"type": "page", "url": "chrome://newtab/", "title": "New Tab"},
      {"type": "page", "url": "devtools://devtools/inspector.html", "title": "DevTools"},
      {"type": "background_page", "url": "https://ext.example/", "title": "Ext"},
      {"type": "page", "url": "https://www.example.com/path/x", "title": "Example"},
      {"type": "page", "url": "http://second.example/", "title": "Second"}
    ])";
    EXPECT_EQ(ReplyFromTargets(targets), R"("https://www.example.com/path/x","Example")");
    EXPECT_EQ(ReplyFromTargets(R"([{"type":"page","url":"about:blank"}])"), std::nullopt);
    EXPECT_EQ(ReplyFromTargets("not json"), std::nullopt);
}

TEST_F(BrowserLinkTest, FirefoxSessionAnswersTheWindowInformation) {
    Write(Profile(Root()) / "sessionstore-backups/recovery.jsonlz4", MozLz4(kSession));
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
    const fs::path file = Profile(Root()) / "sessionstore-backups/recovery.jsonlz4";
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

    // A profile without a recovery file (the browser was closed) is none either.
    fs::create_directories(Profile(Root()) / "sessionstore-backups");
    EXPECT_FALSE(conv.SetDdeLink("Iexplore", "WWW_GetWindowInfo"));
}

TEST_F(BrowserLinkTest, FindsTheDefaultProfileOfEachRoot) {
    struct Case {
        const char* name;
        const char* root;
        std::string installs;  // installs.ini, "" for none
        std::string profiles;
        const char* profile;  // folder holding the session, under the root unless absolute
    } cases[] = {
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
        const fs::path session = root / c.profile / "sessionstore-backups/recovery.jsonlz4";
        Write(session, MozLz4(kSession));
        EXPECT_EQ(FirefoxSessionFiles(p), std::vector<std::string>{session.string()}) << c.name;
    }

    // A profile outside the root, named by an absolute path.
    QTemporaryDir elsewhere;
    Write(Root() / "profiles.ini",
          "[Profile0]\nIsRelative=0\nPath=" + elsewhere.path().toStdString() + "/abs\nDefault=1\n");
    const fs::path session =
        fs::path(elsewhere.path().toStdString()) / "abs/sessionstore-backups/recovery.jsonlz4";
    Write(session, MozLz4(kSession));
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
    server.Route("/json/list", test::FixtureServer::Static(200, "application/json", R"([
      {"type":"service_worker","url":"https://sw.example/sw.js"},
      {"type":"page","url":"chrome://settings/"},
      {"type":"page","url":"https://host.example:8080/a/b","title":"B"}])"));

    // The port from the profile's DevToolsActivePort file.
    Write(fs::path(places.configHome) / "chromium/DevToolsActivePort",
          std::to_string(server.Port()) + "\n/devtools/browser/1234\n");
    EXPECT_EQ(DevToolsPorts(places), std::vector<int>{server.Port()});
    TDdeClientConv conv(places);
    ASSERT_TRUE(conv.SetDdeLink("Iexplore", "WWW_GetWindowInfo"));
    EXPECT_EQ(conv.RequestDdeItem("-1"), R"("https://host.example:8080/a/b","B")");
    EXPECT_EQ(server.CountTarget("/json/list"), 1);  // one request per request, no retries
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

TEST_F(BrowserLinkTest, LocalHttpGetAnswersOrGivesUpWithinItsTimeOut) {
    test::FixtureServer server;
    server.Route("/json/list", test::FixtureServer::Static(200, "application/json", "[1]"));
    server.Route("/missing", test::FixtureServer::Static(404, "text/plain", "no"));
    EXPECT_EQ(LocalHttpGet(server.Port(), "/json/list", 500ms), "[1]");
    EXPECT_EQ(LocalHttpGet(server.Port(), "/missing", 500ms), std::nullopt);

    // A closed port refuses at once; a listener that never answers is given up on. The bound
    // below is far above the time-out: it only catches a wait that ignores it.
    test::Sock silent = test::Listen();
    ASSERT_TRUE(silent.ok());
    for (int port : {closedPort, int(silent.Port())}) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(LocalHttpGet(port, "/json/list", 200ms), std::nullopt) << port;
        EXPECT_LT(std::chrono::steady_clock::now() - start, 5s) << port;
    }
    EXPECT_FALSE(LocalPortOpen(closedPort, 200ms));
    EXPECT_TRUE(LocalPortOpen(silent.Port(), 200ms));

    // A silent debugging port: the conversation opens, its request gives nothing.
    places.defaultDebugPort = silent.Port();
    TDdeClientConv conv(places);
    ASSERT_TRUE(conv.SetDdeLink("Iexplore", "WWW_GetWindowInfo"));
    EXPECT_EQ(conv.RequestDdeItem("-1"), std::nullopt);
}

}  // namespace
}  // namespace orv::browser
