#include "lookup/echo_outcome.h"

#include <functional>

namespace orv {

EchoOutcome ClassifyEcho(std::uint32_t answers, const PingReplyBuffer& buffer) {
    const icmp::IcmpEchoReply& r = buffer.reply;
    EchoOutcome out;
    out.bytes = r.dataSize;
    out.timeMs = r.roundTripTime;
    if (answers == 0) {
        // Nothing answered: a zeroed record that nobody wrote reads as a time-out too. With no
        // answer there is no round trip; the time the layer waited is not one.
        out.kind = EchoOutcome::Kind::Failed;
        out.timeMs = 0;
        out.reason = r.status == icmp::IpStatus::TimedOut || r.status == icmp::IpStatus::Success
                         ? "Timed out"
                         : std::string(icmp::IcmpStatusText(r.status));
        return out;
    }
    if (r.status != icmp::IpStatus::Success) {
        // An ICMP error about our echo (unreachable, TTL exceeded, ...) is a failed echo.
        out.kind = EchoOutcome::Kind::Failed;
        out.reason = std::string(icmp::IcmpStatusText(r.status));
        if (out.reason.empty())
            out.reason = "Failed";
        return out;
    }
    // Only returned data inside our own buffer is looked at.
    const std::uint8_t* begin = buffer.data;
    const std::uint8_t* end = buffer.data + kPingReplyRoom;
    std::less_equal<const std::uint8_t*> le;
    std::less<const std::uint8_t*> lt;
    const bool inside = r.data && le(begin, r.data) && lt(r.data, end);
    if (r.dataSize > 0 && inside && r.data[0] == static_cast<std::uint8_t>(kPingPayload[0]))
        out.kind = EchoOutcome::Kind::Answered;
    return out;
}

}  // namespace orv
