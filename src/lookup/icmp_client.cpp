#include "lookup/icmp_client.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <system_error>

namespace orv {

namespace {

// The data every echo carries.
constexpr char kPayload[] = "Orvelan traceroute echo payload";
constexpr std::size_t kPayloadSize = sizeof kPayload - 1;
constexpr std::size_t kReplyRoom = 64;

// One echo in flight.
struct EchoJob {
    icmp::EchoFn echo;
    net::InAddr destination = 0;
    icmp::IpOptions options;
    std::uint32_t timeoutMs = 0;
    icmp::EchoReplyBuffer<kReplyRoom> buffer{};
    std::uint32_t answers = 0;
};

// The system error number behind a local failure; the layer reports only its status.
int LocalErrno(icmp::IpStatus status) {
    using icmp::IpStatus;
    switch (status) {
        case IpStatus::DestNetUnreachable:
            return ENETUNREACH;
        case IpStatus::DestHostUnreachable:
            return EHOSTUNREACH;
        case IpStatus::PacketTooBig:
            return EMSGSIZE;
        case IpStatus::DestProhibited:
            return EPERM;
        case IpStatus::BadDestination:
            return EACCES;
        case IpStatus::NoResources:
            return ENOBUFS;
        default:
            return EIO;
    }
}

}  // namespace

std::string SocketErrorText(int error, const std::string& text) {
    return "Socket Error # " + std::to_string(error) + "\r\n" + text;
}

std::string SocketErrorText(int error) {
    return SocketErrorText(error, std::generic_category().message(error));
}

std::string LookupErrorSocketText(net::LookupError error) {
    if (error != net::LookupError::TryAgain)
        error = net::LookupError::NotFound;
    return SocketErrorText(error == net::LookupError::TryAgain ? kTryAgain : kHostNotFound,
                           net::LookupErrorText(error));
}

TIdIcmpClient::TIdIcmpClient() = default;

bool TIdIcmpClient::SetSocketKind(icmp::SocketKind kind) {
    icmp::IcmpHandle h = icmp::IcmpCreateFileOfKind(kind);
    if (h == icmp::kInvalidHandle)
        return false;
    handle_.reset(h, [](icmp::IcmpHandle p) { icmp::IcmpCloseHandle(p); });
    return true;
}

icmp::SocketKind TIdIcmpClient::SocketKind() const {
    return icmp::KindOf(handle_.get());
}

icmp::EchoFn TIdIcmpClient::LayerEcho() {
    if (!handle_) {
        icmp::IcmpHandle h = icmp::IcmpCreateFile();
        if (h == icmp::kInvalidHandle)
            throw EIdIcmpError(SocketErrorText(EACCES) + "\r\n\r\n" +
                               icmp::IcmpUnavailableReason());
        handle_.reset(h, [](icmp::IcmpHandle p) { icmp::IcmpCloseHandle(p); });
    }
    // The function holds the handle: it stays valid however long the function is kept.
    std::shared_ptr<icmp::IcmpHandleData> handle = handle_;
    return [handle](net::InAddr destination, const void* data, std::size_t size,
                    const icmp::IpOptions* options, void* reply, std::size_t replySize,
                    std::uint32_t timeoutMs) {
        return icmp::IcmpSendEcho(handle.get(), destination, data, size, options, reply, replySize,
                                  timeoutMs);
    };
}

TReplyStatus TIdIcmpClient::Interpret(std::uint32_t answers, const icmp::IcmpEchoReply& reply) {
    using icmp::IpStatus;
    TReplyStatus r;
    if (answers == 0) {
        if (reply.status != IpStatus::TimedOut)
            throw EIdIcmpError(SocketErrorText(LocalErrno(reply.status)));
        r.ReplyKind = rsTimeOut;
        r.RoundTripMs = static_cast<int>(std::min<std::uint32_t>(reply.roundTripTime, INT32_MAX));
        return r;
    }
    switch (reply.status) {
        case IpStatus::Success:
            r.ReplyKind = rsEcho;
            break;
        case IpStatus::TtlExpiredTransit:
        case IpStatus::TtlExpiredReassembly:
            r.ReplyKind = rsErrorTTLExceeded;
            break;
        case IpStatus::DestNetUnreachable:
        case IpStatus::DestHostUnreachable:
        case IpStatus::DestProtocolUnreachable:
        case IpStatus::DestPortUnreachable:
        case IpStatus::DestProhibited:
        case IpStatus::PacketTooBig:
        case IpStatus::BadRoute:
            r.ReplyKind = rsErrorUnreachable;
            break;
        case IpStatus::ParameterProblem:
            // An ICMP answer about our echo that is neither of the above kinds.
            throw EIdIcmpError(kNonEchoResponse);
        default:
            r.ReplyKind = rsError;
            break;
    }
    r.ReplyFrom = net::inet_ntoa(reply.address);
    r.RoundTripMs = static_cast<int>(std::min<std::uint32_t>(reply.roundTripTime, INT32_MAX));
    r.ReplyTTL = reply.options.ttl;
    return r;
}

void TIdIcmpClient::SendEcho() {
    net::InAddr destination = net::inet_addr(Host);
    if (destination == net::kAddrNone && Host != "255.255.255.255") {
        net::NameLookup lookup = net::LookupName(Host);
        if (!lookup.host || lookup.host->addresses.empty())
            throw EIdIcmpError(
                LookupErrorSocketText(lookup.host ? net::LookupError::NotFound : lookup.error));
        destination = lookup.host->addresses.front();
    }

    EchoJob job;
    job.echo = echo_ ? echo_ : LayerEcho();
    job.destination = destination;
    // A time-to-live above 255 cannot be sent; 255 is the furthest an echo can go.
    job.options.ttl = std::clamp(PacketTTL, 1, 255);
    job.timeoutMs = static_cast<std::uint32_t>(std::max(ReceiveTimeout, 0));
    job.answers = job.echo(job.destination, kPayload, kPayloadSize, &job.options, &job.buffer,
                           sizeof job.buffer, job.timeoutMs);
    ReplyStatus = Interpret(job.answers, job.buffer.reply);
}

}  // namespace orv
