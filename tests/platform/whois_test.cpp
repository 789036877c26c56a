#include "platform/whois.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "netns.h"
#include "platform/resolver.h"

namespace {

using namespace std::chrono_literals;
using orv::net::WhoisClient;
using orv::net::WhoisReply;
using orv::net::WhoisStatus;
using orv::test::Netns;
using Clock = std::chrono::steady_clock;

// A one-connection WHOIS server of the test's own. It reads the request line, then answers
// according to its mode; everything runs on its own thread (inside `ns` when given).
class TestServer {
  public:
    enum class Mode {
        Reply,    // sends the reply, then closes
        Silent,   // sends the reply, then keeps the connection open without a word
        Flood,    // sends without end until the client goes away
        Trickle,  // sends the reply, then a "." every 20 ms until the client goes away
    };

    TestServer(Mode mode, std::string reply, const char* bindAddr = "127.0.0.1",
               std::uint16_t port = 0, const Netns* ns = nullptr)
        : mode_(mode), reply_(std::move(reply)) {
        if (::pipe(stop_) != 0)
            return;
        std::promise<std::uint16_t> bound;
        auto boundPort = bound.get_future();
        thread_ = std::thread([this, bindAddr, port, ns, &bound] {
            if (ns && !ns->EnterOnThisThread()) {
                bound.set_value(0);
                return;
            }
            int lfd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            int on = 1;
            ::setsockopt(lfd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
            sockaddr_in sa{};
            sa.sin_family = AF_INET;
            sa.sin_port = htons(port);
            ::inet_pton(AF_INET, bindAddr, &sa.sin_addr);
            socklen_t len = sizeof sa;
            if (::bind(lfd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 ||
                ::listen(lfd, 4) != 0 ||
                ::getsockname(lfd, reinterpret_cast<sockaddr*>(&sa), &len) != 0) {
                ::close(lfd);
                bound.set_value(0);
                return;
            }
            bound.set_value(ntohs(sa.sin_port));
            Serve(lfd);
            ::close(lfd);
        });
        port_ = boundPort.get();
    }

    ~TestServer() {
        if (stop_[1] >= 0) {
            char c = 0;
            [[maybe_unused]] auto n = ::write(stop_[1], &c, 1);
        }
        if (thread_.joinable())
            thread_.join();
        for (int fd : stop_)
            if (fd >= 0)
                ::close(fd);
    }

    std::uint16_t port() const { return port_; }
    std::string request() {
        std::lock_guard lock(m_);
        return request_;
    }

  private:
    // Waits for `fd` or the stop pipe; false on stop.
    bool Wait(int fd, short events) {
        pollfd fds[2] = {{fd, events, 0}, {stop_[0], POLLIN, 0}};
        while (::poll(fds, 2, -1) < 0) {
        }
        return fds[1].revents == 0;
    }

    void Serve(int lfd) {
        if (!Wait(lfd, POLLIN))
            return;
        int fd = ::accept4(lfd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            return;
        std::string req;
        char buf[512];
        while (req.find("\r\n") == std::string::npos && Wait(fd, POLLIN)) {
            ssize_t n = ::recv(fd, buf, sizeof buf, 0);
            if (n <= 0)
                break;
            req.append(buf, static_cast<std::size_t>(n));
        }
        {
            std::lock_guard lock(m_);
            request_ = req;
        }
        if (!reply_.empty())
            ::send(fd, reply_.data(), reply_.size(), MSG_NOSIGNAL);
        if (mode_ == Mode::Silent)
            Wait(fd, 0);
        if (mode_ == Mode::Flood) {
            std::string chunk(8192, 'x');
            while (Wait(fd, POLLOUT) && ::send(fd, chunk.data(), chunk.size(), MSG_NOSIGNAL) > 0) {
            }
        }
        if (mode_ == Mode::Trickle) {
            pollfd fds[2] = {{fd, POLLIN, 0}, {stop_[0], POLLIN, 0}};
            while (::poll(fds, 2, 20) == 0 && ::send(fd, ".", 1, MSG_NOSIGNAL) > 0) {
            }
        }
        ::close(fd);
    }

    Mode mode_;
    std::string reply_;
    int stop_[2] = {-1, -1};
    std::thread thread_;
    std::uint16_t port_ = 0;
    std::mutex m_;
    std::string request_;
};

// Runs one query on a thread of its own (inside `ns` when given).
std::future<WhoisReply> QueryAsync(WhoisClient& c, std::string query, const Netns* ns = nullptr) {
    return std::async(std::launch::async, [&c, query, ns] {
        if (ns && !ns->EnterOnThisThread())
            return WhoisReply{WhoisStatus::SocketError, {}, "cannot enter the namespace"};
        return c.QueryDomain(query);
    });
}

bool WaitConnected(const WhoisClient& c) {
    auto until = Clock::now() + 10s;
    while (!c.IsConnected() && Clock::now() < until)
        std::this_thread::sleep_for(5ms);
    return c.IsConnected();
}

// Answers names from a fixed table; anything else does not resolve.
class FakeResolver final : public orv::net::Resolver {
  public:
    bool Startup() override { return true; }
    void Cleanup() override {}
    std::optional<orv::net::HostEntry> HostByName(const std::string& name) override {
        if (name != "whois.test")
            return std::nullopt;
        orv::net::HostEntry e;
        e.name = name;
        // The first address has no server: the client must go on to the next one.
        e.addresses = {orv::net::MakeAddr(127, 0, 0, 2), orv::net::MakeAddr(127, 0, 0, 1)};
        return e;
    }
    std::optional<orv::net::HostEntry> HostByAddr(orv::net::InAddr) override {
        return std::nullopt;
    }
};

struct ReplyCase {
    const char* name;
    std::string reply;
    std::size_t cap;
};

TEST(WhoisClient, ReturnsTheWholeReplyAsBytes) {
    std::string big;
    for (int i = 0; big.size() < 300000; ++i)
        big += "line " + std::to_string(i) + "\r\n";
    const ReplyCase cases[] = {
        {"crlf lines", "Domain Name: EXAMPLE.TEST\r\nRegistrar: Nobody\r\n\r\n", 1 << 20},
        {"no final line end", "a\nb\nc", 1 << 20},
        {"empty", "", 1 << 20},
        {"raw bytes", std::string("\x00\xff\xe9\r\n\x80", 6), 1 << 20},
        {"many reads", big, 1 << 20},
        {"exactly the cap", big, big.size()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestServer server(TestServer::Mode::Reply, c.reply);
        ASSERT_NE(server.port(), 0);
        WhoisClient client;
        client.SetHost("127.0.0.1");
        client.SetPort(server.port());
        client.SetMaxReply(c.cap);
        WhoisReply r = client.QueryDomain("example.test");
        EXPECT_EQ(r.status, WhoisStatus::Ok) << r.error;
        EXPECT_EQ(r.error, "");
        EXPECT_EQ(r.text, c.reply);
        EXPECT_EQ(server.request(), "example.test\r\n");
        EXPECT_FALSE(client.IsConnected());
    }
}

TEST(WhoisClient, SilentServerEndsAtTheIdleTimeOutKeepingWhatCame) {
    TestServer server(TestServer::Mode::Silent, "partial\r\n");
    WhoisClient client;
    client.SetHost("127.0.0.1");
    client.SetPort(server.port());
    client.SetIdleTimeout(200ms);
    WhoisReply r = client.QueryDomain("example.test");
    EXPECT_EQ(r.status, WhoisStatus::TimedOut);
    EXPECT_EQ(r.text, "partial\r\n");
    EXPECT_NE(r.error.find("200 ms"), std::string::npos) << r.error;
    EXPECT_FALSE(client.IsConnected());
}

TEST(WhoisClient, EndlessReplyStopsAtTheCap) {
    TestServer server(TestServer::Mode::Flood, "head\r\n");
    WhoisClient client;
    client.SetHost("127.0.0.1");
    client.SetPort(server.port());
    client.SetMaxReply(100000);
    WhoisReply r = client.QueryDomain("example.test");
    EXPECT_EQ(r.status, WhoisStatus::TooLong);
    ASSERT_EQ(r.text.size(), 100000u);
    EXPECT_EQ(r.text.substr(0, 8), "head\r\nxx");
    EXPECT_FALSE(r.error.empty());
}

TEST(WhoisClient, CapCutsAtACharacterBoundary) {
    struct Case {
        const char* name;
        std::string reply;
        std::size_t cap;
        std::string kept;
    };
    const Case cases[] = {
        {"inside a two-byte character", "ab\xc3\xa9z", 3, "ab"},
        {"inside a four-byte character", "a\xf0\x9f\x98\x80z", 4, "a"},
        {"after a whole character", "a\xc3\xa9\xc3\xa9", 3, "a\xc3\xa9"},
        {"8-bit text is cut where the cap is", "caf\xe9s", 4, "caf\xe9"},
        {"a lead byte before a stray byte stays", "a\xc3\xc3\xa9", 2, "a\xc3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestServer server(TestServer::Mode::Reply, c.reply);
        WhoisClient client;
        client.SetHost("127.0.0.1");
        client.SetPort(server.port());
        client.SetMaxReply(c.cap);
        WhoisReply r = client.QueryDomain("example.test");
        EXPECT_EQ(r.status, WhoisStatus::TooLong);
        EXPECT_EQ(r.text, c.kept);
    }
}

TEST(WhoisClient, LineCapKeepsWholeLines) {
    struct Case {
        const char* name;
        std::string reply;
        WhoisStatus status;
        std::string kept;
    };
    const Case cases[] = {
        {"one line too many", "a\nb\nc\n", WhoisStatus::TooLong, "a\nb\n"},
        {"a last part without lf is a line", "a\nb\nc", WhoisStatus::TooLong, "a\nb\n"},
        {"exactly the cap", "a\r\nb\r\n", WhoisStatus::Ok, "a\r\nb\r\n"},
        {"exactly the cap, no final lf", "a\nb", WhoisStatus::Ok, "a\nb"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestServer server(TestServer::Mode::Reply, c.reply);
        WhoisClient client;
        client.SetHost("127.0.0.1");
        client.SetPort(server.port());
        client.SetMaxLines(2);
        WhoisReply r = client.QueryDomain("example.test");
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.text, c.kept);
        if (c.status == WhoisStatus::TooLong) {
            EXPECT_EQ(r.error, "Reply longer than 2 lines: the rest was not read");
        }
    }
}

TEST(WhoisClient, TrickleEndsAtTheDeadline) {
    TestServer server(TestServer::Mode::Trickle, "partial\r\n");
    WhoisClient client;
    client.SetHost("127.0.0.1");
    client.SetPort(server.port());
    client.SetIdleTimeout(5s);  // a byte comes far more often
    client.SetDeadline(300ms);
    WhoisReply r = QueryAsync(client, "example.test").get();
    EXPECT_EQ(r.status, WhoisStatus::TimedOut);
    EXPECT_NE(r.error.find("within 300 ms"), std::string::npos) << r.error;
    ASSERT_GT(r.text.size(), 9u);
    EXPECT_EQ(r.text.substr(0, 9), "partial\r\n");
    EXPECT_EQ(r.text.find_first_not_of('.', 9), std::string::npos);
    EXPECT_FALSE(client.IsConnected());
}

TEST(WhoisClient, FailuresSayWhy) {
    // A bound socket that does not listen: connects to it are refused, and its port stays ours.
    int holder = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof sa;
    ASSERT_EQ(::bind(holder, reinterpret_cast<sockaddr*>(&sa), sizeof sa), 0);
    ASSERT_EQ(::getsockname(holder, reinterpret_cast<sockaddr*>(&sa), &len), 0);

    WhoisClient refused;
    refused.SetHost("127.0.0.1");
    refused.SetPort(ntohs(sa.sin_port));
    WhoisReply r = refused.QueryDomain("example.test");
    EXPECT_EQ(r.status, WhoisStatus::ConnectFailed);
    EXPECT_NE(r.error.find("refused"), std::string::npos) << r.error;
    EXPECT_EQ(r.text, "");
    ::close(holder);

    WhoisClient noHost;
    r = noHost.QueryDomain("example.test");
    EXPECT_EQ(r.status, WhoisStatus::ResolveFailed);
    EXPECT_FALSE(r.error.empty());
}

class WhoisResolveTest : public ::testing::Test {
  protected:
    void SetUp() override { orv::net::SetResolver(&fake_); }
    void TearDown() override { orv::net::SetResolver(nullptr); }
    FakeResolver fake_;
};

TEST_F(WhoisResolveTest, NameGoesThroughTheResolverAndEveryAddressIsTried) {
    TestServer server(TestServer::Mode::Reply, "found\r\n");
    WhoisClient client;
    client.SetHost("whois.test");
    client.SetPort(server.port());
    WhoisReply r = client.QueryDomain("example.test");
    EXPECT_EQ(r.status, WhoisStatus::Ok) << r.error;
    EXPECT_EQ(r.text, "found\r\n");

    WhoisClient unknown;
    unknown.SetHost("nosuch.test");
    unknown.SetPort(server.port());
    r = unknown.QueryDomain("example.test");
    EXPECT_EQ(r.status, WhoisStatus::ResolveFailed);
    EXPECT_NE(r.error.find("nosuch.test"), std::string::npos) << r.error;
}

TEST(WhoisClient, StopEndsABlockedReadAtOnceKeepingWhatCame) {
    TestServer server(TestServer::Mode::Silent, "partial\r\n");
    WhoisClient client;  // default idle time-out: only Stop can end this query soon
    client.SetHost("127.0.0.1");
    client.SetPort(server.port());
    auto result = QueryAsync(client, "example.test");
    ASSERT_TRUE(WaitConnected(client));
    // What has arrived can be read while the query waits for more.
    auto until = Clock::now() + 10s;
    while (client.Received().empty() && Clock::now() < until)
        std::this_thread::sleep_for(5ms);
    EXPECT_EQ(client.Received(), "partial\r\n");

    auto t0 = Clock::now();
    client.CloseConnection();
    ASSERT_EQ(result.wait_for(5s), std::future_status::ready);
    auto took = Clock::now() - t0;
    EXPECT_LT(took, 500ms);
    WhoisReply r = result.get();
    EXPECT_EQ(r.status, WhoisStatus::Stopped);
    EXPECT_EQ(r.text, "partial\r\n");
    EXPECT_FALSE(client.IsConnected());
}

TEST(WhoisClient, StopBeforeTheQueryKeepsItFromStarting) {
    TestServer server(TestServer::Mode::Reply, "never read\r\n");
    WhoisClient client;
    client.SetHost("127.0.0.1");
    client.SetPort(server.port());
    client.CloseConnection();
    WhoisReply r = client.QueryDomain("example.test");
    EXPECT_EQ(r.status, WhoisStatus::Stopped);
    EXPECT_EQ(r.text, "");
    EXPECT_EQ(server.request(), "");
}

// A client host and a server host in namespaces of their own, joined by a veth pair.
class WhoisNetnsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ORV_REQUIRE_ROOT();
        client_.emplace("orvwhc");
        server_.emplace("orvwhs");
        ASSERT_TRUE(client_->ok() && server_->ok());
        ASSERT_TRUE(orv::test::Link(*client_, "10.243.0.2/24", *server_, "10.243.0.1/24"));
    }
    void TearDown() override {
        server_.reset();
        client_.reset();
    }
    std::optional<Netns> client_, server_;
};

TEST_F(WhoisNetnsTest, QueriesTheServerOnPort43) {
    TestServer server(TestServer::Mode::Reply, "Domain Name: EXAMPLE.TEST\r\n", "10.243.0.1", 43,
                      &*server_);
    ASSERT_EQ(server.port(), 43);
    WhoisClient client;
    client.SetHost("10.243.0.1");  // the default port
    WhoisReply r = QueryAsync(client, "example.test", &*client_).get();
    EXPECT_EQ(r.status, WhoisStatus::Ok) << r.error;
    EXPECT_EQ(r.text, "Domain Name: EXAMPLE.TEST\r\n");
    EXPECT_EQ(server.request(), "example.test\r\n");
}

TEST_F(WhoisNetnsTest, UnansweredConnectTimesOutOrStopsAtOnce) {
    // The server host drops everything it would send back: the connect never completes.
    ASSERT_EQ(server_->Exec("ip route add blackhole 10.243.0.2/32"), 0);

    WhoisClient timed;
    timed.SetHost("10.243.0.1");
    timed.SetIdleTimeout(300ms);
    WhoisReply r = QueryAsync(timed, "example.test", &*client_).get();
    EXPECT_EQ(r.status, WhoisStatus::TimedOut);
    EXPECT_NE(r.error.find("No connection to 10.243.0.1"), std::string::npos) << r.error;

    WhoisClient stopped;
    stopped.SetHost("10.243.0.1");
    auto result = QueryAsync(stopped, "example.test", &*client_);
    ASSERT_EQ(result.wait_for(300ms), std::future_status::timeout);  // blocked in connect
    auto t0 = Clock::now();
    stopped.CloseConnection();
    ASSERT_EQ(result.wait_for(5s), std::future_status::ready);
    EXPECT_LT(Clock::now() - t0, 500ms);
    EXPECT_EQ(result.get().status, WhoisStatus::Stopped);
}

}  // namespace
