// What one echo's reply record makes of a Batch Ping row, for records a real layer rarely
// leaves: nothing written, data pointers at and beyond the buffer's edges.
#include "lookup/echo_outcome.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

using Kind = EchoOutcome::Kind;
using icmp::IpStatus;

enum class Where { Start, LastByte, PastEnd, Null };

struct Case {
    const char* what;
    std::uint32_t answers;
    IpStatus status;
    std::uint32_t rtt;
    std::uint32_t dataSize;
    Where where;
    char firstByte;
    Kind kind;
    std::uint32_t timeMs;
    const char* reason;
};

const Case kCases[] = {
    {"zeroed record nobody wrote", 0, IpStatus::Success, 0, 0, Where::Null, 0, Kind::Failed, 0,
     "Timed out"},
    {"time-out: the wait is no round trip", 0, IpStatus::TimedOut, 2500, 0, Where::Null, 0,
     Kind::Failed, 0, "Timed out"},
    {"local failure", 0, IpStatus::NoResources, 0, 0, Where::Null, 0, Kind::Failed, 0,
     "No resources"},
    {"ICMP error keeps its time", 1, IpStatus::DestHostUnreachable, 4, 0, Where::Null, 0,
     Kind::Failed, 4, "Destination host unreachable"},
    {"our data", 1, IpStatus::Success, 7, 34, Where::Start, '-', Kind::Answered, 7, ""},
    {"our data in the last byte of the room", 1, IpStatus::Success, 7, 1, Where::LastByte, '-',
     Kind::Answered, 7, ""},
    {"data past the room", 1, IpStatus::Success, 7, 1, Where::PastEnd, '-', Kind::Other, 7, ""},
    {"no data pointer", 1, IpStatus::Success, 7, 34, Where::Null, 0, Kind::Other, 7, ""},
    {"no data", 1, IpStatus::Success, 7, 0, Where::Start, '-', Kind::Other, 7, ""},
    {"other data", 1, IpStatus::Success, 7, 3, Where::Start, 'a', Kind::Other, 7, ""},
};

TEST(EchoOutcome, Cases) {
    for (const Case& c : kCases) {
        PingReplyBuffer buffer{};
        icmp::IcmpEchoReply& r = buffer.reply;
        r.status = c.status;
        r.roundTripTime = c.rtt;
        r.dataSize = c.dataSize;
        std::uint8_t* at = nullptr;
        switch (c.where) {
            case Where::Start:
                at = buffer.data;
                break;
            case Where::LastByte:
                at = buffer.data + kPingReplyRoom - 1;
                break;
            case Where::PastEnd:
                at = buffer.data + kPingReplyRoom;  // never read
                break;
            case Where::Null:
                break;
        }
        if (at && c.where != Where::PastEnd)
            *at = static_cast<std::uint8_t>(c.firstByte);
        r.data = at;

        EchoOutcome out = ClassifyEcho(c.answers, buffer);
        EXPECT_EQ(out.kind, c.kind) << c.what;
        EXPECT_EQ(out.bytes, c.dataSize) << c.what;
        EXPECT_EQ(out.timeMs, c.timeMs) << c.what;
        EXPECT_EQ(out.reason, c.reason) << c.what;
    }
}

}  // namespace
}  // namespace orv
