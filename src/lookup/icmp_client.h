// The ICMP echo client the Tracert traces with: one echo at a time with a settable time-to-live,
// and what its answer means. It blocks while an echo waits: callers run it on a worker thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "platform/icmp.h"
#include "platform/resolver.h"

namespace orv {

// What kind of answer the last echo got.
enum TReplyStatusTypes {
    rsEcho = 0,              // echo reply
    rsError = 1,             // some other answer about our echo
    rsTimeOut = 2,           // nothing in time
    rsErrorUnreachable = 3,  // destination unreachable
    rsErrorTTLExceeded = 4,  // time-to-live expired in transit
};

struct TReplyStatus {
    int ReplyKind = rsTimeOut;
    std::string ReplyFrom = "0.0.0.0";  // who answered, dotted; "0.0.0.0" when nobody did
    int RoundTripMs = 0;
    int ReplyTTL = 0;  // time-to-live byte of the answer's IP header
};

// A failed echo: a socket failure, or an answer that is no echo reply nor a known error.
class EIdIcmpError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

inline constexpr const char* kNonEchoResponse = "Non-echo type response received";

// "Socket Error # %d\r\n%s": an error number and its text.
std::string SocketErrorText(int error, const std::string& text);
// The same for a system error number (errno), with the system's text for it.
std::string SocketErrorText(int error);

// Error numbers of failed name lookups: a name the resolver does not know (HOST_NOT_FOUND), and
// no name server answered (TRY_AGAIN).
inline constexpr int kHostNotFound = 1;
inline constexpr int kTryAgain = 2;

// The socket error text of a failed name lookup: "Socket Error # 1\r\nUnknown host", or
// "Socket Error # 2\r\nTemporary failure in name resolution".
std::string LookupErrorSocketText(net::LookupError error);

class TIdIcmpClient {
  public:
    TIdIcmpClient();

    std::string Host;           // where the next echo goes: a dotted address (or a name)
    int PacketTTL = 128;        // time-to-live of the next echoes; sent within 1..255
    int ReceiveTimeout = 5000;  // ms one echo waits for its answer
    TReplyStatus ReplyStatus;   // the answer to the last echo

    // Sends one echo request to Host with PacketTTL and waits up to ReceiveTimeout for the
    // answer to it; only that answer counts, anything else is skipped while time remains.
    // Throws EIdIcmpError on a socket failure or an answer of another kind.
    void SendEcho();

    // The socket kind that carries the echoes; found at the first echo unless set. False when
    // that kind cannot be opened here.
    bool SetSocketKind(icmp::SocketKind kind);
    icmp::SocketKind SocketKind() const;
    // Replaces the ICMP layer (tests); an empty function goes back to it.
    void SetEchoFunction(icmp::EchoFn fn) { echo_ = std::move(fn); }

    // What the layer's answer count and reply record mean; throws as SendEcho does.
    static TReplyStatus Interpret(std::uint32_t answers, const icmp::IcmpEchoReply& reply);

  private:
    icmp::EchoFn LayerEcho();

    std::shared_ptr<icmp::IcmpHandleData> handle_;
    icmp::EchoFn echo_;
};

}  // namespace orv
