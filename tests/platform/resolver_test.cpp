// Why a name lookup fails, on the system resolver: inside a user, mount and network namespace
// of its own the test gives the resolver a hosts file, and a name server on loopback that says
// "no such name" to some names and never answers others.
#include "platform/resolver.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "netns.h"

namespace orv {
namespace {

constexpr const char* kInside = "ORV_RESOLVER_INSIDE";

// A name server on 127.0.0.1:53 that answers every query with "no such name" (NXDOMAIN),
// except names that begin with "silent.", which it reads and never answers.
class LoopbackNameServer {
  public:
    LoopbackNameServer() {
        fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(53);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        timeval tv{0, 50000};
        ok_ = fd_ >= 0 && bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
              setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv) == 0;
        if (ok_)
            thread_ = std::thread([this] { Serve(); });
    }
    ~LoopbackNameServer() {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
        if (fd_ >= 0)
            close(fd_);
    }
    bool ok() const { return ok_; }
    int Queries() const { return queries_.load(); }

  private:
    // The first label of the question, lower case.
    static std::string FirstLabel(const unsigned char* q, size_t n) {
        if (n <= 12 || q[12] == 0 || 13u + q[12] > n)
            return {};
        std::string s(reinterpret_cast<const char*>(q + 13), q[12]);
        for (char& c : s)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return s;
    }
    void Serve() {
        unsigned char q[512];
        while (!stop_) {
            sockaddr_in from{};
            socklen_t len = sizeof from;
            ssize_t n = recvfrom(fd_, q, sizeof q, 0, reinterpret_cast<sockaddr*>(&from), &len);
            if (n < 12)
                continue;
            ++queries_;
            if (FirstLabel(q, static_cast<size_t>(n)) == "silent")
                continue;
            // The query back as its own answer: response, same opcode and RD, recursion
            // available, NXDOMAIN, the question only.
            std::vector<unsigned char> r(q, q + n);
            r[2] = static_cast<unsigned char>(0x80 | (q[2] & 0x79));
            r[3] = 0x83;
            for (int i = 6; i < 12; ++i)
                r[i] = 0;
            sendto(fd_, r.data(), r.size(), 0, reinterpret_cast<sockaddr*>(&from), len);
        }
    }

    int fd_ = -1;
    bool ok_ = false;
    std::atomic<bool> stop_{false};
    std::atomic<int> queries_{0};
    std::thread thread_;
};

// Sets the namespace up: loopback, and our own hosts, resolv.conf and nsswitch.conf bound over
// the system's (the process is alone in its mount namespace).
bool PrepareInside(const QTemporaryDir& dir) {
    const std::string d = dir.path().toStdString();
    std::ofstream(d + "/hosts") << "127.0.0.1 localhost\n198.18.7.7 listed.test\n";
    std::ofstream(d + "/resolv.conf") << "nameserver 127.0.0.1\noptions timeout:1 attempts:1\n";
    std::ofstream(d + "/nsswitch.conf") << "hosts: files dns\n";
    return test::Sh("ip link set lo up") == 0 &&
           test::Sh("mount --bind " + d + "/hosts /etc/hosts") == 0 &&
           test::Sh("mount --bind " + d + "/resolv.conf /etc/resolv.conf") == 0 &&
           // Without the file the resolver's default order reads hosts and DNS as well.
           test::Sh("test ! -e /etc/nsswitch.conf || mount --bind " + d +
                    "/nsswitch.conf /etc/nsswitch.conf") == 0;
}

// Outside: runs the current test again, alone, in user, mount and network namespaces of its
// own, checks that it passed there and answers false. Inside that run: true.
bool RunInside() {
    if (std::getenv(kInside))
        return true;
    if (test::Sh("unshare -rmn true 2>/dev/null") != 0) {
        if (test::InCi())
            ADD_FAILURE() << "user namespaces are needed under CI";
        else
            GTEST_LOG_(INFO) << "no user namespaces here: not run";
        return false;
    }
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string filter = std::string(info->test_suite_name()) + "." + info->name();
    char self[4096] = {};
    if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0) {
        ADD_FAILURE() << "no /proc/self/exe";
        return false;
    }
    std::string out = test::ShOut(std::string(kInside) + "=1 unshare -rmn '" + self +
                                  "' --gtest_filter=" + filter + " 2>&1; echo \"exit=$?\"");
    EXPECT_NE(out.find("[  PASSED  ] 1 test."), std::string::npos) << out;
    EXPECT_NE(out.find("exit=0"), std::string::npos) << out;
    return false;
}

// Inside the namespaces: our own files bound over the system's, and the name server.
struct Inside {
    QTemporaryDir dir;
    bool prepared = dir.isValid() && PrepareInside(dir);
    LoopbackNameServer server;
    bool ok() const { return prepared && server.ok(); }
    std::string File(const char* name) const { return dir.path().toStdString() + "/" + name; }
};

TEST(ResolverFailure, UnknownNameIsToldFromSilentServer) {
    if (!RunInside())
        return;
    Inside inside;
    ASSERT_TRUE(inside.ok());
    const LoopbackNameServer& server = inside.server;

    struct Case {
        const char* name;
        net::LookupError error;
    } cases[] = {
        {"listed.test", net::LookupError::None},
        {"nosuch.test", net::LookupError::NotFound},
        {"silent.test", net::LookupError::TryAgain},
        {"", net::LookupError::NotFound},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        net::NameLookup r = net::LookupName(c.name);
        EXPECT_EQ(r.error, c.error);
        EXPECT_EQ(r.host.has_value(), c.error == net::LookupError::None);
        // The plain lookup agrees; it only cannot say why.
        EXPECT_EQ(net::gethostbyname(c.name).has_value(), r.host.has_value());
    }
    EXPECT_GT(server.Queries(), 0) << "the resolver never asked our server";
    ASSERT_TRUE(net::LookupName("listed.test").host);
    EXPECT_EQ(net::inet_ntoa(net::LookupName("listed.test").host->addresses.at(0)), "198.18.7.7");
    EXPECT_STREQ(net::LookupErrorText(net::LookupError::NotFound), "Unknown host");
    EXPECT_STREQ(net::LookupErrorText(net::LookupError::TryAgain),
                 "Temporary failure in name resolution");
}

TEST(HostsFile, NamesComeFromTheFileWithoutAskingAnyServer) {
    if (!RunInside())
        return;
    Inside inside;
    ASSERT_TRUE(inside.ok());
    const LoopbackNameServer& server = inside.server;
    net::Resolver& r = net::SystemResolver();
    // What the file names agrees with the resolver's own reverse answer; no query goes out.
    EXPECT_EQ(r.HostsFileName(net::inet_addr("198.18.7.7")), "listed.test");
    EXPECT_EQ(r.HostsFileName(net::inet_addr("127.0.0.1")), "localhost");
    EXPECT_EQ(r.HostsFileName(net::inet_addr("198.18.9.9")), std::nullopt);
    EXPECT_EQ(server.Queries(), 0);
    auto reverse = net::gethostbyaddr(net::inet_addr("198.18.7.7"));
    ASSERT_TRUE(reverse);
    EXPECT_EQ(reverse->name, "listed.test");
    // A changed file is read again; a resolver that asks DNS first gets no shortcut.
    std::ofstream(inside.File("hosts"), std::ios::app) << "198.18.9.9 late.test\n";
    EXPECT_EQ(r.HostsFileName(net::inet_addr("198.18.9.9")), "late.test");
    std::ofstream(inside.File("nsswitch.conf")) << "hosts: dns files\n";
    if (test::Sh("test -e /etc/nsswitch.conf") == 0) {
        EXPECT_EQ(r.HostsFileName(net::inet_addr("198.18.7.7")), std::nullopt);
    }
}

TEST(HostsFile, TheFirstLineForAnAddressGivesItsFirstName) {
    const std::string hosts =
        "# comment 10.0.0.1 no\n"
        "127.0.0.1\tlocalhost\n"
        "127.0.0.1 second\n"
        "  10.0.0.1   first.lab  first   # trailing\r\n"
        "10.0.0.2\n"
        "010.0.0.3 octal.lab\n"
        "10.0.0.4 four.lab";
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"127.0.0.1", "localhost"}, {"10.0.0.1", "first.lab"},  {"10.0.0.2", std::nullopt},
        {"8.0.0.3", std::nullopt},  {"10.0.0.3", std::nullopt}, {"10.0.0.4", "four.lab"},
        {"10.0.0.5", std::nullopt},
    };
    for (const auto& [ip, name] : cases)
        EXPECT_EQ(net::HostsFileNameIn(hosts, net::inet_addr(ip)), name) << ip;

    const std::pair<const char*, bool> order[] = {
        {"hosts:          files dns\n", true},
        {"passwd: files\nhosts: files mdns4_minimal [NOTFOUND=return] dns myhostname\n", true},
        {"hosts : files\n", true},
        {"hosts:files dns", true},
        {"hosts: dns files\n", false},
        {"hosts: mdns4_minimal files\n", false},
        {"# hosts: files\n", false},
        {"hostsx: files\n", false},
        {"hosts:\n", false},
        {"", false},  // the library's default asks DNS first
    };
    for (const auto& [text, first] : order)
        EXPECT_EQ(net::HostsFileFirst(text), first) << text;
}

}  // namespace
}  // namespace orv
