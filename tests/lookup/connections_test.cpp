#include "lookup/connections.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <tuple>
#include <vector>

#include "netns.h"
#include "platform/resolver.h"
#include "platform/tcptable.h"
#include "tcp_loopback.h"

namespace orv {

bool operator==(const TTcpConnStatus& a, const TTcpConnStatus& b) {
    return std::tie(a.LocalAddress, a.LocalPort, a.RemoteAddress, a.RemotePort, a.State) ==
           std::tie(b.LocalAddress, b.LocalPort, b.RemoteAddress, b.RemotePort, b.State);
}
void PrintTo(const TTcpConnStatus& r, std::ostream* os) {
    *os << '[' << r.LocalAddress << "|" << r.LocalPort << "|" << r.RemoteAddress << "|"
        << r.RemotePort << "|" << r.State << ']';
}

namespace {

using net::MakeAddr;

TEST(IpAddrToTextTest, WritesFourRightAlignedFields) {
    struct Case {
        net::InAddr addr;
        const char* text;
    } cases[] = {
        {MakeAddr(127, 0, 0, 1), "127.  0.  0.  1"},
        {MakeAddr(0, 0, 0, 0), "  0.  0.  0.  0"},
        {MakeAddr(192, 168, 0, 1), "192.168.  0.  1"},
        {MakeAddr(10, 20, 30, 40), " 10. 20. 30. 40"},
        {MakeAddr(255, 255, 255, 255), "255.255.255.255"},
        {MakeAddr(1, 100, 99, 9), "  1.100. 99.  9"},
    };
    for (const auto& c : cases) {
        std::string text = IpAddrToText(c.addr);
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(text.size(), 15u);
    }
}

TEST(PortToTextTest, NamesWellKnownPortsAndPadsTheOthers) {
    struct Case {
        int port;
        const char* text;
    } cases[] = {
        {80, "HTTP"},    {20, "FTP "},  {21, "FTPC"},     {53, "DNS "},  {123, "NTP "},
        {0, "LOOPBACK"}, {161, "SNMP"}, {138, "NBDGRAM"}, {443, " 443"}, {8080, "8080"},
        {5, "   5"},     {22, "  22"},  {65535, "65535"}, {-1, "  -1"},  {100000, "100000"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PortToText(c.port), c.text) << c.port;
}

TEST(TrimPaddedIpTest, GivesThePlainDottedText) {
    struct Case {
        const char* text;
        const char* plain;
    } cases[] = {
        {"192.168.  0.  1", "192.168.0.1"},
        {"  0.  0.  0.  0", "0.0.0.0"},
        {"...", "......"},  // a listener's remote address
        {"", "..."},
        {"127.  0", "127.0.."},  // as far as the text reaches
        {" 10. 20. 30. 40 tail", "10.20.30.40"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TrimPaddedIp(c.text), c.plain) << '"' << c.text << '"';

    for (net::InAddr a : {MakeAddr(8, 8, 4, 4), MakeAddr(172, 16, 254, 3), MakeAddr(1, 2, 3, 4)})
        EXPECT_EQ(TrimPaddedIp(IpAddrToText(a)), net::inet_ntoa(a));
}

// A table the test scripts, installed in place of the system's.
struct FakeTable {
    std::vector<net::TcpRow> rows;
    std::vector<net::TcpRow> growBy;  // added before the first read with a buffer
    std::uint32_t sizeAnswer = 122;   // answer of the size query
    std::uint32_t readAnswer = 0;     // answer of a read that fits, 0: the table
    bool alwaysTooSmall = false;
    std::uint32_t claimedCount = 0;  // written as the row count when not 0
    int calls = 0;
    bool sortedAsked = true;
    net::TcpStates statesAsked = 0;

    static FakeTable* current;
    static std::uint32_t Get(void* table, std::uint32_t* size, bool sorted, net::TcpStates states) {
        FakeTable& f = *current;
        ++f.calls;
        f.sortedAsked = f.sortedAsked && sorted;
        f.statesAsked = states;
        if (!table) {
            *size = static_cast<std::uint32_t>(net::TcpTableSize(f.rows.size()));
            return f.sizeAnswer;
        }
        if (!f.growBy.empty()) {
            f.rows.insert(f.rows.end(), f.growBy.begin(), f.growBy.end());
            f.growBy.clear();
        }
        auto need = static_cast<std::uint32_t>(net::TcpTableSize(f.rows.size()));
        if (f.alwaysTooSmall || need > *size) {
            *size = f.alwaysTooSmall ? *size + 20 : need;
            return net::kTcpTableInsufficientBuffer;
        }
        if (f.readAnswer)
            return f.readAnswer;
        auto n = f.claimedCount ? f.claimedCount : static_cast<std::uint32_t>(f.rows.size());
        std::memcpy(table, &n, 4);
        std::memcpy(static_cast<char*>(table) + 4, f.rows.data(), f.rows.size() * 20);
        return net::kTcpTableOk;
    }
};
FakeTable* FakeTable::current = nullptr;

net::TcpRow Row(std::uint32_t state, net::InAddr la, std::uint16_t lp, net::InAddr ra,
                std::uint16_t rp) {
    return {state, la, net::TcpPortField(lp), ra, net::TcpPortField(rp)};
}

class ConnListFakeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        FakeTable::current = &fake;
        net::SetGetTcpTable(&FakeTable::Get);
    }
    void TearDown() override {
        net::SetGetTcpTable(nullptr);
        FakeTable::current = nullptr;
    }
    TTcpConnStatusList Read() {
        TTcpConnStatusList list(3);  // stale records are cleared
        GetTcpConnStatusList(&list);
        return list;
    }

    FakeTable fake;
};

const net::InAddr kLo = MakeAddr(127, 0, 0, 1);
const net::InAddr kPeer = MakeAddr(192, 168, 7, 20);

TEST_F(ConnListFakeTest, KeepsListeningAndEstablishedRowsInTableOrder) {
    for (std::uint32_t st = 1; st <= 12; ++st)
        fake.rows.push_back(Row(st, kLo, static_cast<std::uint16_t>(1000 + st), kPeer, 80));
    fake.rows.push_back(Row(net::kTcpStateListen, 0, 80, 0, 0));
    fake.rows.push_back(Row(net::kTcpStateEstablished, kLo, 443, kPeer, 20));
    // Junk in the upper half of a port field, and a remote port without an address.
    fake.rows.push_back(
        {net::kTcpStateListen, kLo, net::TcpPortField(53) | 0xFFFF0000u, 0, net::TcpPortField(9)});

    EXPECT_EQ(Read(), (TTcpConnStatusList{
                          {"127.  0.  0.  1", "1002", "192.168.  7. 20", "HTTP", "listening"},
                          {"127.  0.  0.  1", "1005", "192.168.  7. 20", "HTTP", "established"},
                          {"  0.  0.  0.  0", "HTTP", "...", "...", "listening"},
                          {"127.  0.  0.  1", " 443", "192.168.  7. 20", "FTP ", "established"},
                          {"127.  0.  0.  1", "DNS ", "...", "...", "listening"},
                      }));
    EXPECT_TRUE(fake.sortedAsked);
    const net::TcpStates want =
        net::TcpStateBit(net::kTcpStateListen) | net::TcpStateBit(net::kTcpStateEstablished);
    EXPECT_EQ(fake.statesAsked & want, want);
}

TEST_F(ConnListFakeTest, TableGrowingBetweenTheCallsIsStillRead) {
    fake.rows = {Row(net::kTcpStateListen, kLo, 8080, 0, 0)};
    for (std::uint16_t p = 0; p < 30; ++p)
        fake.growBy.push_back(Row(net::kTcpStateEstablished, kLo, 8080, kLo, 40000 + p));
    auto list = Read();
    EXPECT_EQ(list.size(), 31u);
    EXPECT_EQ(fake.calls, 3);
}

TEST_F(ConnListFakeTest, UnreadableTableLeavesTheListEmpty) {
    fake.rows = {Row(net::kTcpStateListen, kLo, 8080, 0, 0)};
    struct Case {
        const char* what;
        std::uint32_t sizeAnswer, readAnswer;
        bool alwaysTooSmall;
    } cases[] = {
        {"size query answers 0", 0, 0, false},
        {"size query fails", 50, 0, false},
        {"read fails", 122, 50, false},
        {"read never fits", 122, 0, true},
    };
    for (const auto& c : cases) {
        fake.sizeAnswer = c.sizeAnswer;
        fake.readAnswer = c.readAnswer;
        fake.alwaysTooSmall = c.alwaysTooSmall;
        fake.calls = 0;
        EXPECT_TRUE(Read().empty()) << c.what;
        EXPECT_LE(fake.calls, 8) << c.what;
    }
}

TEST_F(ConnListFakeTest, RowCountBeyondTheBufferIsNotBelieved) {
    fake.rows = {Row(net::kTcpStateListen, kLo, 8080, 0, 0),
                 Row(net::kTcpStateListen, kLo, 8081, 0, 0)};
    fake.claimedCount = 1000000;
    EXPECT_EQ(Read().size(), 2u);
}

TEST_F(ConnListFakeTest, AbsentListIsLeftAlone) {
    GetTcpConnStatusList(nullptr);
    EXPECT_EQ(fake.calls, 0);
}

// The real table of a fresh network namespace, read from a thread inside it.
class ConnListNetnsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ORV_REQUIRE_ROOT();
        ns_ = std::make_unique<test::Netns>("orviph");
        ASSERT_TRUE(ns_->ok());
    }
    void InNs(const std::function<void()>& fn) { ASSERT_TRUE(test::RunInNetns(*ns_, fn)); }

    std::unique_ptr<test::Netns> ns_;
};

TEST_F(ConnListNetnsTest, EmptyNamespaceGivesAnEmptyList) {
    InNs([] {
        TTcpConnStatusList list(2);
        GetTcpConnStatusList(&list);
        EXPECT_TRUE(list.empty());
    });
}

TEST_F(ConnListNetnsTest, ListenerAndConnectionOnLoopback) {
    InNs([] {
        test::Sock l = test::Listen();
        ASSERT_TRUE(l.ok());
        const std::uint16_t lp = l.Port();
        test::Conn c = test::Connect(l, lp);
        ASSERT_TRUE(c.ok());
        const std::uint16_t cp = c.client.Port();

        const std::string lo = "127.  0.  0.  1";
        TTcpConnStatus listener{lo, PortToText(lp), "...", "...", "listening"};
        TTcpConnStatus server{lo, PortToText(lp), lo, PortToText(cp), "established"};
        TTcpConnStatus client{lo, PortToText(cp), lo, PortToText(lp), "established"};
        // Sorted by local port, then remote: the listener (no remote) before its connection.
        TTcpConnStatusList want = lp < cp ? TTcpConnStatusList{listener, server, client}
                                          : TTcpConnStatusList{client, listener, server};
        TTcpConnStatusList list;
        GetTcpConnStatusList(&list);
        EXPECT_EQ(list, want);
    });
}

TEST_F(ConnListNetnsTest, ListenerOnAllAddresses) {
    InNs([] {
        test::Sock l = test::Listen(INADDR_ANY, 80);
        ASSERT_TRUE(l.ok());
        TTcpConnStatusList list;
        GetTcpConnStatusList(&list);
        EXPECT_EQ(list,
                  (TTcpConnStatusList{{"  0.  0.  0.  0", "HTTP", "...", "...", "listening"}}));
    });
}

TEST_F(ConnListNetnsTest, ClosingConnectionsGiveNoRecord) {
    InNs([] {
        auto table = [] {
            std::uint32_t size = 0;
            net::GetTcpTable(nullptr, &size, true);
            std::vector<unsigned char> buf(size);
            std::vector<std::uint32_t> states;
            if (net::GetTcpTable(buf.data(), &size, true) == net::kTcpTableOk)
                for (std::uint32_t i = 0; i < net::TcpTableCount(buf.data()); ++i)
                    states.push_back(net::TcpTableRow(buf.data(), i).state);
            std::sort(states.begin(), states.end());
            return states;
        };
        std::vector<test::Conn> conns;
        {
            test::Sock l = test::Listen();
            const std::uint16_t lp = l.Port();
            conns.push_back(test::Connect(l, lp));
            conns.push_back(test::Connect(l, lp));
            ASSERT_TRUE(conns[0].ok() && conns[1].ok());
        }
        // One closed from the client side first (time-wait), one half closed (fin-wait-2 and
        // close-wait), the listener gone.
        conns[0].client.Close();
        ::shutdown(conns[1].client.fd(), SHUT_WR);
        ASSERT_TRUE(test::WaitFor([&] {
            auto states = table();
            return std::count(states.begin(), states.end(), net::kTcpStateCloseWait) == 2;
        }));
        conns[0].server.Close();
        const std::vector<std::uint32_t> closing = {net::kTcpStateFinWait2, net::kTcpStateCloseWait,
                                                    net::kTcpStateTimeWait};
        ASSERT_TRUE(test::WaitFor([&] { return table() == closing; }));

        TTcpConnStatusList list(1);
        GetTcpConnStatusList(&list);
        EXPECT_TRUE(list.empty()) << ::testing::PrintToString(list);
    });
}

}  // namespace
}  // namespace orv
