// The echo client the Tracert traces with: the time-to-live it sends, names that do not
// resolve, and what the layer's answers mean.
#include "lookup/icmp_client.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <utility>

#include "fake_resolver.h"
#include "platform/icmp.h"
#include "platform/resolver.h"

namespace orv {
namespace {

using icmp::IpStatus;
using net::InAddr;
using net::inet_addr;

// The layer itself: a 256 would be refused by the socket.
TEST(IcmpClient, TtlIsSentWithin1To255) {
    for (auto [set, sent] : {std::pair{0, 1}, {1, 1}, {255, 255}, {256, 255}, {1000, 255}}) {
        TIdIcmpClient client;
        std::optional<int> seen;
        client.SetEchoFunction([&](InAddr, const void*, std::size_t, const icmp::IpOptions* o,
                                   void* reply, std::size_t, std::uint32_t) -> std::uint32_t {
            seen = o->ttl;
            icmp::IcmpEchoReply rec;
            rec.status = IpStatus::TimedOut;
            std::memcpy(reply, &rec, sizeof rec);
            return 0;
        });
        client.Host = "198.18.40.10";
        client.PacketTTL = set;
        client.SendEcho();
        EXPECT_EQ(seen, sent) << set;
        EXPECT_EQ(client.ReplyStatus.ReplyKind, rsTimeOut);
        EXPECT_EQ(client.ReplyStatus.ReplyFrom, "0.0.0.0");
    }
}

// A host name the client cannot resolve: the socket error says whether it does not exist or
// no name server answered; no echo goes out.
TEST(IcmpClient, NameThatDoesNotResolveIsASocketError) {
    test::FakeResolver resolver;
    resolver.unanswered = {"unanswered.test"};
    for (auto [host, error] :
         {std::pair{"nosuch.test", "Socket Error # 1\r\nUnknown host"},
          {"unanswered.test", "Socket Error # 2\r\nTemporary failure in name resolution"}}) {
        TIdIcmpClient client;
        int echoes = 0;
        client.SetEchoFunction([&](InAddr, const void*, std::size_t, const icmp::IpOptions*, void*,
                                   std::size_t, std::uint32_t) -> std::uint32_t {
            ++echoes;
            return 0;
        });
        client.Host = host;
        try {
            client.SendEcho();
            ADD_FAILURE() << "no error for " << host;
        } catch (const EIdIcmpError& e) {
            EXPECT_EQ(e.what(), std::string(error));
        }
        EXPECT_EQ(echoes, 0);
    }
}

// What the layer's answer means to the page; local failures and other answers are errors.
TEST(IcmpClient, InterpretsTheLayersAnswer) {
    struct Case {
        std::uint32_t answers;
        IpStatus status;
        std::optional<int> kind;  // nullopt: an error with `error` as its message
        std::string error;
    } cases[] = {
        {1, IpStatus::Success, rsEcho, ""},
        {0, IpStatus::TimedOut, rsTimeOut, ""},
        {1, IpStatus::TtlExpiredTransit, rsErrorTTLExceeded, ""},
        {1, IpStatus::TtlExpiredReassembly, rsErrorTTLExceeded, ""},
        {1, IpStatus::DestNetUnreachable, rsErrorUnreachable, ""},
        {1, IpStatus::DestHostUnreachable, rsErrorUnreachable, ""},
        {1, IpStatus::DestPortUnreachable, rsErrorUnreachable, ""},
        {1, IpStatus::DestProhibited, rsErrorUnreachable, ""},
        {1, IpStatus::PacketTooBig, rsErrorUnreachable, ""},
        {1, IpStatus::ParameterProblem, std::nullopt, "Non-echo type response received"},
        {0, IpStatus::DestNetUnreachable, std::nullopt,
         "Socket Error # 101\r\nNetwork is unreachable"},
        {0, IpStatus::DestHostUnreachable, std::nullopt, "Socket Error # 113\r\nNo route to host"},
        {0, IpStatus::NoResources, std::nullopt, "Socket Error # 105\r\nNo buffer space available"},
    };
    for (const Case& c : cases) {
        icmp::IcmpEchoReply rec;
        rec.status = c.status;
        rec.address = c.answers ? inet_addr("198.18.40.3") : 0;
        rec.roundTripTime = 7;
        rec.options.ttl = 61;
        SCOPED_TRACE(std::string(icmp::IcmpStatusText(c.status)) + " x" +
                     std::to_string(c.answers));
        if (!c.kind) {
            try {
                TIdIcmpClient::Interpret(c.answers, rec);
                ADD_FAILURE() << "no error";
            } catch (const EIdIcmpError& e) {
                EXPECT_EQ(e.what(), c.error);
            }
            continue;
        }
        TReplyStatus r = TIdIcmpClient::Interpret(c.answers, rec);
        EXPECT_EQ(r.ReplyKind, *c.kind);
        if (c.answers) {
            EXPECT_EQ(r.ReplyFrom, "198.18.40.3");
            EXPECT_EQ(r.ReplyTTL, 61);
            EXPECT_EQ(r.RoundTripMs, 7);
        } else {
            EXPECT_EQ(r.ReplyFrom, "0.0.0.0");
        }
    }
}

}  // namespace
}  // namespace orv
