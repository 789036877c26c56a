// The system resolver, without internet: loopback names, dotted text, a hosts file of our own.
#include "platform/resolver.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "fake_resolver.h"
#include "lookup/name_resolution.h"
#include "netns.h"

namespace orv {
namespace {

TEST(Resolver, InetAddrFollowsTheClassicParser) {
    struct Case {
        const char* text;
        net::InAddr expected;
    } cases[] = {
        {"10.0.0.1", net::MakeAddr(10, 0, 0, 1)},
        {"127.1", net::MakeAddr(127, 0, 0, 1)},
        {"010.1.1.1", net::MakeAddr(8, 1, 1, 1)},  // a leading zero is octal
        {"0x7f.0.0.1", net::MakeAddr(127, 0, 0, 1)},
        {" 10.0.0.1", net::kAddrNone},
        {"10.0.0.1 ", net::kAddrNone},
        {"1.2.3.4.5", net::kAddrNone},
        {"256.1.1.1", net::kAddrNone},
        {"", net::kAddrNone},
        {"X", net::kAddrNone},
    };
    for (const auto& c : cases)
        EXPECT_EQ(net::inet_addr(c.text), c.expected) << c.text;
    EXPECT_EQ(net::inet_ntoa(net::MakeAddr(192, 0, 2, 10)), "192.0.2.10");
    EXPECT_EQ(net::Octet(net::MakeAddr(1, 2, 3, 4), 0), 1u);
    EXPECT_EQ(net::Octet(net::MakeAddr(1, 2, 3, 4), 3), 4u);
}

TEST(Resolver, SystemAnswersWithoutInternet) {
    EXPECT_EQ(nametoip("127.0.0.1"), "127.0.0.1");
    EXPECT_EQ(nametoip("127.1"), "127.0.0.1");  // canonical form back
    EXPECT_EQ(nametoip("localhost"), "127.0.0.1");
    EXPECT_EQ(nametoip(""), "X");
    EXPECT_EQ(iptoname("127.0.0.1"), "localhost");
    EXPECT_EQ(iptoname("X"), "X");  // looked up as 255.255.255.255
}

// Runs the named test again inside a fresh user, mount and network namespace, with `hosts`
// as /etc/hosts; returns the inner run's exit status.
int RunWithHostsFile(const std::string& hosts, const std::string& filter) {
    QTemporaryDir dir;
    std::string path = dir.filePath("hosts").toStdString();
    std::ofstream(path) << hosts;
    std::string self = test::ShOut("readlink -f /proc/" + std::to_string(getpid()) + "/exe");
    while (!self.empty() && self.back() == '\n')
        self.pop_back();
    return test::Sh("ORV_INSIDE=1 unshare -rmn sh -c 'mount --bind " + path +
                    " /etc/hosts && exec " + self + " --gtest_filter=" + filter + "' >/dev/null");
}

bool Inside() {
    return std::getenv("ORV_INSIDE") != nullptr;
}

TEST(Resolver, HostsFileOrderAndFailures) {
    if (!Inside()) {
        if (test::Sh("unshare -rmn true 2>/dev/null") != 0) {
            if (test::InCi())
                FAIL() << "user namespaces are needed under CI";
            GTEST_SKIP() << "no user namespaces here";
        }
        EXPECT_EQ(RunWithHostsFile("127.0.0.1 localhost\n10.1.2.3 two.test alias.test\n"
                                   "10.9.9.9 two.test\n10.4.4.4 one.test\n",
                                   "Resolver.HostsFileOrderAndFailures"),
                  0);
        return;
    }
    auto e = net::gethostbyname("two.test");
    ASSERT_TRUE(e);
    ASSERT_EQ(e->addresses.size(), 2u);
    EXPECT_EQ(net::inet_ntoa(e->addresses[0]), "10.1.2.3");
    EXPECT_EQ(net::inet_ntoa(e->addresses[1]), "10.9.9.9");
    EXPECT_EQ(nametoip("two.test"), "10.1.2.3");  // the first the resolver lists
    EXPECT_EQ(nametoip("alias.test"), "10.1.2.3");
    EXPECT_EQ(net::gethostbyname("alias.test")->name, "two.test");  // the official name
    EXPECT_EQ(iptoname("10.4.4.4"), "one.test");
    EXPECT_EQ(nametoip("nosuch.invalid"), "X");  // no DNS in the namespace: fails at once
    EXPECT_EQ(iptoname("10.7.7.7"), "X");
}

TEST(Resolver, ConcurrentLookupsDoNotShareResults) {
    // Each thread checks its own answers; shared result storage would mix them up.
    std::vector<std::thread> threads;
    std::atomic<int> wrong{0};
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 300; ++i) {
                std::string ip = "127.0." + std::to_string(t) + "." + std::to_string(i % 250 + 1);
                if (nametoip(ip) != ip)
                    ++wrong;
                if (t % 2 && iptoname("127.0.0.1") != "localhost")
                    ++wrong;
            }
        });
    for (auto& th : threads)
        th.join();
    EXPECT_EQ(wrong.load(), 0);
}

TEST(GetBaseDomain, KeepsTheLastTwoLabels) {
    struct Case {
        const char* name;
        const char* expected;
    } cases[] = {{"a.b.c.d", "c.d"}, {"a.b", "a.b"},           {"host", "host"},
                 {"", ""},           {"1.2.3.4", "3.4"},       {"www.example.com", "example.com"},
                 {"a..b", ".b"},     {"trailing.dot.", "dot."}};
    for (const auto& c : cases)
        EXPECT_EQ(GetBaseDomain(c.name), c.expected) << c.name;
}

TEST(NameToIp, FailuresBecomeTheMarker) {
    test::FakeResolver fake;
    fake.Add("multi.test", {"192.0.2.1", "192.0.2.2"});
    fake.byName["empty.test"] = net::HostEntry{"empty.test", {}, {}};
    EXPECT_EQ(nametoip("multi.test"), "192.0.2.1");
    EXPECT_EQ(nametoip("empty.test"), "X");  // an entry without addresses
    EXPECT_EQ(nametoip("nosuch.invalid"), "X");
    EXPECT_EQ(iptoname("192.0.2.2"), "multi.test");
    EXPECT_EQ(iptoname("192.0.2.99"), "X");
    EXPECT_EQ(iptoname("not an address"), "X");
}

}  // namespace
}  // namespace orv
