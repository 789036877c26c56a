// One fetch thread's run against a loopback server: credentials after a 401 or 407, outcomes by
// response, deadlines renewed by reads; and the per-server connection limits the scanner writes.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QObject>
#include <QThread>
#include <memory>
#include <string>

#include "fixture_server.h"
#include "platform/registry.h"
#include "platform/url.h"
#include "pump.h"
#include "scanner/fetch_thread.h"
#include "scanner/text_tools.h"
#include "tasks/worker.h"

using orv::Registry;
using orv::test::FixtureConn;
using orv::test::FixtureServer;
using orv::test::LoggedRequest;

namespace {

constexpr const char* kAgent = "Mozilla/4.0 (compatible; MSIE 5.0; Windows NT; DigExt)";

std::string Basic(const std::string& user, const std::string& pw) {
    return "Basic " + QByteArray::fromStdString(user + ":" + pw).toBase64().toStdString();
}

std::unique_ptr<orv::scan::FetchJob> Job(const std::string& url) {
    auto job = std::make_unique<orv::scan::FetchJob>();
    EXPECT_TRUE(orv::net::CrackUrl(url, job->spec.parts));
    job->spec.settings.agent = kAgent;
    job->spec.settings.proxyType = orv::scan::PROXY_DIRECT;
    job->spec.requireHtm = true;
    return job;
}

}  // namespace

TEST(FetchRun, CredentialsAreSentOnceAfterA401) {
    FixtureServer srv;
    srv.Route("/once", [](const LoggedRequest& r, FixtureConn& c) {
        if (r.HasHeader("Authorization"))
            c.Send(FixtureServer::Response(200, "text/html", "<html>in"));
        else
            c.Send(FixtureServer::Response(401, "text/html", "<html>no",
                                           "WWW-Authenticate: Basic realm=\"r\"\r\n"));
    });
    srv.Route("/never", FixtureServer::Static(401, "text/html", "<html>no",
                                              "WWW-Authenticate: Basic realm=\"r\"\r\n"));
    std::string longPassword(5000, 'p');  // no fixed limit on credentials
    auto job = Job(srv.Url("/once"));
    job->spec.settings.userName = "user";
    job->spec.settings.password = longPassword;
    orv::scan::THTTPGetThread::Run(*job);
    EXPECT_TRUE(job->ok);
    EXPECT_EQ(job->status, 200);
    EXPECT_EQ(job->body, "<html>in");
    auto log = srv.Log();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_FALSE(log[0].HasHeader("Authorization"));
    EXPECT_EQ(log[1].Header("Authorization"), Basic("user", longPassword));

    srv.ClearLog();
    auto never = Job(srv.Url("/never"));
    never->spec.settings.userName = "user";
    never->spec.settings.password = "pw";
    orv::scan::THTTPGetThread::Run(*never);
    EXPECT_FALSE(never->ok);
    EXPECT_FALSE(never->refused);
    EXPECT_EQ(never->status, 401);
    EXPECT_EQ(srv.Log().size(), 2u);  // one send and one resend, no more
}

TEST(FetchRun, ProxyCredentialsAreSentAfterA407) {
    FixtureServer proxy;
    proxy.Prefix("http://", [](const LoggedRequest& r, FixtureConn& c) {
        if (r.Header("Proxy-Authorization") == Basic("pu", "pp"))
            c.Send(FixtureServer::Response(200, "text/html", "<html>through"));
        else
            c.Send(FixtureServer::Response(407, "text/html", "",
                                           "Proxy-Authenticate: Basic realm=\"p\"\r\n"));
    });
    auto job = Job("http://site.invalid/page.htm");
    job->spec.settings.proxyType = orv::scan::PROXY_USEPROXY;
    job->spec.settings.proxyAddress = "127.0.0.1";
    job->spec.settings.proxyPort = proxy.Port();
    job->spec.settings.proxyUser = "pu";
    job->spec.settings.proxyPassword = "pp";
    job->spec.settings.userName = "not-for-the-proxy";
    orv::scan::THTTPGetThread::Run(*job);
    EXPECT_TRUE(job->ok);
    EXPECT_EQ(job->body, "<html>through");
    auto log = proxy.Log();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_FALSE(log[0].HasHeader("Proxy-Authorization"));
    EXPECT_EQ(log[1].requestLine, "GET http://site.invalid/page.htm HTTP/1.0");
    EXPECT_FALSE(log[1].HasHeader("Authorization"));
}

TEST(FetchRun, OutcomesByResponse) {
    FixtureServer srv;
    srv.Route("/plain.txt", FixtureServer::Static(200, "text/plain", "User-agent: *"));
    srv.Route("/notype", [](const LoggedRequest&, FixtureConn& c) {
        c.Send("HTTP/1.0 200 OK\r\nContent-Length: 6\r\n\r\n<html>");
    });
    srv.Route("/empty", FixtureServer::Static(200, "text/html", ""));
    srv.Route("/404", FixtureServer::Static(404, "text/html", "<html>gone"));
    srv.Route("/upper", FixtureServer::Static(200, "TEXT/HTML", "<html>"));
    std::string bigHead;
    for (int i = 0; bigHead.size() < 3000; ++i)
        bigHead += "X-Filler-" + std::to_string(i) + ": " + std::string(40, 'f') + "\r\n";
    srv.Route("/bighead", FixtureServer::Static(200, "text/html", "<html>big", bigHead));
    srv.Route("/large", FixtureServer::Static(200, "text/html", std::string(5000, 'a')));
    srv.Route("/large-nolength", [](const LoggedRequest&, FixtureConn& c) {
        c.Send("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n" + std::string(5000, 'a'));
    });

    const struct {
        const char* path;
        bool ok, refused, tooLarge;
        int status;
    } cases[] = {
        {"/plain.txt", false, true, false, 200}, {"/notype", false, false, false, 200},
        {"/empty", false, false, false, 200},    {"/404", true, false, false, 404},
        {"/upper", true, false, false, 200},     {"/bighead", true, false, false, 200},
        {"/large", false, false, true, 200},     {"/large-nolength", false, false, true, 200},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.path);
        auto job = Job(srv.Url(c.path));
        job->spec.maxBody = 4096;
        orv::scan::THTTPGetThread::Run(*job);
        EXPECT_EQ(job->ok, c.ok);
        EXPECT_EQ(job->refused, c.refused);
        EXPECT_EQ(job->tooLarge, c.tooLarge);
        EXPECT_EQ(job->status, c.status);
        EXPECT_LE(job->body.size(), 4096u);
        if (std::string(c.path) == "/bighead") {
            EXPECT_GT(job->headers.size(), 3000u);
        }
    }
}

TEST(FetchRun, ReadsOfATrickleRenewTheDeadline) {
    FixtureServer srv;
    srv.Route("/trickle", [](const LoggedRequest&, FixtureConn& c) {
        if (!c.Send("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n"))
            return;
        for (int i = 0; i < 25; ++i) {
            if (!c.Sleep(20) || !c.Send("<p>" + std::to_string(i) + "</p>"))
                return;
        }
    });
    auto job = Job(srv.Url("/trickle"));
    auto before = orv::scan::TickCountMs();
    orv::scan::THTTPGetThread::Run(*job);
    EXPECT_TRUE(job->ok);
    EXPECT_GE(job->renewedAtMs.load(), before + 100);
}

// A fetch thread says it has ended through the main-thread queue of its notice: the notice
// runs on the queue's thread once the results are there, and not at all once the queue is
// closed (its owner has gone).
TEST(FetchThread, EndNoticeRunsOnTheQueuesThreadUnlessTheQueueIsClosed) {
    FixtureServer srv;
    srv.Route("/page", FixtureServer::Html("<html>in"));
    srv.Route("/slow", [](const LoggedRequest&, FixtureConn& c) {
        if (c.Sleep(300))
            c.Send(FixtureServer::Response(200, "text/html", "<html>late"));
    });
    QObject target;
    for (bool close : {false, true}) {
        SCOPED_TRACE(close);
        auto queue = std::make_shared<orv::task::MainQueue>(&target);
        std::shared_ptr<orv::scan::FetchJob> job = Job(srv.Url(close ? "/slow" : "/page"));
        int notices = 0;
        bool onMainThread = false, resultsThere = false;
        orv::scan::THTTPGetThread::Start(job, {queue, [&] {
                                                   ++notices;
                                                   onMainThread =
                                                       QThread::currentThread() == target.thread();
                                                   resultsThere = job->ended.load() && job->ok;
                                               }});
        if (close)
            queue->Close();
        ASSERT_TRUE(orv::test::PumpUntil([&] { return job->ended.load(); }));
        if (close) {
            orv::test::Settle();
            EXPECT_EQ(notices, 0);
            continue;
        }
        ASSERT_TRUE(orv::test::PumpUntil([&] { return notices > 0; }));
        orv::test::Settle();
        EXPECT_EQ(notices, 1);
        EXPECT_TRUE(onMainThread);
        EXPECT_TRUE(resultsThere);
    }
    orv::test::PumpUntil([] { return orv::scan::THTTPGetThread::Live() == 0; });
}

TEST(ConnectionLimits, TheScannerWritesTwoMoreForOldServers) {
    orv::scan::SetConnectionLimits(6);
    EXPECT_EQ(Registry::ReadInteger(orv::kInternetSettingsKey, "MaxConnectionsPerServer", 0), 6);
    EXPECT_EQ(Registry::ReadInteger(orv::kInternetSettingsKey, "MaxConnectionsPer1_0Server", 0), 8);
}
