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

TEST(ResolverFailure, UnknownNameIsToldFromSilentServer) {
    if (!std::getenv(kInside)) {
        if (test::Sh("unshare -rmn true 2>/dev/null") != 0) {
            if (test::InCi())
                FAIL() << "user namespaces are needed under CI";
            GTEST_SKIP() << "no user namespaces here";
        }
        char self[4096] = {};
        ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
        std::string out = test::ShOut(std::string(kInside) + "=1 unshare -rmn '" + self +
                                      "' --gtest_filter=ResolverFailure.* 2>&1; echo \"exit=$?\"");
        EXPECT_NE(out.find("[  PASSED  ] 1 test."), std::string::npos) << out;
        EXPECT_NE(out.find("exit=0"), std::string::npos) << out;
        return;
    }
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(PrepareInside(dir));
    LoopbackNameServer server;
    ASSERT_TRUE(server.ok());

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

}  // namespace
}  // namespace orv
