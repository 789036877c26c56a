// ICMP echo through both socket kinds, against loopback and against test hosts in network
// namespaces: a silent host, a router that answers with errors, and a host that sends forged
// answers before (or instead of) the real one.
#include "platform/icmp.h"

#include <gtest/gtest.h>

#include <linux/capability.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "netns.h"

namespace orv::icmp {
// Parameters in readable form (gtest would print raw bytes).
void PrintTo(SocketKind k, std::ostream* os) {
    *os << (k == SocketKind::Datagram ? "Datagram" : k == SocketKind::Raw ? "Raw" : "None");
}
}  // namespace orv::icmp

namespace {

using namespace orv::icmp;
using orv::net::InAddr;
using orv::net::MakeAddr;
using orv::test::Netns;
using orv::test::RunInNetns;

// The payload the Batch Ping page sends.
const std::string kPayload = "-------Hello,World!---------------";
constexpr InAddr kLoopback = MakeAddr(127, 0, 0, 1);

std::string KindName(SocketKind k) {
    switch (k) {
        case SocketKind::Datagram:
            return "Datagram";
        case SocketKind::Raw:
            return "Raw";
        case SocketKind::None:
            break;
    }
    return "None";
}

std::string KindParamName(const testing::TestParamInfo<SocketKind>& info) {
    return KindName(info.param);
}

std::string Dotted(InAddr a) {
    return orv::net::inet_ntoa(a);
}

// One echo and what it left in a reply buffer sized for the whole payload.
struct Echo {
    std::uint32_t count = 0;
    IcmpEchoReply reply;
    std::string data;  // the bytes reply.data points to
    bool dataInBuffer = false;
    bool roomZeroed = false;  // the buffer's data room past the data holds only zeros
    std::uint32_t elapsedMs = 0;
};

Echo SendEcho(IcmpHandle h, InAddr to, const std::string& payload, IpOptions opts = {},
              std::uint32_t timeoutMs = 2000) {
    // Filled with the payload's bytes first: nothing of it may survive an echo that failed.
    std::vector<std::uint8_t> buf(ReplyBufferSize(payload.size()), '-');
    Echo e;
    auto t0 = std::chrono::steady_clock::now();
    e.count = IcmpSendEcho(h, to, payload.data(), payload.size(), &opts, buf.data(), buf.size(),
                           timeoutMs);
    e.elapsedMs = static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0)
            .count());
    std::memcpy(&e.reply, buf.data(), kReplySize);
    e.dataInBuffer = e.reply.data == buf.data() + kReplySize;
    if (e.dataInBuffer && e.reply.dataSize <= buf.size() - kReplySize) {
        e.data.assign(reinterpret_cast<const char*>(e.reply.data), e.reply.dataSize);
        e.roomZeroed = std::all_of(buf.begin() + static_cast<long>(kReplySize + e.reply.dataSize),
                                   buf.end(), [](std::uint8_t b) { return b == 0; });
    }
    return e;
}

// A namespace whose loopback serves both socket kinds: ICMP datagram sockets are allowed for
// group 0 there, and root has CAP_NET_RAW.
std::unique_ptr<Netns> EchoNamespace(const std::string& prefix) {
    auto ns = std::make_unique<Netns>(prefix);
    if (ns->ok())
        ns->Exec("echo \"0 0\" > /proc/sys/net/ipv4/ping_group_range");
    return ns;
}

// Clears CAP_NET_RAW from the calling thread's effective set (capabilities are per thread).
bool DropRawCapabilityOnThisThread() {
    __user_cap_header_struct hdr{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (syscall(SYS_capget, &hdr, data) != 0)
        return false;
    data[CAP_NET_RAW / 32].effective &= ~(1u << (CAP_NET_RAW % 32));
    return syscall(SYS_capset, &hdr, data) == 0;
}

const SocketKind kBothKinds[] = {SocketKind::Datagram, SocketKind::Raw};

// ---------------------------------------------------------------------------------------------
// Loopback

class IcmpLoopback : public testing::TestWithParam<SocketKind> {};

TEST_P(IcmpLoopback, AnswersWithTheSentData) {
    ORV_REQUIRE_ROOT();
    auto ns = EchoNamespace("icmp-lo");
    ASSERT_TRUE(ns->ok());
    ASSERT_TRUE(RunInNetns(*ns, [&] {
        IcmpHandle h = IcmpCreateFileOfKind(GetParam());
        ASSERT_NE(h, kInvalidHandle);
        EXPECT_EQ(KindOf(h), GetParam());
        for (std::size_t size : {std::size_t{0}, std::size_t{1}, kPayload.size(), std::size_t{1472},
                                 std::size_t{8000}, kMaxRequestSize}) {
            SCOPED_TRACE("payload size " + std::to_string(size));
            std::string payload = size == kPayload.size() ? kPayload : std::string(size, '\0');
            for (std::size_t i = 0; i < size && size != kPayload.size(); ++i)
                payload[i] = static_cast<char>(i * 7 + 1);
            Echo e = SendEcho(h, kLoopback, payload);
            EXPECT_EQ(e.count, 1u);
            EXPECT_EQ(e.reply.status, IpStatus::Success);
            EXPECT_EQ(Dotted(e.reply.address), "127.0.0.1");
            EXPECT_EQ(e.reply.dataSize, size);
            EXPECT_TRUE(e.dataInBuffer);
            EXPECT_TRUE(e.data == payload);
            EXPECT_EQ(e.reply.options.ttl, 64);
            EXPECT_LE(e.reply.roundTripTime, e.elapsedMs);
        }
        IcmpCloseHandle(h);
    }));
}

// Many threads on one shared handle: each takes only the answer to its own echo, also where
// every raw socket sees every reply of the host.
TEST_P(IcmpLoopback, SharedHandleAcrossThreads) {
    ORV_REQUIRE_ROOT();
    auto ns = EchoNamespace("icmp-mt");
    ASSERT_TRUE(ns->ok());
    ASSERT_TRUE(RunInNetns(*ns, [&] {
        IcmpHandle h = IcmpCreateFileOfKind(GetParam());
        ASSERT_NE(h, kInvalidHandle);
        constexpr int kThreads = 8, kEchoes = 50;
        std::atomic<int> answered{0}, wrong{0};
        std::string firstWrong;
        std::vector<std::thread> threads;  // started here, so they live in the namespace too
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&, t] {
                for (int i = 0; i < kEchoes; ++i) {
                    std::string payload = "thread " + std::to_string(t) + " echo " +
                                          std::to_string(i) +
                                          std::string(static_cast<std::size_t>(t), '*');
                    Echo e = SendEcho(h, kLoopback, payload);
                    if (e.count == 1 && e.reply.status == IpStatus::Success && e.data == payload) {
                        ++answered;
                    } else if (wrong++ == 0) {
                        firstWrong = std::string(IcmpStatusText(e.reply.status)) + " after " +
                                     std::to_string(e.elapsedMs) + " ms, data \"" + e.data + "\"";
                    }
                }
            });
        }
        for (auto& th : threads)
            th.join();
        EXPECT_EQ(answered.load(), kThreads * kEchoes);
        EXPECT_EQ(wrong.load(), 0) << "first: " << firstWrong;
        IcmpCloseHandle(h);
    }));
}

// A reply buffer smaller than the data: the data is cut to what fits and nothing is written
// past the buffer (exact-size heap buffers for the sanitizer, guard bytes for plain builds).
TEST_P(IcmpLoopback, SmallReplyBufferIsNeverOverrun) {
    ORV_REQUIRE_ROOT();
    struct Case {
        std::size_t payload;
        std::size_t room;        // bytes after the record
        bool tooSmallForRecord;  // one byte short of the record itself
        std::size_t offset;      // misaligns the buffer
    };
    const Case cases[] = {
        {34, 0, true, 0},   {34, 0, false, 0},     {34, 1, false, 0},
        {34, 33, false, 0}, {34, 34, false, 0},    {34, 40, false, 0},
        {34, 10, false, 1}, {8000, 100, false, 3}, {65500, 7, false, 0},
    };
    auto ns = EchoNamespace("icmp-buf");
    ASSERT_TRUE(ns->ok());
    ASSERT_TRUE(RunInNetns(*ns, [&] {
        IcmpHandle h = IcmpCreateFileOfKind(GetParam());
        ASSERT_NE(h, kInvalidHandle);
        for (const Case& c : cases) {
            std::size_t size = c.tooSmallForRecord ? kReplySize - 1 : kReplySize + c.room;
            SCOPED_TRACE("payload " + std::to_string(c.payload) + ", buffer " +
                         std::to_string(size) + ", offset " + std::to_string(c.offset));
            std::string payload(c.payload, 'p');
            payload[0] = '-';
            // Exact size: any byte written past it is a heap overflow under the sanitizer.
            auto exact = std::make_unique<std::uint8_t[]>(c.offset + size);
            std::uint32_t n = IcmpSendEcho(h, kLoopback, payload.data(), payload.size(), nullptr,
                                           exact.get() + c.offset, size, 2000);
            // Guard bytes behind the buffer: must come back untouched.
            std::vector<std::uint8_t> guarded(c.offset + size + 64, 0xA5);
            std::uint32_t n2 = IcmpSendEcho(h, kLoopback, payload.data(), payload.size(), nullptr,
                                            guarded.data() + c.offset, size, 2000);
            EXPECT_TRUE(std::all_of(guarded.begin() + static_cast<long>(c.offset + size),
                                    guarded.end(), [](std::uint8_t b) { return b == 0xA5; }));
            EXPECT_TRUE(std::all_of(guarded.begin(), guarded.begin() + static_cast<long>(c.offset),
                                    [](std::uint8_t b) { return b == 0xA5; }));
            if (c.tooSmallForRecord) {
                EXPECT_EQ(n, 0u);
                EXPECT_EQ(n2, 0u);
                EXPECT_TRUE(std::all_of(guarded.begin(), guarded.end(),
                                        [](std::uint8_t b) { return b == 0xA5; }));
                continue;
            }
            for (std::uint8_t* buf : {exact.get() + c.offset, guarded.data() + c.offset}) {
                IcmpEchoReply r;
                std::memcpy(&r, buf, kReplySize);
                EXPECT_EQ(r.status, IpStatus::Success);
                std::size_t fits = std::min(c.payload, c.room);
                EXPECT_EQ(r.dataSize, fits);
                EXPECT_EQ(r.data, buf + kReplySize);
                EXPECT_EQ(std::memcmp(buf + kReplySize, payload.data(), fits), 0);
            }
            EXPECT_EQ(n, 1u);
            EXPECT_EQ(n2, 1u);
        }
        IcmpCloseHandle(h);
    }));
}

INSTANTIATE_TEST_SUITE_P(Kinds, IcmpLoopback, testing::ValuesIn(kBothKinds), KindParamName);

// Without root: the same loopback echo inside a user and network namespace of our own, where
// both kinds work. The test runs itself again in there (unshare -rn).
TEST(IcmpUserNamespace, LoopbackEchoWithoutRoot) {
    if (std::getenv("ORV_ICMP_IN_USERNS")) {
        ASSERT_EQ(orv::test::Sh("ip link set lo up"), 0);
        {
            std::ofstream f("/proc/sys/net/ipv4/ping_group_range");
            f << "0 0\n";
        }
        IcmpHandle best = IcmpCreateFile();
        EXPECT_EQ(KindOf(best), SocketKind::Datagram);  // preferred when both work
        IcmpCloseHandle(best);
        for (SocketKind kind : kBothKinds) {
            SCOPED_TRACE(KindName(kind));
            IcmpHandle h = IcmpCreateFileOfKind(kind);
            ASSERT_NE(h, kInvalidHandle);
            Echo e = SendEcho(h, kLoopback, kPayload);
            EXPECT_EQ(e.count, 1u);
            EXPECT_EQ(e.reply.status, IpStatus::Success);
            EXPECT_EQ(e.data, kPayload);
            IcmpCloseHandle(h);
        }
        return;
    }
    if (orv::test::Sh("unshare -rn true 2>/dev/null") != 0) {
        if (orv::test::InCi())
            FAIL() << "unshare -rn does not work under CI";
        GTEST_SKIP() << "user namespaces are not available";
    }
    char self[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
    std::string out = orv::test::ShOut(
        std::string("ORV_ICMP_IN_USERNS=1 unshare -rn '") + self +
        "' --gtest_filter=IcmpUserNamespace.LoopbackEchoWithoutRoot 2>&1; echo \"exit=$?\"");
    EXPECT_NE(out.find("[  PASSED  ] 1 test."), std::string::npos) << out;
    EXPECT_NE(out.find("exit=0"), std::string::npos) << out;
}

// ---------------------------------------------------------------------------------------------
// Handle creation

TEST(IcmpCreate, PrefersDatagramThenRawElseExplains) {
    ORV_REQUIRE_ROOT();
    struct Case {
        const char* groupRange;
        bool rawAllowed;
        SocketKind expected;
    };
    const Case cases[] = {
        {"0 0", true, SocketKind::Datagram},
        {"0 0", false, SocketKind::Datagram},
        {"1 0", true, SocketKind::Raw},
        {"1 0", false, SocketKind::None},
    };
    Netns ns("icmp-create");
    ASSERT_TRUE(ns.ok());
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("range ") + c.groupRange + (c.rawAllowed ? ", raw" : ", no raw"));
        ASSERT_EQ(ns.Exec(std::string("echo \"") + c.groupRange +
                          "\" > /proc/sys/net/ipv4/ping_group_range"),
                  0);
        ASSERT_TRUE(RunInNetns(ns, [&] {
            if (!c.rawAllowed) {
                ASSERT_TRUE(DropRawCapabilityOnThisThread());
            }
            IcmpHandle h = IcmpCreateFile();
            EXPECT_EQ(KindOf(h), c.expected);
            EXPECT_EQ(h == kInvalidHandle, c.expected == SocketKind::None);
            IcmpHandle raw = IcmpCreateFileOfKind(SocketKind::Raw);
            EXPECT_EQ(raw != kInvalidHandle, c.rawAllowed);
            IcmpCloseHandle(raw);
            if (h == kInvalidHandle) {
                std::string why = IcmpUnavailableReason();
                EXPECT_NE(why.find("net.ipv4.ping_group_range"), std::string::npos) << why;
                EXPECT_NE(why.find("CAP_NET_RAW"), std::string::npos) << why;
                EXPECT_NE(why.find("\"1 0\""), std::string::npos) << why;
            }
            IcmpCloseHandle(h);
        }));
    }
}

TEST(IcmpArguments, RejectedWithAFreshRecord) {
    std::vector<std::uint8_t> buf(ReplyBufferSize(kPayload.size()), '-');
    EXPECT_EQ(IcmpSendEcho(kInvalidHandle, kLoopback, kPayload.data(), kPayload.size(), nullptr,
                           buf.data(), buf.size(), 100),
              0u);
    IcmpEchoReply r;
    std::memcpy(&r, buf.data(), kReplySize);
    EXPECT_EQ(r.status, IpStatus::GeneralFailure);
    EXPECT_EQ(r.dataSize, 0u);
    EXPECT_EQ(IcmpStatusText(r.status), "General failure");
    EXPECT_EQ(IcmpSendEcho(kInvalidHandle, kLoopback, nullptr, 0, nullptr, nullptr, 0, 100), 0u);

    IcmpHandle h = IcmpCreateFile();
    if (h == kInvalidHandle) {
        if (orv::test::InCi())
            FAIL() << "no ICMP socket kind works here: " << IcmpUnavailableReason();
        GTEST_SKIP() << "no ICMP socket kind works here";
    }
    std::vector<char> big(kMaxRequestSize + 1, 'x');
    std::vector<std::uint8_t> out(ReplyBufferSize(big.size()));
    EXPECT_EQ(
        IcmpSendEcho(h, kLoopback, big.data(), big.size(), nullptr, out.data(), out.size(), 100),
        0u);
    std::memcpy(&r, out.data(), kReplySize);
    EXPECT_EQ(r.status, IpStatus::GeneralFailure);
    EXPECT_EQ(IcmpSendEcho(h, kLoopback, nullptr, 5, nullptr, out.data(), out.size(), 100), 0u);
    IcmpCloseHandle(h);
}

// ---------------------------------------------------------------------------------------------
// Test hosts: client 198.18.1.2 -- router 198.18.1.1 / 198.18.2.1 -- target 198.18.2.2.
// The router refuses 198.18.3.0/24 (unreachable) and 198.18.5.0/24 (prohibit) and has no
// route to anything else.

const InAddr kRouter = MakeAddr(198, 18, 1, 1);
const InAddr kTarget = MakeAddr(198, 18, 2, 2);

class RoutedHosts {
  public:
    RoutedHosts()
        : client_(EchoNamespace("icmp-cl")),
          router_(std::make_unique<Netns>("icmp-rt")),
          target_(std::make_unique<Netns>("icmp-tg")) {
        ok_ = client_->ok() && router_->ok() && target_->ok() &&
              orv::test::Link(*client_, "198.18.1.2/24", *router_, "198.18.1.1/24") &&
              orv::test::Link(*router_, "198.18.2.1/24", *target_, "198.18.2.2/24") &&
              client_->Exec("ip route add default via 198.18.1.1") == 0 &&
              target_->Exec("ip route add default via 198.18.2.1") == 0 &&
              router_->Exec("echo 1 > /proc/sys/net/ipv4/ip_forward") == 0 &&
              router_->Exec("echo 0 > /proc/sys/net/ipv4/icmp_ratelimit") == 0 &&
              router_->Exec("ip route add unreachable 198.18.3.0/24") == 0 &&
              router_->Exec("ip route add prohibit 198.18.5.0/24") == 0;
    }
    bool ok() const { return ok_; }
    const Netns& client() const { return *client_; }

  private:
    std::unique_ptr<Netns> client_, router_, target_;
    bool ok_ = false;
};

struct RouteCase {
    const char* name;
    InAddr to;
    int ttl;
    IpStatus status;
    InAddr from;
    int replyTtl;
};

void PrintTo(const RouteCase& c, std::ostream* os) {
    *os << c.name;
}

const RouteCase kRouteCases[] = {
    {"ReachesTarget", kTarget, 64, IpStatus::Success, kTarget, 63},
    {"Ttl1ExpiresAtRouter", kTarget, 1, IpStatus::TtlExpiredTransit, kRouter, 64},
    {"Ttl0IsSentAs1", kTarget, 0, IpStatus::TtlExpiredTransit, kRouter, 64},
    {"Ttl2Reaches", kTarget, 2, IpStatus::Success, kTarget, 63},
    {"Ttl256IsSentAs255", kTarget, 256, IpStatus::Success, kTarget, 63},
    {"UnreachableRoute", MakeAddr(198, 18, 3, 1), 64, IpStatus::DestHostUnreachable, kRouter, 64},
    {"NoRoute", MakeAddr(198, 18, 4, 1), 64, IpStatus::DestNetUnreachable, kRouter, 64},
    {"ProhibitRoute", MakeAddr(198, 18, 5, 1), 64, IpStatus::DestProhibited, kRouter, 64},
};

// Fresh hosts for every case: a router's kernel sends its "unreachable" answers to one
// client only about once a second after the first few (and a time-exceeded answer just before
// spends that allowance), so sharing one router between cases would lose answers.
class IcmpRouted : public testing::TestWithParam<std::tuple<SocketKind, RouteCase>> {};

// An ICMP error comes back with its own status, the router's address and none of our data.
TEST_P(IcmpRouted, AnswerCarriesSenderStatusAndTtl) {
    ORV_REQUIRE_ROOT();
    RoutedHosts hosts;
    ASSERT_TRUE(hosts.ok());
    // Named copies: lambdas below capture them, which structured bindings cannot be in C++20.
    const SocketKind kind = std::get<0>(GetParam());
    const auto c = std::get<1>(GetParam());
    ASSERT_TRUE(RunInNetns(hosts.client(), [&] {
        IcmpHandle h = IcmpCreateFileOfKind(kind);
        ASSERT_NE(h, kInvalidHandle);
        IpOptions opts;
        opts.ttl = c.ttl;
        Echo e = SendEcho(h, c.to, kPayload, opts, 3000);
        EXPECT_EQ(e.count, 1u);
        EXPECT_EQ(e.reply.status, c.status) << IcmpStatusText(e.reply.status);
        EXPECT_EQ(Dotted(e.reply.address), Dotted(c.from));
        EXPECT_EQ(e.reply.options.ttl, c.replyTtl);
        EXPECT_TRUE(e.dataInBuffer);
        if (c.status == IpStatus::Success) {
            EXPECT_EQ(e.data, kPayload);
        } else {
            EXPECT_EQ(e.reply.dataSize, 0u);
            EXPECT_TRUE(e.roomZeroed) << "bytes of the payload were left in the buffer";
        }
        IcmpCloseHandle(h);
    }));
}

INSTANTIATE_TEST_SUITE_P(Routes, IcmpRouted,
                         testing::Combine(testing::ValuesIn(kBothKinds),
                                          testing::ValuesIn(kRouteCases)),
                         [](const testing::TestParamInfo<std::tuple<SocketKind, RouteCase>>& info) {
                             return KindName(std::get<0>(info.param)) + "_" +
                                    std::get<1>(info.param).name;
                         });

// A thread that moves to another network namespace sends its next echo from there. Without a
// route there the echo fails at once, as a local failure.
class IcmpThreadNamespace : public testing::TestWithParam<SocketKind> {};

TEST_P(IcmpThreadNamespace, FollowsTheThreadIntoAnotherNamespace) {
    ORV_REQUIRE_ROOT();
    const SocketKind kind = GetParam();
    RoutedHosts hosts;
    auto alone = EchoNamespace("icmp-alone");
    ASSERT_TRUE(hosts.ok() && alone->ok());
    ASSERT_TRUE(RunInNetns(hosts.client(), [&] {
        IcmpHandle h = IcmpCreateFileOfKind(kind);
        ASSERT_NE(h, kInvalidHandle);
        Echo there = SendEcho(h, kTarget, kPayload);
        EXPECT_EQ(there.reply.status, IpStatus::Success);
        ASSERT_TRUE(alone->EnterOnThisThread());
        Echo here = SendEcho(h, kTarget, kPayload);
        EXPECT_EQ(here.count, 0u);
        EXPECT_EQ(here.reply.status, IpStatus::DestNetUnreachable)
            << IcmpStatusText(here.reply.status);
        EXPECT_EQ(here.reply.dataSize, 0u);
        EXPECT_EQ(SendEcho(h, kLoopback, kPayload).data, kPayload);
        IcmpCloseHandle(h);
    }));
}

INSTANTIATE_TEST_SUITE_P(Kinds, IcmpThreadNamespace, testing::ValuesIn(kBothKinds), KindParamName);

TEST(IcmpStatusTexts, ThePagesReasons) {
    EXPECT_EQ(IcmpStatusText(IpStatus::TimedOut), "Timed out");
    EXPECT_EQ(IcmpStatusText(IpStatus::TtlExpiredTransit), "TTL expired in transit");
    EXPECT_EQ(IcmpStatusText(IpStatus::DestHostUnreachable), "Destination host unreachable");
    EXPECT_EQ(IcmpStatusText(IpStatus::DestNetUnreachable), "Destination net unreachable");
}

// ---------------------------------------------------------------------------------------------
// A peer of our own: client 198.18.7.1 -- target 198.18.7.2, whose kernel ignores echoes.

const InAddr kPeerClient = MakeAddr(198, 18, 7, 1);
const InAddr kPeer = MakeAddr(198, 18, 7, 2);

struct PeerHosts {
    std::unique_ptr<Netns> client = EchoNamespace("icmp-pc");
    Netns peer{"icmp-pp"};
    bool ok = client->ok() && peer.ok() &&
              orv::test::Link(*client, "198.18.7.1/24", peer, "198.18.7.2/24") &&
              peer.Exec("echo 1 > /proc/sys/net/ipv4/icmp_echo_ignore_all") == 0;
};

class IcmpSilentHost : public testing::TestWithParam<SocketKind> {};

TEST_P(IcmpSilentHost, TimesOutAfterTheTimeOut) {
    ORV_REQUIRE_ROOT();
    PeerHosts hosts;
    ASSERT_TRUE(hosts.ok);
    ASSERT_TRUE(RunInNetns(*hosts.client, [&] {
        IcmpHandle h = IcmpCreateFileOfKind(GetParam());
        ASSERT_NE(h, kInvalidHandle);
        for (std::uint32_t timeout : {400u, 0u}) {
            SCOPED_TRACE("time-out " + std::to_string(timeout));
            Echo e = SendEcho(h, kPeer, kPayload, {}, timeout);
            EXPECT_EQ(e.count, 0u);
            EXPECT_EQ(e.reply.status, IpStatus::TimedOut);
            EXPECT_EQ(IcmpStatusText(e.reply.status), "Timed out");
            EXPECT_EQ(e.reply.address, 0u);
            EXPECT_EQ(e.reply.dataSize, 0u);
            EXPECT_TRUE(e.roomZeroed);
            // Not before the time-out, and the record tells the time waited.
            EXPECT_GE(e.elapsedMs, timeout);
            EXPECT_GE(e.reply.roundTripTime, timeout);
            EXPECT_LE(e.reply.roundTripTime, e.elapsedMs);
        }
        IcmpCloseHandle(h);
    }));
}

INSTANTIATE_TEST_SUITE_P(Kinds, IcmpSilentHost, testing::ValuesIn(kBothKinds), KindParamName);

std::uint16_t Sum(const std::vector<std::uint8_t>& m) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i + 1 < m.size(); i += 2)
        sum += static_cast<std::uint32_t>(m[i] << 8 | m[i + 1]);
    if (m.size() % 2)
        sum += static_cast<std::uint32_t>(m.back() << 8);
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum);
}

// An ICMP message: type, code, 4 bytes after the checksum, body; checksum filled in.
std::vector<std::uint8_t> Icmp(std::uint8_t type, std::uint8_t code, std::uint16_t w1,
                               std::uint16_t w2, const std::vector<std::uint8_t>& body,
                               bool badChecksum = false) {
    std::vector<std::uint8_t> m(8 + body.size());
    m[0] = type;
    m[1] = code;
    m[4] = static_cast<std::uint8_t>(w1 >> 8);
    m[5] = static_cast<std::uint8_t>(w1);
    m[6] = static_cast<std::uint8_t>(w2 >> 8);
    m[7] = static_cast<std::uint8_t>(w2);
    std::copy(body.begin(), body.end(), m.begin() + 8);
    std::uint16_t s = Sum(m);
    if (badChecksum)
        s ^= 0x0101;
    m[2] = static_cast<std::uint8_t>(s >> 8);
    m[3] = static_cast<std::uint8_t>(s);
    return m;
}

enum class Finally { Reply, TimeExceeded, Nothing };

// Waits for the client's echo request, then answers with forgeries of every kind and at last
// with `last`.
void ForgeAnswers(int fd, Finally last, std::atomic<bool>& done) {
    std::vector<std::uint8_t> pkt(70000);
    std::size_t n = 0, ihl = 0;
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
        if (std::chrono::steady_clock::now() > until)
            return;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0)
            continue;
        ssize_t r = recv(fd, pkt.data(), pkt.size(), 0);
        if (r < 28)
            continue;
        n = static_cast<std::size_t>(r);
        ihl = static_cast<std::size_t>(pkt[0] & 0x0F) * 4;
        InAddr src;
        std::memcpy(&src, &pkt[12], 4);
        if (n >= ihl + 8 && pkt[ihl] == 8 && src == kPeerClient)
            break;
    }
    const std::uint16_t id = static_cast<std::uint16_t>(pkt[ihl + 4] << 8 | pkt[ihl + 5]);
    const std::uint16_t seq = static_cast<std::uint16_t>(pkt[ihl + 6] << 8 | pkt[ihl + 7]);
    std::vector<std::uint8_t> data(pkt.begin() + static_cast<long>(ihl + 8),
                                   pkt.begin() + static_cast<long>(n));
    // The quoted original of an error: its IP header and first 8 ICMP bytes, seq replaced.
    auto quote = [&](std::uint16_t qseq) {
        std::vector<std::uint8_t> q(pkt.begin(), pkt.begin() + static_cast<long>(ihl + 8));
        q[ihl + 6] = static_cast<std::uint8_t>(qseq >> 8);
        q[ihl + 7] = static_cast<std::uint8_t>(qseq);
        return q;
    };
    std::vector<std::uint8_t> altered = data, longer = data,
                              shorter(data.begin(), data.begin() + 10);
    altered[0] = 'X';
    longer.insert(longer.end(), 8, '-');

    std::vector<std::vector<std::uint8_t>> out = {
        Icmp(0, 0, id, static_cast<std::uint16_t>(seq + 1), data),      // another sequence
        Icmp(0, 0, static_cast<std::uint16_t>(id + 1), seq, data),      // another identifier
        Icmp(0, 0, id, seq, altered),                                   // other data
        Icmp(0, 0, id, seq, longer),                                    // more data
        Icmp(0, 0, id, seq, shorter),                                   // less data
        Icmp(0, 0, id, seq, data, true),                                // bad checksum
        Icmp(8, 0, id, seq, data),                                      // a request, not a reply
        Icmp(11, 0, 0, 0, quote(static_cast<std::uint16_t>(seq + 1))),  // error about another
        Icmp(3, 1, 0, 0, quote(static_cast<std::uint16_t>(seq - 1))),   // about an earlier one
        Icmp(5, 1, 0, 0, quote(seq)),                                   // a redirect is no answer
    };
    if (last == Finally::Reply)
        out.push_back(Icmp(0, 0, id, seq, data));
    if (last == Finally::TimeExceeded)
        out.push_back(Icmp(11, 0, 0, 0, quote(seq)));
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = kPeerClient;
    for (const auto& m : out) {
        sendto(fd, m.data(), m.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    done = true;
}

struct ForgeCase {
    const char* name;
    Finally last;
    std::uint32_t count;
    IpStatus status;
};

void PrintTo(const ForgeCase& c, std::ostream* os) {
    *os << c.name;
}

const ForgeCase kForgeCases[] = {
    {"RealReplyLast", Finally::Reply, 1, IpStatus::Success},
    {"RealErrorLast", Finally::TimeExceeded, 1, IpStatus::TtlExpiredTransit},
    {"OnlyForgeries", Finally::Nothing, 0, IpStatus::TimedOut},
};

class IcmpForgingPeer : public testing::TestWithParam<std::tuple<SocketKind, ForgeCase>> {};

// Only the answer to its own request counts; every forgery before it is skipped.
TEST_P(IcmpForgingPeer, TakesOnlyItsOwnAnswer) {
    ORV_REQUIRE_ROOT();
    // Named copies: lambdas below capture them, which structured bindings cannot be in C++20.
    const SocketKind kind = std::get<0>(GetParam());
    const auto c = std::get<1>(GetParam());
    PeerHosts hosts;
    ASSERT_TRUE(hosts.ok);
    std::atomic<int> peerState{0};  // 1 listening, -1 could not
    std::atomic<bool> forged{false};
    std::thread peer([&] {
        int fd = hosts.peer.EnterOnThisThread()
                     ? socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP)
                     : -1;
        peerState = fd < 0 ? -1 : 1;
        if (fd < 0)
            return;
        ForgeAnswers(fd, c.last, forged);
        close(fd);
    });
    while (peerState == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    if (peerState < 0) {
        peer.join();
        FAIL() << "the forging peer could not open its socket";
    }
    Echo e;
    EXPECT_TRUE(RunInNetns(*hosts.client, [&] {
        IcmpHandle h = IcmpCreateFileOfKind(kind);
        ASSERT_NE(h, kInvalidHandle);
        e = SendEcho(h, kPeer, kPayload, {}, 1500);
        IcmpCloseHandle(h);
    }));
    peer.join();
    EXPECT_TRUE(forged.load());
    EXPECT_EQ(e.count, c.count);
    EXPECT_EQ(e.reply.status, c.status) << IcmpStatusText(e.reply.status);
    if (c.status == IpStatus::Success) {
        EXPECT_EQ(Dotted(e.reply.address), "198.18.7.2");
        EXPECT_EQ(e.data, kPayload);
    } else {
        EXPECT_EQ(e.reply.address, c.status == IpStatus::TimedOut ? 0u : kPeer);
        EXPECT_EQ(e.reply.dataSize, 0u);
        EXPECT_TRUE(e.roomZeroed);
    }
}

INSTANTIATE_TEST_SUITE_P(Forgeries, IcmpForgingPeer,
                         testing::Combine(testing::ValuesIn(kBothKinds),
                                          testing::ValuesIn(kForgeCases)),
                         [](const testing::TestParamInfo<std::tuple<SocketKind, ForgeCase>>& info) {
                             return KindName(std::get<0>(info.param)) + "_" +
                                    std::get<1>(info.param).name;
                         });

}  // namespace
