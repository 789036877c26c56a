#include "platform/tcptable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "netns.h"
#include "platform/resolver.h"
#include "tcp_loopback.h"

namespace orv::net {

static std::string Show(const TcpRow& r) {
    return std::to_string(r.state) + " " + inet_ntoa(r.localAddr) + ":" +
           std::to_string(TcpRowPort(r.localPort)) + " " + inet_ntoa(r.remoteAddr) + ":" +
           std::to_string(TcpRowPort(r.remotePort));
}
void PrintTo(const TcpRow& r, std::ostream* os) {
    *os << Show(r);
}

namespace {

using test::Conn;
using test::Sock;

TcpRow Row(std::uint32_t state, InAddr la, std::uint16_t lp, InAddr ra, std::uint16_t rp) {
    return {state, la, TcpPortField(lp), ra, TcpPortField(rp)};
}

const InAddr kLo = MakeAddr(127, 0, 0, 1);

TEST(TcpTableRowTest, PortFieldHoldsNetworkOrderInItsLowBytes) {
    std::uint32_t field = TcpPortField(8080);  // 0x1F90
    unsigned char bytes[4];
    std::memcpy(bytes, &field, sizeof bytes);
    EXPECT_EQ(bytes[0], 0x1F);
    EXPECT_EQ(bytes[1], 0x90);
    EXPECT_EQ(TcpRowPort(field), 8080);
    EXPECT_EQ(TcpRowPort(field | 0xABCD0000u), 8080) << "upper half is ignored";
}

TEST(TcpTableRowTest, LinuxStatesMapOntoMibNumbers) {
    struct Case {
        unsigned lx;
        std::uint32_t mib;
    } cases[] = {
        {1, kTcpStateEstablished},
        {2, kTcpStateSynSent},
        {3, kTcpStateSynRcvd},
        {4, kTcpStateFinWait1},
        {5, kTcpStateFinWait2},
        {6, kTcpStateTimeWait},
        {7, kTcpStateClosed},
        {8, kTcpStateCloseWait},
        {9, kTcpStateLastAck},
        {10, kTcpStateListen},
        {11, kTcpStateClosing},
        {12, kTcpStateSynRcvd},
        {0, 0},
        {13, 0},
        {255, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TcpStateFromLinux(c.lx), c.mib) << c.lx;
}

// What the kernel writes, heading and trailing blanks included.
constexpr std::string_view kProcText =
    "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  "
    "timeout inode                                                     \n"
    "   0: 0100007F:1F90 00000000:0000 0A 00000000:00000000 00:00000000 00000000     0        "
    "0 41231 1 0000000000000000 100 0 0 10 0                     \n"
    "   1: 00000000:0050 00000000:0000 0A 00000000:00000000 00:00000000 00000000     0        "
    "0 41232 1 0000000000000000 100 0 0 10 0                     \n"
    "   2: 0100007F:9C40 0100007F:1F90 01 00000000:00000000 00:00000000 00000000  1000        "
    "0 41233 1 0000000000000000 20 4 30 10 -1                    \n"
    "   3: 0101A8C0:0016 6401A8C0:D431 06 00000000:00000000 03:00001770 00000000     0        "
    "0 0 3 0000000000000000                                      \n"
    "   4: 0100007F:1F90 0100007F:9C40 08 00000000:00000000 00:00000000 00000000  1000        "
    "0 41234 1 0000000000000000 20 4 30 10 -1                    \n"
    "10000: 0200000A:01BB 0300000A:C000 01 00000000:00000000 00:00000000 00000000     0 0 5";

TEST(ProcNetTcpTest, ParsesAddressesPortsAndStates) {
    const std::vector<TcpRow> want = {
        Row(kTcpStateListen, kLo, 8080, 0, 0),
        Row(kTcpStateListen, 0, 80, 0, 0),
        Row(kTcpStateEstablished, kLo, 40000, kLo, 8080),
        Row(kTcpStateTimeWait, MakeAddr(192, 168, 1, 1), 22, MakeAddr(192, 168, 1, 100), 54321),
        Row(kTcpStateCloseWait, kLo, 8080, kLo, 40000),
        Row(kTcpStateEstablished, MakeAddr(10, 0, 0, 2), 443, MakeAddr(10, 0, 0, 3), 49152),
    };
    EXPECT_EQ(ParseProcNetTcp(kProcText, kAllTcpStates), want);
}

TEST(ProcNetTcpTest, KeepsOnlyTheStatesAsked) {
    auto rows = ParseProcNetTcp(kProcText, TcpStateBit(kTcpStateListen));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(TcpRowPort(rows[0].localPort), 8080);
    EXPECT_EQ(TcpRowPort(rows[1].localPort), 80);
    EXPECT_TRUE(ParseProcNetTcp(kProcText, 0).empty());
}

TEST(ProcNetTcpTest, SkipsLinesThatDoNotParse) {
    const std::string good = "   0: 0100007F:1F90 00000000:0000 0A 00000000:00000000\n";
    const char* bad[] = {
        "",
        "garbage",
        "   1: 0100007F:1F9 00000000:0000 0A",      // short port
        "   1: 100007F:1F90 00000000:0000 0A",      // short address
        "   1: 0100007F:1F90 00000000:0000 ZZ",     // state not hex
        "   1: 0100007F:1F90 00000000:0000",        // no state
        "   1: 0100007F:1F90 00000000:0000 0D",     // no such state
        "   1: 0100007F:1F90 00000000:0000 00",     // nor this
        "   x: 0100007F:1F90 00000000:0000 0A",     // slot not a number
        "   1 0100007F:1F90 00000000:0000 0A",      // slot without colon
        "   1: 0100007F:1F90:00 00000000:0000 0A",  // extra field
        "   1: 0100007G:1F90 00000000:0000 0A",     // not hex
        "   1: 0100007F:-F90 00000000:0000 0A",     // sign
    };
    for (const char* line : bad) {
        auto rows = ParseProcNetTcp(good + line + "\n" + good, kAllTcpStates);
        EXPECT_EQ(rows.size(), 2u) << '"' << line << '"';
    }
    EXPECT_TRUE(ParseProcNetTcp("", kAllTcpStates).empty());
}

TEST(TcpTableTest, NullSizeIsRefused) {
    std::uint32_t buf[16];
    EXPECT_EQ(GetTcpTable(nullptr, nullptr, true), kTcpTableInvalidParameter);
    EXPECT_EQ(GetTcpTable(buf, nullptr, true), kTcpTableInvalidParameter);
}

TEST(TcpTableTest, SortedOrderIsByLocalThenRemoteEndpoint) {
    std::vector<TcpRow> rows = {
        Row(kTcpStateEstablished, MakeAddr(127, 0, 0, 1), 80, MakeAddr(127, 0, 0, 1), 2),
        Row(kTcpStateEstablished, MakeAddr(10, 0, 0, 1), 900, 0, 0),
        Row(kTcpStateListen, MakeAddr(127, 0, 0, 1), 80, 0, 0),
        Row(kTcpStateEstablished, MakeAddr(127, 0, 0, 1), 80, MakeAddr(127, 0, 0, 1), 1),
        Row(kTcpStateListen, MakeAddr(127, 0, 0, 1), 79, 0, 0),
        Row(kTcpStateListen, MakeAddr(127, 0, 0, 1), 256, 0, 0),  // 0x0100: byte order matters
    };
    SortTcpRows(rows);
    std::vector<std::string> got;
    for (const auto& r : rows)
        got.push_back(Show(r));
    EXPECT_EQ(got, (std::vector<std::string>{
                       "5 10.0.0.1:900 0.0.0.0:0",
                       "2 127.0.0.1:79 0.0.0.0:0",
                       "2 127.0.0.1:80 0.0.0.0:0",
                       "5 127.0.0.1:80 127.0.0.1:1",
                       "5 127.0.0.1:80 127.0.0.1:2",
                       "2 127.0.0.1:256 0.0.0.0:0",
                   }));
}

// The table of the calling thread's namespace through the two-call protocol.
std::vector<TcpRow> Table(TcpStates states, bool sorted = true) {
    std::uint32_t size = 0;
    EXPECT_EQ(GetTcpTable(nullptr, &size, sorted, states), kTcpTableInsufficientBuffer);
    std::vector<unsigned char> buf(size);
    EXPECT_EQ(GetTcpTable(buf.data(), &size, sorted, states), kTcpTableOk);
    std::vector<TcpRow> rows;
    for (std::uint32_t i = 0; i < TcpTableCount(buf.data()); ++i)
        rows.push_back(TcpTableRow(buf.data(), i));
    return rows;
}

bool HasState(const std::vector<TcpRow>& rows, std::uint32_t state, std::uint16_t localPort) {
    return std::any_of(rows.begin(), rows.end(), [&](const TcpRow& r) {
        return r.state == state && TcpRowPort(r.localPort) == localPort;
    });
}

// Sockets of a fresh network namespace, read from a thread inside it.
class TcpTableNetnsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ORV_REQUIRE_ROOT();
        ns_ = std::make_unique<test::Netns>("orvtcp");
        ASSERT_TRUE(ns_->ok());
    }
    void InNs(const std::function<void()>& fn) { ASSERT_TRUE(test::RunInNetns(*ns_, fn)); }

    std::unique_ptr<test::Netns> ns_;
};

TEST_F(TcpTableNetnsTest, EmptyNamespaceGivesAnEmptyTable) {
    InNs([] {
        std::uint32_t size = 0;
        ASSERT_EQ(GetTcpTable(nullptr, &size, true), kTcpTableInsufficientBuffer);
        EXPECT_GE(size, kTcpTableHeaderSize);
        std::vector<unsigned char> buf(size, 0xEE);
        ASSERT_EQ(GetTcpTable(buf.data(), &size, true), kTcpTableOk);
        EXPECT_EQ(TcpTableCount(buf.data()), 0u);
        EXPECT_EQ(ReadTcpRowsNetlink(kAllTcpStates), std::vector<TcpRow>{});
        EXPECT_EQ(ReadTcpRowsProc(kAllTcpStates), std::vector<TcpRow>{});
    });
}

TEST_F(TcpTableNetnsTest, ListenerAndConnectionGiveTheirRowsSorted) {
    InNs([] {
        Sock l = test::Listen();
        ASSERT_TRUE(l.ok());
        const std::uint16_t lp = l.Port();
        Conn c = test::Connect(l, lp);
        ASSERT_TRUE(c.ok());
        const std::uint16_t cp = c.client.Port();

        std::vector<TcpRow> want = {
            Row(kTcpStateListen, kLo, lp, 0, 0),
            Row(kTcpStateEstablished, kLo, lp, kLo, cp),
            Row(kTcpStateEstablished, kLo, cp, kLo, lp),
        };
        SortTcpRows(want);
        EXPECT_EQ(Table(kAllTcpStates), want);
        EXPECT_EQ(Table(TcpStateBit(kTcpStateListen)),
                  std::vector<TcpRow>{Row(kTcpStateListen, kLo, lp, 0, 0)})
            << "the kernel filters by state";
    });
}

TEST_F(TcpTableNetnsTest, ClosingConnectionsKeepTheirStates) {
    InNs([] {
        Sock l = test::Listen();
        const std::uint16_t lp = l.Port();
        // Closed by the client first: the client ends in time-wait.
        Conn a = test::Connect(l, lp);
        ASSERT_TRUE(a.ok());
        const std::uint16_t ap = a.client.Port();
        a.client.Close();
        ASSERT_TRUE(
            test::WaitFor([&] { return HasState(Table(kAllTcpStates), kTcpStateCloseWait, lp); }));
        a.server.Close();
        // Half closed by the client: it waits in fin-wait-2, the server in close-wait.
        Conn b = test::Connect(l, lp);
        ASSERT_TRUE(b.ok());
        const std::uint16_t bp = b.client.Port();
        ::shutdown(b.client.fd(), SHUT_WR);

        std::vector<TcpRow> rows;
        ASSERT_TRUE(test::WaitFor([&] {
            rows = Table(kAllTcpStates);
            return HasState(rows, kTcpStateTimeWait, ap) && HasState(rows, kTcpStateFinWait2, bp) &&
                   HasState(rows, kTcpStateCloseWait, lp);
        })) << ::testing::PrintToString(rows);

        auto open = Table(TcpStateBit(kTcpStateListen) | TcpStateBit(kTcpStateEstablished));
        EXPECT_EQ(open, std::vector<TcpRow>{Row(kTcpStateListen, kLo, lp, 0, 0)});
    });
}

TEST_F(TcpTableNetnsTest, NetlinkAndProcAgree) {
    InNs([] {
        Sock l = test::Listen();
        Sock any = test::Listen(INADDR_ANY);
        const std::uint16_t lp = l.Port();
        std::vector<Conn> conns;
        for (int i = 0; i < 20; ++i)
            conns.push_back(test::Connect(l, lp));
        const std::uint16_t tp = conns[0].client.Port();
        conns[0].client.Close();  // time-wait once the server closes too
        ASSERT_TRUE(
            test::WaitFor([&] { return HasState(Table(kAllTcpStates), kTcpStateCloseWait, lp); }));
        conns[0].server.Close();
        ::shutdown(conns[1].client.fd(), SHUT_WR);
        ASSERT_TRUE(
            test::WaitFor([&] { return HasState(Table(kAllTcpStates), kTcpStateTimeWait, tp); }));
        // The half-closed side passes through fin_wait1 on its way: compare once it has settled.
        const std::uint16_t hp = conns[1].client.Port();
        ASSERT_TRUE(
            test::WaitFor([&] { return HasState(Table(kAllTcpStates), kTcpStateFinWait2, hp); }));

        for (TcpStates states :
             {kAllTcpStates, TcpStateBit(kTcpStateListen) | TcpStateBit(kTcpStateEstablished),
              TcpStateBit(kTcpStateTimeWait)}) {
            auto nl = ReadTcpRowsNetlink(states);
            auto proc = ReadTcpRowsProc(states);
            ASSERT_TRUE(nl && proc);
            SortTcpRows(*nl);
            SortTcpRows(*proc);
            EXPECT_FALSE(nl->empty());
            EXPECT_EQ(*nl, *proc) << "states " << std::hex << states;
        }
    });
}

TEST_F(TcpTableNetnsTest, SizeAnswerFitsTheNextReadAndGrowthIsReported) {
    InNs([] {
        Sock l = test::Listen(INADDR_LOOPBACK, 0, 1024);
        const std::uint16_t lp = l.Port();
        std::vector<Conn> conns;
        for (int i = 0; i < 50; ++i)
            conns.push_back(test::Connect(l, lp));

        // A table that stays put is read at the first try.
        std::uint32_t size = 0;
        ASSERT_EQ(GetTcpTable(nullptr, &size, true), kTcpTableInsufficientBuffer);
        EXPECT_GE(size, TcpTableSize(101));
        std::vector<unsigned char> buf(size);
        ASSERT_EQ(GetTcpTable(buf.data(), &size, true), kTcpTableOk);
        EXPECT_EQ(TcpTableCount(buf.data()), 101u);

        // Too small a buffer is refused with the size needed.
        std::uint32_t small = kTcpTableHeaderSize;
        EXPECT_EQ(GetTcpTable(buf.data(), &small, true), kTcpTableInsufficientBuffer);
        EXPECT_GE(small, TcpTableSize(101));

        // The table outgrows the size answered: the read says so and sizes again.
        for (int i = 0; i < 200; ++i)
            conns.push_back(test::Connect(l, lp));
        EXPECT_EQ(GetTcpTable(buf.data(), &size, true), kTcpTableInsufficientBuffer);
        EXPECT_GE(size, TcpTableSize(501));
        buf.assign(size, 0);
        ASSERT_EQ(GetTcpTable(buf.data(), &size, true), kTcpTableOk);
        EXPECT_EQ(TcpTableCount(buf.data()), 501u);
    });
}

}  // namespace
}  // namespace orv::net
