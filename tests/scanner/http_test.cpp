// The web client layer (platform/http), the registry store and one fetch thread's run,
// against the local fixture server.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QObject>
#include <QThread>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "fixture_server.h"
#include "platform/http.h"
#include "platform/inifile.h"
#include "platform/registry.h"
#include "platform/url.h"
#include "pump.h"
#include "scanner/fetch_thread.h"
#include "scanner/text_tools.h"
#include "tasks/worker.h"

using orv::Registry;
using orv::net::HttpClient;
using orv::net::HttpOutcome;
using orv::net::HttpRequest;
using orv::net::ProxyMode;
using orv::test::FixtureConn;
using orv::test::FixtureServer;
using orv::test::LoggedRequest;

namespace {

constexpr const char* kAgent = "Mozilla/4.0 (compatible; MSIE 5.0; Windows NT; DigExt)";

struct Collect final : orv::net::HttpHandler {
    bool acceptHead = true;
    orv::net::HttpHead head;
    std::string body;
    int heads = 0;
    bool OnHead(const orv::net::HttpHead& h) override {
        head = h;
        ++heads;
        return acceptHead;
    }
    bool OnData(std::string_view d) override {
        body.append(d);
        return true;
    }
};

HttpRequest Req(const std::string& url, ProxyMode mode = ProxyMode::Direct) {
    HttpRequest r;
    r.url = url;
    r.agent = kAgent;
    r.proxyMode = mode;
    return r;
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

std::string Basic(const std::string& user, const std::string& pw) {
    return "Basic " + QByteArray::fromStdString(user + ":" + pw).toBase64().toStdString();
}

}  // namespace

TEST(Registry, StoresValuesInTheChosenFolder) {
    std::string saved = Registry::FileName();
    std::string folder = saved.substr(0, saved.rfind('/'));
    EXPECT_TRUE(Registry::WriteInteger("\\Software\\Test", "Count", 7));
    EXPECT_EQ(Registry::ReadInteger("Software\\Test", "Count", 0), 7);
    EXPECT_TRUE(Registry::ValueExists("\\Software\\Test", "count"));
    EXPECT_EQ(Registry::ReadInteger("\\Software\\Test", "Missing", -3), -3);
    orv::scan::SetConnectionLimits(6);
    EXPECT_EQ(Registry::ReadInteger(orv::kInternetSettingsKey, "MaxConnectionsPerServer", 0), 6);
    EXPECT_EQ(Registry::ReadInteger(orv::kInternetSettingsKey, "MaxConnectionsPer1_0Server", 0), 8);
    EXPECT_EQ(orv::net::ConnectionCapPerServer(true), 8);
    EXPECT_EQ(orv::net::ConnectionCapPerServer(false), 6);
    // Another writer of the file (or another process) is seen on the next read.
    orv::IniFile other(saved);
    other.WriteInteger(orv::kInternetSettingsKey, "MaxConnectionsPerServer", 3);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(other.UpdateFile());
    EXPECT_EQ(orv::net::ConnectionCapPerServer(false), 3);

    // The default place: $XDG_CONFIG_HOME/orvelan/registry.ini, else ~/.config/orvelan.
    ::setenv("XDG_CONFIG_HOME", (folder + "/xdg").c_str(), 1);
    Registry::SetFolder("");
    EXPECT_EQ(Registry::FileName(), folder + "/xdg/orvelan/registry.ini");
    EXPECT_TRUE(Registry::WriteString("K", "V", "text"));
    EXPECT_EQ(orv::IniFile(folder + "/xdg/orvelan/registry.ini").ReadString("K", "V", ""), "text");
    ::unsetenv("XDG_CONFIG_HOME");
    Registry::SetFolder(folder);
    EXPECT_EQ(Registry::FileName(), saved);
}

TEST(HttpClient, SendsAnHttp10GetAndReadsTheFinalResponse) {
    FixtureServer srv;
    srv.Route("/dir/page.htm?q=1",
              FixtureServer::Static(200, "text/html; charset=x", "<html>hi", "X-Extra: yes\r\n"));
    srv.Route("/moved",
              FixtureServer::Static(302, "text/html", "", "Location: /dir/page.htm?q=1\r\n"));
    HttpClient c;
    Collect h;
    HttpRequest r = Req(srv.Url("/dir/page.htm?q=1"));
    r.referrer = "http://ref.example/";
    ASSERT_EQ(c.Get(r, h), HttpOutcome::Complete);
    EXPECT_EQ(h.head.status, 200);
    EXPECT_EQ(h.head.contentType, "text/html; charset=x");
    EXPECT_EQ(h.head.contentLength, 8);
    EXPECT_EQ(h.body, "<html>hi");
    EXPECT_EQ(h.head.rawHeaders,
              "HTTP/1.0 200 Fixture\r\nContent-Type: text/html; charset=x\r\nContent-Length: "
              "8\r\nX-Extra: yes\r\n\r\n");
    auto log = srv.Log();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].requestLine, "GET /dir/page.htm?q=1 HTTP/1.0");
    EXPECT_EQ(log[0].Header("User-Agent"), kAgent);
    EXPECT_EQ(log[0].Header("Referer"), "http://ref.example/");
    EXPECT_EQ(log[0].Header("Host"), srv.Host());
    EXPECT_FALSE(log[0].HasHeader("Accept"));
    EXPECT_FALSE(log[0].HasHeader("Authorization"));

    // Redirects are followed; the head is the final one.
    Collect h2;
    ASSERT_EQ(c.Get(Req(srv.Url("/moved")), h2), HttpOutcome::Complete);
    EXPECT_EQ(h2.heads, 1);
    EXPECT_EQ(h2.head.status, 200);
    EXPECT_EQ(h2.body, "<html>hi");
    EXPECT_FALSE(srv.Log().back().HasHeader("Referer"));
}

TEST(HttpClient, RedirectLoopsAreBounded) {
    FixtureServer srv;
    srv.Route("/loop", FixtureServer::Static(302, "text/html", "", "Location: /loop\r\n"));
    HttpClient c;
    Collect h;
    HttpRequest r = Req(srv.Url("/loop"));
    r.maxRedirects = 5;
    EXPECT_NE(c.Get(r, h), HttpOutcome::Complete);
    EXPECT_LE(srv.CountTarget("/loop"), 7);
}

TEST(HttpClient, RefusesBeforeTheBodyIsRead) {
    FixtureServer srv;
    std::atomic<long long> sent{0};
    srv.Route("/huge.bin", [&](const LoggedRequest&, FixtureConn& c) {
        std::string head =
            "HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: "
            "1073741824\r\n\r\n";
        if (!c.Send(head))
            return;
        std::string chunk(1 << 16, 'x');
        for (int i = 0; i < 16384; ++i) {
            if (!c.Send(chunk))
                return;
            sent += chunk.size();
        }
    });
    HttpClient c;
    Collect h;
    h.acceptHead = false;
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(c.Get(Req(srv.Url("/huge.bin")), h), HttpOutcome::Refused);
    EXPECT_LT(Seconds(t0), 10.0);
    EXPECT_TRUE(h.body.empty());
    EXPECT_EQ(h.head.contentType, "application/octet-stream");
    EXPECT_EQ(h.head.contentLength, 1073741824LL);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_LT(sent.load(), 64LL << 20);  // the rest of the gigabyte was never taken
}

TEST(HttpClient, AbortFromAnotherThreadEndsASilentWait) {
    FixtureServer srv;
    srv.Route("/silent", [](const LoggedRequest&, FixtureConn& c) { c.Sleep(60000); });
    std::atomic<bool> abort{false};
    HttpClient c;
    c.SetAbortFlag(&abort);
    Collect h;
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        abort = true;
    });
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(c.Get(Req(srv.Url("/silent")), h), HttpOutcome::Aborted);
    stopper.join();
    EXPECT_LT(Seconds(t0), 3.0);
}

TEST(HttpClient, ProxyModes) {
    FixtureServer origin, proxy;
    origin.Route("/x", FixtureServer::Html("<html>origin"));
    proxy.Prefix("http://", FixtureServer::Html("<html>proxied"));
    const std::string viaEnv = "http://" + proxy.Host();
    HttpClient c;
    {
        HttpRequest r = Req("http://site.invalid/x", ProxyMode::UseProxy);
        r.proxyAddress = "127.0.0.1";
        r.proxyPort = proxy.Port();
        Collect h;
        ASSERT_EQ(c.Get(r, h), HttpOutcome::Complete);
        EXPECT_EQ(h.body, "<html>proxied");
        ASSERT_EQ(proxy.Log().size(), 1u);
        EXPECT_EQ(proxy.Log()[0].requestLine, "GET http://site.invalid/x HTTP/1.0");
    }
    ::setenv("http_proxy", viaEnv.c_str(), 1);
    {
        Collect h;
        ASSERT_EQ(c.Get(Req(origin.Url("/x"), ProxyMode::Direct), h), HttpOutcome::Complete);
        EXPECT_EQ(h.body, "<html>origin");  // the environment is ignored
        EXPECT_EQ(origin.Log().back().requestLine, "GET /x HTTP/1.0");
    }
    {
        Collect h;
        ASSERT_EQ(c.Get(Req(origin.Url("/x"), ProxyMode::Default), h), HttpOutcome::Complete);
        EXPECT_EQ(h.body, "<html>proxied");
        EXPECT_EQ(proxy.Log().back().requestLine, "GET " + origin.Url("/x") + " HTTP/1.0");
    }
    ::unsetenv("http_proxy");
    EXPECT_EQ(origin.Log().size(), 1u);
}

TEST(HttpClient, HttpsIsSpokenOverTls) {
    FixtureServer srv;
    HttpClient c;
    Collect h;
    EXPECT_EQ(c.Get(Req("https://" + srv.Host() + "/"), h), HttpOutcome::Failed);
    auto log = srv.Log();
    ASSERT_FALSE(log.empty());
    const std::string& raw = log[0].raw;
    ASSERT_GE(raw.size(), 2u);
    EXPECT_EQ(raw[0], '\x16');  // a TLS handshake record, not a plain-text request
    EXPECT_EQ(raw[1], '\x03');
}

TEST(HttpClient, HonoursTheConnectionCapPerServer) {
    Registry::WriteInteger(orv::kInternetSettingsKey, "MaxConnectionsPer1_0Server", 2);
    FixtureServer srv;
    // Counted while a request is being answered: the client holds its connection then.
    std::atomic<int> answering{0}, most{0};
    srv.Route("/slow", [&](const LoggedRequest&, FixtureConn& c) {
        int now = ++answering;
        for (int seen = most.load(); now > seen && !most.compare_exchange_weak(seen, now);) {
        }
        c.Sleep(200);
        --answering;
        c.Send(FixtureServer::Response(200, "text/html", "<html>"));
    });
    std::vector<std::thread> threads;
    std::atomic<int> complete{0};
    for (int i = 0; i < 6; ++i)
        threads.emplace_back([&] {
            HttpClient c;
            Collect h;
            if (c.Get(Req(srv.Url("/slow")), h) == HttpOutcome::Complete)
                ++complete;
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(complete.load(), 6);
    EXPECT_EQ(most.load(), 2);
    Registry::WriteInteger(orv::kInternetSettingsKey, "MaxConnectionsPer1_0Server", 8);
}

// ----- one fetch thread's run ---------------------------------------------------------------

namespace {

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

TEST(HttpClient, CompressedBodiesArriveDecodedAndRedirectsNameWhereTheyLed) {
    FixtureServer srv;
    // Longer than one stored block of the gzip stream.
    const std::string page = "<html>" + std::string(70000, 'x') + "<a href=x.htm>x</a>";
    // Sent compressed whatever the request offered.
    srv.Route("/gz", FixtureServer::Static(200, "text/html", FixtureServer::Gzip(page),
                                           "Content-Encoding: gzip\r\n"));
    srv.Route("/dir", FixtureServer::Redirect(301, "/dir/"));
    srv.Route("/dir/", FixtureServer::Html("<html>in"));
    HttpClient c;
    Collect h;
    ASSERT_EQ(c.Get(Req(srv.Url("/gz")), h), HttpOutcome::Complete);
    EXPECT_EQ(h.body.size(), page.size());
    EXPECT_TRUE(h.body == page);
    EXPECT_NE(srv.Log().back().Header("Accept-Encoding").find("gzip"), std::string::npos);

    const struct {
        const char* path;
        const char* url;
        int redirects;
    } cases[] = {{"/dir", "/dir/", 1}, {"/dir/", "/dir/", 0}};
    for (auto& k : cases) {
        SCOPED_TRACE(k.path);
        Collect r;
        ASSERT_EQ(c.Get(Req(srv.Url(k.path)), r), HttpOutcome::Complete);
        EXPECT_EQ(r.body, "<html>in");
        EXPECT_EQ(r.head.url, srv.Url(k.url));
        EXPECT_EQ(r.head.redirects, k.redirects);
    }
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
