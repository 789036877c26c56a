// ICMP echo in the shape the tools were written against: one handle, echoes sent through it.
//
// The handle only records which socket kind works on this machine, so one handle may be shared
// by any number of threads. Each thread sends through sockets of its own, kept until it ends
// (opened again when it has moved to another network namespace): a raw socket filtered in the
// kernel to that thread's answers, a datagram socket with the kernel's identifier.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/resolver.h"

namespace orv::icmp {

// Which kind of socket carries the echoes: unprivileged ICMP datagram sockets
// (net.ipv4.ping_group_range) or raw sockets (CAP_NET_RAW).
enum class SocketKind { None, Datagram, Raw };

struct IcmpHandleData;
using IcmpHandle = IcmpHandleData*;
inline constexpr IcmpHandle kInvalidHandle = nullptr;

// Outcome of one echo, as written into the reply record.
enum class IpStatus : std::uint32_t {
    Success,                  // our echo came back with our data
    TimedOut,                 // nothing that belongs to our echo arrived in time
    TtlExpiredTransit,        // a router dropped it: time to live exceeded (ICMP 11/0)
    TtlExpiredReassembly,     // fragments did not all arrive (ICMP 11/1)
    DestNetUnreachable,       // ICMP 3/0, 3/6, 3/11; also no local route
    DestHostUnreachable,      // ICMP 3/1, 3/7, 3/8, 3/12; also no neighbour
    DestProtocolUnreachable,  // ICMP 3/2
    DestPortUnreachable,      // ICMP 3/3
    DestProhibited,           // ICMP 3/9, 3/10, 3/13, 3/14, 3/15: filtered on the way
    PacketTooBig,             // ICMP 3/4, or too big to send with "don't fragment"
    BadRoute,                 // ICMP 3/5: source route failed
    ParameterProblem,         // ICMP 12
    BadDestination,           // the destination cannot be sent to (broadcast, ...)
    NoResources,              // out of sockets or memory here
    GeneralFailure,           // bad arguments, invalid handle, any other local error
};

// Short text for a status ("Timed out", "TTL expired in transit", ...).
std::string_view IcmpStatusText(IpStatus status);

// Request flag: set "don't fragment" (otherwise the echo may be fragmented on the way).
inline constexpr unsigned kFlagDontFragment = 0x02;

// IP options of a request, and of the answer in a reply record.
struct IpOptions {
    int ttl = 64;        // a request's value is clamped to 1..255
    int tos = 0;         // type of service byte (low 8 bits are used)
    unsigned flags = 0;  // kFlagDontFragment; always 0 in a reply
};

// The reply record IcmpSendEcho writes at the start of the caller's buffer; the returned data
// follows it directly (at offset kReplySize).
struct IcmpEchoReply {
    net::InAddr address = 0;  // who answered, network order; 0 when nobody did
    IpStatus status = IpStatus::GeneralFailure;
    std::uint32_t roundTripTime = 0;     // ms from sending; for TimedOut the time waited
    std::uint32_t dataSize = 0;          // bytes of data at `data`; 0 unless Success
    const std::uint8_t* data = nullptr;  // into the caller's buffer, right after this record
    IpOptions options;                   // ttl and tos of the answer's IP header
};

inline constexpr std::size_t kReplySize = sizeof(IcmpEchoReply);
// Largest request data accepted (an IPv4 datagram holds at most 65507 bytes of ICMP data).
inline constexpr std::size_t kMaxRequestSize = 65500;

// Buffer size that holds the record and the whole returned data of a `requestSize` echo.
constexpr std::size_t ReplyBufferSize(std::size_t requestSize) {
    return kReplySize + requestSize;
}

// A ready-made reply buffer: the record followed by `DataRoom` bytes for the returned data.
template <std::size_t DataRoom>
struct EchoReplyBuffer {
    IcmpEchoReply reply;
    std::uint8_t data[DataRoom];
};
static_assert(offsetof(EchoReplyBuffer<1>, data) == kReplySize);

// Finds which socket kind works here (datagram first, raw as fallback); kInvalidHandle when
// neither can be opened (IcmpUnavailableReason() explains how to allow one).
IcmpHandle IcmpCreateFile();
// A handle of the given kind; kInvalidHandle when that kind cannot be opened here.
// For tests and diagnosis: the program uses IcmpCreateFile.
IcmpHandle IcmpCreateFileOfKind(SocketKind kind);
bool IcmpCloseHandle(IcmpHandle h);
SocketKind KindOf(IcmpHandle h);

// What to change so that ICMP echo works, for the message shown when IcmpCreateFile failed.
std::string IcmpUnavailableReason();

// Sends one echo request carrying `requestData` to `destination` (network order) and waits up
// to `timeoutMs` (on a monotonic clock) for its answer. Only the answer to this very request is
// taken: its echo reply, or an ICMP error about it (then with the error's status, the sender's
// address and no data); everything else is skipped while time remains.
//
// Returns the number of answers in the buffer: 1 for an echo reply or an ICMP error, 0 for a
// time-out or a local failure. Whenever `replySize` >= kReplySize a fresh record is written
// (status TimedOut, roundTripTime = time waited, dataSize 0 for a time-out); the returned
// data is cut to the room left after the record (dataSize tells what was copied), the rest of
// that room is zeroed, and nothing is ever written past `replySize`. The buffer needs no
// particular alignment (read the record with memcpy then, or use EchoReplyBuffer).
// `requestOptions` may be null (defaults of IpOptions). Thread-safe.
std::uint32_t IcmpSendEcho(IcmpHandle h, net::InAddr destination, const void* requestData,
                           std::size_t requestSize, const IpOptions* requestOptions,
                           void* replyBuffer, std::size_t replySize, std::uint32_t timeoutMs);

// One echo as IcmpSendEcho sends it, without the handle: the seam the tools send through, so a
// run can be given a scripted one. Called on the thread that waits for the answer.
using EchoFn =
    std::function<std::uint32_t(net::InAddr destination, const void* requestData,
                                std::size_t requestSize, const IpOptions* requestOptions,
                                void* replyBuffer, std::size_t replySize, std::uint32_t timeoutMs)>;

}  // namespace orv::icmp
