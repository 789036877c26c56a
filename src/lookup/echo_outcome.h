// The echo Batch Ping sends, and what one answer to it makes of a result row.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/icmp.h"

namespace orv {

// The data every echo carries: 34 characters, no terminating zero.
inline constexpr char kPingPayload[] = "-------Hello,World!---------------";
inline constexpr std::size_t kPingPayloadSize = sizeof kPingPayload - 1;
// Room for returned data after the reply record.
inline constexpr std::size_t kPingReplyRoom = 40;
using PingReplyBuffer = icmp::EchoReplyBuffer<kPingReplyRoom>;

// What one echo left in the reply buffer, as a result row.
struct EchoOutcome {
    // Answered: our own data came back. Failed: no answer, or an ICMP error about the echo.
    // Other: some other data came back; the row stays empty and counts nothing.
    enum class Kind { Answered, Failed, Other };
    Kind kind = Kind::Other;
    std::uint32_t bytes = 0;   // data size of the reply record
    std::uint32_t timeMs = 0;  // round trip; 0 when nothing answered
    std::string reason;        // why it failed
};

// `answers` is what the sender returned for `buffer`.
EchoOutcome ClassifyEcho(std::uint32_t answers, const PingReplyBuffer& buffer);

}  // namespace orv
