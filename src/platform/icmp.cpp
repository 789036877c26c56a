#include "platform/icmp.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <linux/errqueue.h>
#include <linux/filter.h>
#include <linux/icmp.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <vector>

#include "platform/unique_fd.h"

namespace orv::icmp {

struct IcmpHandleData {
    SocketKind kind;
};

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint8_t kTypeEchoReply = 0;
constexpr std::uint8_t kTypeUnreachable = 3;
constexpr std::uint8_t kTypeEchoRequest = 8;
constexpr std::uint8_t kTypeTimeExceeded = 11;
constexpr std::uint8_t kTypeParameterProblem = 12;
constexpr std::size_t kIcmpHeader = 8;
constexpr std::size_t kMinIpHeader = 20;
// Room beyond the request size when receiving: IP headers, a quoted original and ICMP
// extensions all fit, so no answer that could be ours is ever cut short.
constexpr std::size_t kReceiveSlack = 1024;

int OpenSocket(SocketKind kind) {
    if (kind == SocketKind::None) {
        errno = EINVAL;
        return -1;
    }
    int type = kind == SocketKind::Raw ? SOCK_RAW : SOCK_DGRAM;
    return ::socket(AF_INET, type | SOCK_CLOEXEC, IPPROTO_ICMP);
}

bool CanOpen(SocketKind kind) {
    return static_cast<bool>(UniqueFd(OpenSocket(kind)));
}

std::uint16_t Get16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] << 8 | p[1]);
}

void Put16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 8);
    p[1] = static_cast<std::uint8_t>(v);
}

// The Internet checksum; over a message that carries its checksum the result is 0.
std::uint16_t Checksum(const std::uint8_t* p, std::size_t n) {
    std::uint32_t sum = 0;
    for (; n > 1; p += 2, n -= 2)
        sum += static_cast<std::uint32_t>(p[0] << 8 | p[1]);
    if (n)
        sum += static_cast<std::uint32_t>(p[0] << 8);
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum);
}

// What an ICMP error says about our echo; nullopt for messages that are no answer to it
// (redirects, source quench, ...).
std::optional<IpStatus> ErrorStatus(std::uint8_t type, std::uint8_t code) {
    switch (type) {
        case kTypeUnreachable:
            switch (code) {
                case 0:
                case 6:
                case 11:
                    return IpStatus::DestNetUnreachable;
                case 2:
                    return IpStatus::DestProtocolUnreachable;
                case 3:
                    return IpStatus::DestPortUnreachable;
                case 4:
                    return IpStatus::PacketTooBig;
                case 5:
                    return IpStatus::BadRoute;
                case 9:
                case 10:
                case 13:
                case 14:
                case 15:
                    return IpStatus::DestProhibited;
                default:
                    return IpStatus::DestHostUnreachable;
            }
        case kTypeTimeExceeded:
            return code == 1 ? IpStatus::TtlExpiredReassembly : IpStatus::TtlExpiredTransit;
        case kTypeParameterProblem:
            return IpStatus::ParameterProblem;
        default:
            return std::nullopt;
    }
}

// A failure on this machine (errno of a socket call, or of a local error report).
IpStatus LocalStatus(int err) {
    switch (err) {
        case ENETUNREACH:
        case ENETDOWN:
            return IpStatus::DestNetUnreachable;
        case EHOSTUNREACH:
        case EHOSTDOWN:
            return IpStatus::DestHostUnreachable;
        case EMSGSIZE:
            return IpStatus::PacketTooBig;
        case EPERM:  // a local firewall refused it
            return IpStatus::DestProhibited;
        case EACCES:
        case EADDRNOTAVAIL:
        case EDESTADDRREQ:
            return IpStatus::BadDestination;
        case ENOBUFS:
        case ENOMEM:
        case EMFILE:
        case ENFILE:
            return IpStatus::NoResources;
        default:
            return IpStatus::GeneralFailure;
    }
}

struct Request {
    net::InAddr destination;
    std::uint16_t id;
    std::uint16_t seq;
    const std::uint8_t* data;
    std::size_t size;
};

struct Answer {
    IpStatus status = IpStatus::GeneralFailure;
    net::InAddr from = 0;
    int ttl = 0;
    int tos = 0;
    bool local = false;  // a local failure reported late, not an answer from the network
};

// Sequence number of the next request. The random start keeps two processes with raw
// sockets from reading each other's answers as their own.
std::uint16_t NextSeq() {
    static const std::uint32_t base = std::random_device{}();
    static std::atomic<std::uint32_t> counter{0};
    return static_cast<std::uint16_t>(base + counter.fetch_add(1, std::memory_order_relaxed));
}

// Identifier of a thread's raw socket: each thread of the process has its own.
std::uint16_t NextRawId() {
    static const std::uint32_t base = std::random_device{}();
    static std::atomic<std::uint32_t> counter{0};
    return static_cast<std::uint16_t>(base + counter.fetch_add(1, std::memory_order_relaxed));
}

bool SetOptions(int fd, const IpOptions& o) {
    int ttl = std::clamp(o.ttl, 1, 255);
    int tos = o.tos & 0xFF;
    int pmtu = (o.flags & kFlagDontFragment) ? IP_PMTUDISC_DO : IP_PMTUDISC_DONT;
    return ::setsockopt(fd, IPPROTO_IP, IP_TTL, &ttl, sizeof ttl) == 0 &&
           ::setsockopt(fd, IPPROTO_IP, IP_TOS, &tos, sizeof tos) == 0 &&
           ::setsockopt(fd, IPPROTO_IP, IP_MTU_DISCOVER, &pmtu, sizeof pmtu) == 0;
}

// A datagram socket's own identifier (the kernel's "port"): errors about our echo come on the
// error queue, the answer's TTL and TOS as control messages.
bool SetUpDatagram(int fd, std::uint16_t& id) {
    int on = 1;
    if (::setsockopt(fd, IPPROTO_IP, IP_RECVERR, &on, sizeof on) < 0 ||
        ::setsockopt(fd, IPPROTO_IP, IP_RECVTTL, &on, sizeof on) < 0 ||
        ::setsockopt(fd, IPPROTO_IP, IP_RECVTOS, &on, sizeof on) < 0)
        return false;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    socklen_t len = sizeof local;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) < 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &len) < 0)
        return false;
    id = ntohs(local.sin_port);
    return true;
}

// A raw socket gets a copy of every ICMP message of the host. Let only replies with our
// identifier and errors about a request with it through: under many echoes at once (other
// threads, other programs) the rest would fill the receive queue and push our answer out.
bool SetRawFilters(int fd, std::uint16_t id) {
    icmp_filter types{};
    types.data = ~(1u << kTypeEchoReply | 1u << kTypeUnreachable | 1u << kTypeTimeExceeded |
                   1u << kTypeParameterProblem);
    // Replies carry the identifier at offset 4 of the ICMP header; errors at offset 4 of the
    // quoted ICMP header, behind their own 8 bytes and the quoted IP header.
    sock_filter code[] = {
        BPF_STMT(BPF_LDX | BPF_B | BPF_MSH, 0),  // X = IP header length
        BPF_STMT(BPF_LD | BPF_B | BPF_IND, 0),   // A = ICMP type
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, kTypeEchoReply, 0, 2),
        BPF_STMT(BPF_LD | BPF_H | BPF_IND, 4),
        BPF_JUMP(BPF_JMP | BPF_JA, 6, 0, 0),
        BPF_STMT(BPF_LD | BPF_B | BPF_IND, 8),  // quoted IP header length ...
        BPF_STMT(BPF_ALU | BPF_AND | BPF_K, 0x0F),
        BPF_STMT(BPF_ALU | BPF_LSH | BPF_K, 2),
        BPF_STMT(BPF_ALU | BPF_ADD | BPF_X, 0),
        BPF_STMT(BPF_MISC | BPF_TAX, 0),  // ... plus our own
        BPF_STMT(BPF_LD | BPF_H | BPF_IND, 12),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, id, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, 0xFFFFFFFF),
        BPF_STMT(BPF_RET | BPF_K, 0),  // not ours (or too short to tell)
    };
    sock_fprog prog{static_cast<unsigned short>(std::size(code)), code};
    return ::setsockopt(fd, SOL_RAW, ICMP_FILTER, &types, sizeof types) == 0 &&
           ::setsockopt(fd, SOL_SOCKET, SO_ATTACH_FILTER, &prog, sizeof prog) == 0;
}

// The network namespace the calling thread is in now, as a text that tells namespaces apart
// ("net:[4026531833]"); empty when it cannot be told. Read through the thread's own /proc
// folder, opened once: a look-up of one name, where a whole path would cost several times
// the echo itself on loopback.
class ThreadNetns {
  public:
    ThreadNetns() : dir_(::open("/proc/thread-self/ns", O_PATH | O_DIRECTORY | O_CLOEXEC)) {}
    // Whether the thread is still in the namespace `Now` last gave.
    bool Same(const std::string& known) {
        char text[64];
        ssize_t n = dir_ ? ::readlinkat(dir_.get(), "net", text, sizeof text) : -1;
        if (n <= 0)
            return known.empty();
        return known.size() == static_cast<std::size_t>(n) &&
               std::memcmp(known.data(), text, known.size()) == 0;
    }
    std::string Now() {
        char text[64];
        ssize_t n = dir_ ? ::readlinkat(dir_.get(), "net", text, sizeof text) : -1;
        return n > 0 ? std::string(text, static_cast<std::size_t>(n)) : std::string();
    }

  private:
    UniqueFd dir_;
};

// The calling thread's socket of one kind, kept for the thread's life: opening one and setting
// it up costs far more than an echo on loopback. A raw socket is filtered in the kernel to the
// answers with its identifier; a datagram socket has the kernel's identifier. Opened again when
// the thread has moved to another network namespace since.
class Channel {
  public:
    explicit Channel(SocketKind kind) : kind_(kind) {}
    // The socket, or -1 with errno set.
    int Get(ThreadNetns& netns, std::uint16_t& id) {
        if (fd_ && !netns.Same(netns_))
            Close();
        if (!fd_) {
            UniqueFd fd(OpenSocket(kind_));
            if (!fd)
                return -1;
            std::uint16_t newId = 0;
            if (kind_ == SocketKind::Raw) {
                newId = NextRawId();
                if (!SetRawFilters(fd.get(), newId))
                    return -1;  // closed, errno kept
            } else if (!SetUpDatagram(fd.get(), newId)) {
                return -1;
            }
            fd_ = std::move(fd);
            id_ = newId;
            netns_ = netns.Now();
        }
        id = id_;
        return fd_.get();
    }
    // Sets the request's IP options unless the last echo already had the same.
    bool Apply(const IpOptions& o) {
        if (applied_ && o.ttl == options_.ttl && o.tos == options_.tos && o.flags == options_.flags)
            return true;
        applied_ = SetOptions(fd_.get(), o);
        options_ = o;
        return applied_;
    }

  private:
    void Close() {
        fd_.reset();
        applied_ = false;
    }
    SocketKind kind_;
    UniqueFd fd_;
    bool applied_ = false;
    IpOptions options_;
    std::uint16_t id_ = 0;
    std::string netns_;
};

// What one thread keeps between its echoes.
struct ThreadEchoState {
    ThreadNetns netns;
    Channel raw{SocketKind::Raw};
    Channel datagram{SocketKind::Datagram};
    std::vector<std::uint8_t> buf;  // the request going out, then what comes in
};

thread_local ThreadEchoState t_echo;

// An IPv4 packet as a raw socket hands it over: header length and protocol checked.
std::optional<std::size_t> IpHeaderLength(const std::uint8_t* p, std::size_t n) {
    if (n < kMinIpHeader || (p[0] >> 4) != 4)
        return std::nullopt;
    std::size_t ihl = static_cast<std::size_t>(p[0] & 0x0F) * 4;
    if (ihl < kMinIpHeader || n < ihl + kIcmpHeader || p[9] != IPPROTO_ICMP)
        return std::nullopt;
    return ihl;
}

// Whether an ICMP message (header first) is our echo request as sent.
bool IsOurRequest(const std::uint8_t* icmp, std::size_t n, const Request& rq) {
    return n >= kIcmpHeader && icmp[0] == kTypeEchoRequest && icmp[1] == 0 &&
           Get16(icmp + 4) == rq.id && Get16(icmp + 6) == rq.seq;
}

// Whether an ICMP message (header first) is the echo reply to our request, data included.
bool IsOurReply(const std::uint8_t* icmp, std::size_t n, const Request& rq) {
    return n == kIcmpHeader + rq.size && icmp[0] == kTypeEchoReply && icmp[1] == 0 &&
           Get16(icmp + 4) == rq.id && Get16(icmp + 6) == rq.seq &&
           (rq.size == 0 || std::memcmp(icmp + kIcmpHeader, rq.data, rq.size) == 0);
}

// A packet from a raw socket: IP header, then ICMP. Only our reply, or an error that quotes
// our request, is an answer; our own request (seen on loopback) and all else is not.
std::optional<Answer> ParseRaw(const std::uint8_t* p, std::size_t n, const Request& rq) {
    auto ihl = IpHeaderLength(p, n);
    if (!ihl)
        return std::nullopt;
    std::size_t total = Get16(p + 2);
    if (total < *ihl + kIcmpHeader || total > n)
        return std::nullopt;
    const std::uint8_t* icmp = p + *ihl;
    std::size_t len = total - *ihl;
    if (Checksum(icmp, len) != 0)
        return std::nullopt;

    Answer a;
    std::memcpy(&a.from, p + 12, sizeof a.from);
    a.ttl = p[8];
    a.tos = p[1];
    if (icmp[0] == kTypeEchoReply) {
        if (!IsOurReply(icmp, len, rq))
            return std::nullopt;
        a.status = IpStatus::Success;
        return a;
    }
    auto status = ErrorStatus(icmp[0], icmp[1]);
    if (!status)
        return std::nullopt;
    // The error quotes the IP header and at least the first 8 bytes of the dropped datagram.
    const std::uint8_t* quoted = icmp + kIcmpHeader;
    std::size_t qlen = len - kIcmpHeader;
    auto qihl = IpHeaderLength(quoted, qlen);
    if (!qihl || std::memcmp(quoted + 16, &rq.destination, sizeof rq.destination) != 0 ||
        !IsOurRequest(quoted + *qihl, qlen - *qihl, rq))
        return std::nullopt;
    a.status = *status;
    return a;
}

void ReadTtlTos(msghdr& msg, Answer& a) {
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
        if (c->cmsg_level != IPPROTO_IP)
            continue;
        if (c->cmsg_type == IP_TTL && c->cmsg_len >= CMSG_LEN(sizeof(int))) {
            int ttl;
            std::memcpy(&ttl, CMSG_DATA(c), sizeof ttl);
            a.ttl = ttl;
        } else if (c->cmsg_type == IP_TOS && c->cmsg_len >= CMSG_LEN(1)) {
            a.tos = *CMSG_DATA(c);
        }
    }
}

// Next datagram of a raw socket; nullopt when it is not our answer (or nothing was there).
std::optional<Answer> ReadRaw(int fd, std::vector<std::uint8_t>& buf, const Request& rq) {
    ssize_t n = ::recv(fd, buf.data(), buf.size(), MSG_DONTWAIT | MSG_TRUNC);
    if (n <= 0 || static_cast<std::size_t>(n) > buf.size())
        return std::nullopt;
    return ParseRaw(buf.data(), static_cast<std::size_t>(n), rq);
}

// Next echo reply on a datagram socket (the kernel strips the IP header and routes replies
// by identifier; sequence and data are still ours to check).
std::optional<Answer> ReadDatagram(int fd, std::vector<std::uint8_t>& buf, const Request& rq) {
    sockaddr_in from{};
    iovec iov{buf.data(), buf.size()};
    alignas(cmsghdr) char control[256];
    msghdr msg{};
    msg.msg_name = &from;
    msg.msg_namelen = sizeof from;
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    ssize_t n = ::recvmsg(fd, &msg, MSG_DONTWAIT);
    if (n <= 0 || (msg.msg_flags & MSG_TRUNC))
        return std::nullopt;
    if (!IsOurReply(buf.data(), static_cast<std::size_t>(n), rq))
        return std::nullopt;
    Answer a;
    a.status = IpStatus::Success;
    a.from = from.sin_addr.s_addr;
    ReadTtlTos(msg, a);
    return a;
}

// Next report on a datagram socket's error queue. What comes with it is our own request as
// quoted by the sender: it only tells whether the report is about this echo.
std::optional<Answer> ReadErrorQueue(int fd, std::vector<std::uint8_t>& buf, const Request& rq) {
    sockaddr_in target{};
    iovec iov{buf.data(), buf.size()};
    alignas(cmsghdr) char control[512];
    msghdr msg{};
    msg.msg_name = &target;
    msg.msg_namelen = sizeof target;
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    ssize_t n = ::recvmsg(fd, &msg, MSG_ERRQUEUE | MSG_DONTWAIT);
    if (n < 0)
        return std::nullopt;

    const sock_extended_err* err = nullptr;
    Answer a;
    ReadTtlTos(msg, a);
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
        if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_RECVERR &&
            c->cmsg_len >= CMSG_LEN(sizeof(sock_extended_err)))
            err = reinterpret_cast<const sock_extended_err*>(CMSG_DATA(c));
    }
    if (!err)
        return std::nullopt;
    if (err->ee_origin == SO_EE_ORIGIN_LOCAL) {
        a.status = LocalStatus(static_cast<int>(err->ee_errno));
        a.local = true;
        a.ttl = 0;
        a.tos = 0;
        return a;
    }
    if (err->ee_origin != SO_EE_ORIGIN_ICMP)
        return std::nullopt;
    auto status = ErrorStatus(err->ee_type, err->ee_code);
    if (!status || !IsOurRequest(buf.data(), static_cast<std::size_t>(n), rq))
        return std::nullopt;
    a.status = *status;
    const auto* offender = reinterpret_cast<const sockaddr*>(SO_EE_OFFENDER(err));
    if (offender->sa_family == AF_INET) {
        sockaddr_in sin;
        std::memcpy(&sin, offender, sizeof sin);
        a.from = sin.sin_addr.s_addr;
    }
    return a;
}

// Takes a pending error off a raw socket (a report of its own that is no answer to us),
// leaving its queued packets alone.
void ClearSocketError(int fd) {
    int err = 0;
    socklen_t len = sizeof err;
    ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len);
}

// Takes the reports a failed send left on the socket: what the error queue holds and the
// pending error.
void DropLocalReports(int fd, SocketKind kind) {
    if (kind == SocketKind::Datagram) {
        char scrap[64];
        alignas(cmsghdr) char control[512];
        for (;;) {
            iovec iov{scrap, sizeof scrap};
            msghdr msg{};
            msg.msg_iov = &iov;
            msg.msg_iovlen = 1;
            msg.msg_control = control;
            msg.msg_controllen = sizeof control;
            if (::recvmsg(fd, &msg, MSG_ERRQUEUE | MSG_DONTWAIT) < 0)
                break;
        }
    }
    ClearSocketError(fd);
}

// Writes a fresh record and the data after it, never past `size`; the room the data leaves
// is zeroed, so no earlier answer's bytes can pass for this one's.
void WriteReply(void* buffer, std::size_t size, IcmpEchoReply rec, const std::uint8_t* data,
                std::size_t n) {
    auto* room = static_cast<std::uint8_t*>(buffer) + kReplySize;
    std::size_t roomSize = size - kReplySize;
    std::size_t copied = data ? std::min(n, roomSize) : 0;
    if (copied)
        std::memcpy(room, data, copied);
    if (roomSize > copied)
        std::memset(room + copied, 0, roomSize - copied);
    rec.dataSize = static_cast<std::uint32_t>(copied);
    rec.data = room;
    std::memcpy(buffer, &rec, kReplySize);
}

std::uint32_t MillisSince(Clock::time_point start) {
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    return static_cast<std::uint32_t>(std::clamp<long long>(ms, 0, UINT32_MAX));
}

}  // namespace

std::string_view IcmpStatusText(IpStatus status) {
    switch (status) {
        case IpStatus::Success:
            return "Success";
        case IpStatus::TimedOut:
            return "Timed out";
        case IpStatus::TtlExpiredTransit:
            return "TTL expired in transit";
        case IpStatus::TtlExpiredReassembly:
            return "TTL expired during reassembly";
        case IpStatus::DestNetUnreachable:
            return "Destination net unreachable";
        case IpStatus::DestHostUnreachable:
            return "Destination host unreachable";
        case IpStatus::DestProtocolUnreachable:
            return "Destination protocol unreachable";
        case IpStatus::DestPortUnreachable:
            return "Destination port unreachable";
        case IpStatus::DestProhibited:
            return "Communication administratively prohibited";
        case IpStatus::PacketTooBig:
            return "Packet needs to be fragmented";
        case IpStatus::BadRoute:
            return "Source route failed";
        case IpStatus::ParameterProblem:
            return "Parameter problem";
        case IpStatus::BadDestination:
            return "Bad destination";
        case IpStatus::NoResources:
            return "No resources";
        case IpStatus::GeneralFailure:
            break;
    }
    return "General failure";
}

IcmpHandle IcmpCreateFile() {
    if (CanOpen(SocketKind::Datagram))
        return new IcmpHandleData{SocketKind::Datagram};
    if (CanOpen(SocketKind::Raw))
        return new IcmpHandleData{SocketKind::Raw};
    return kInvalidHandle;
}

IcmpHandle IcmpCreateFileOfKind(SocketKind kind) {
    if (kind == SocketKind::None || !CanOpen(kind))
        return kInvalidHandle;
    return new IcmpHandleData{kind};
}

bool IcmpCloseHandle(IcmpHandle h) {
    delete h;
    return h != kInvalidHandle;
}

SocketKind KindOf(IcmpHandle h) {
    return h ? h->kind : SocketKind::None;
}

std::string IcmpUnavailableReason() {
    std::string range;
    std::ifstream f("/proc/sys/net/ipv4/ping_group_range");
    std::getline(f, range);
    std::replace(range.begin(), range.end(), '\t', ' ');
    char exe[PATH_MAX] = {};
    ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    std::string program = n > 0 ? std::string(exe, static_cast<std::size_t>(n)) : "orvelan";

    std::string text =
        "ICMP echo is not available: this program may open neither ICMP datagram sockets nor "
        "raw sockets.\n\nEither let its group (id " +
        std::to_string(::getegid()) +
        ") open ICMP datagram sockets with the sysctl net.ipv4.ping_group_range";
    if (!range.empty())
        text += " (now \"" + range + "\")";
    text +=
        ", for example:\n    sysctl -w net.ipv4.ping_group_range=\"0 2147483647\"\n"
        "or give the program the capability CAP_NET_RAW, for example:\n    setcap cap_net_raw+ep " +
        program + "\nthen start it again.";
    return text;
}

std::uint32_t IcmpSendEcho(IcmpHandle h, net::InAddr destination, const void* requestData,
                           std::size_t requestSize, const IpOptions* requestOptions,
                           void* replyBuffer, std::size_t replySize, std::uint32_t timeoutMs) {
    if (!replyBuffer || replySize < kReplySize)
        return 0;  // no room even for the record
    auto fail = [&](IpStatus status, std::uint32_t waited = 0) {
        IcmpEchoReply rec;
        rec.status = status;
        rec.roundTripTime = waited;
        rec.options.ttl = 0;
        WriteReply(replyBuffer, replySize, rec, nullptr, 0);
        return 0u;
    };
    if (h == kInvalidHandle || h->kind == SocketKind::None)
        return fail(IpStatus::GeneralFailure);
    if (requestSize > kMaxRequestSize || (requestSize > 0 && !requestData))
        return fail(IpStatus::GeneralFailure);

    const IpOptions options = requestOptions ? *requestOptions : IpOptions{};
    const SocketKind kind = h->kind;
    // The thread's own socket of the kind. Late answers to its earlier echoes may still be
    // queued on it: the wait below passes over everything that is not this echo's answer.
    ThreadEchoState& t = t_echo;
    Channel& channel = kind == SocketKind::Raw ? t.raw : t.datagram;
    std::uint16_t id = 0;
    const int fd = channel.Get(t.netns, id);
    if (fd < 0) {
        bool exhausted = errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM;
        return fail(exhausted ? IpStatus::NoResources : IpStatus::GeneralFailure);
    }
    if (!channel.Apply(options))
        return fail(IpStatus::GeneralFailure);
    const std::uint16_t seq = NextSeq();
    if (kind == SocketKind::Raw) {
        // Emptied of what earlier echoes left: passed over one at a time, under load such
        // leftovers were seen to push a later answer out of the queue.
        std::uint8_t scrap[64];
        while (::recv(fd, scrap, sizeof scrap, MSG_DONTWAIT) >= 0) {
        }
    }

    Request rq{destination, id, seq, static_cast<const std::uint8_t*>(requestData), requestSize};
    std::vector<std::uint8_t>& buf = t.buf;
    buf.resize(std::max(kIcmpHeader + requestSize, requestSize + kReceiveSlack));
    buf[0] = kTypeEchoRequest;
    buf[1] = 0;
    Put16(&buf[2], 0);
    Put16(&buf[4], id);
    Put16(&buf[6], seq);
    if (requestSize)
        std::memcpy(&buf[kIcmpHeader], requestData, requestSize);
    Put16(&buf[2], Checksum(buf.data(), kIcmpHeader + requestSize));

    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = destination;
    const Clock::time_point start = Clock::now();
    const Clock::time_point deadline = start + std::chrono::milliseconds(timeoutMs);
    if (::sendto(fd, buf.data(), kIcmpHeader + requestSize, 0,
                 reinterpret_cast<const sockaddr*>(&to), sizeof to) < 0) {
        const int err = errno;
        // The kernel may also have queued the failure as a report: it must not pass for a
        // late one about the next echo.
        DropLocalReports(fd, kind);
        return fail(LocalStatus(err));
    }

    // On loopback the answer is mostly queued before sendto returns: look before waiting.
    bool looked = false;
    for (;;) {
        pollfd p{fd, POLLIN, POLLIN};
        int r = 1;
        if (looked) {
            auto left = std::max(deadline - Clock::now(), Clock::duration::zero());
            auto secs = std::chrono::duration_cast<std::chrono::seconds>(left);
            timespec ts{};
            ts.tv_sec = static_cast<time_t>(secs.count());
            ts.tv_nsec = static_cast<long>(
                std::chrono::duration_cast<std::chrono::nanoseconds>(left - secs).count());
            p.revents = 0;
            r = ::ppoll(&p, 1, &ts, nullptr);
            if (r < 0 && errno != EINTR)
                return fail(LocalStatus(errno), MillisSince(start));
        }
        looked = true;
        if (r > 0) {
            std::optional<Answer> a;
            if (p.revents & POLLIN)
                a = kind == SocketKind::Raw ? ReadRaw(fd, buf, rq) : ReadDatagram(fd, buf, rq);
            if (!a && (p.revents & POLLERR)) {
                if (kind == SocketKind::Datagram)
                    a = ReadErrorQueue(fd, buf, rq);
                else
                    ClearSocketError(fd);
            }
            if (a) {
                IcmpEchoReply rec;
                rec.address = a->from;
                rec.status = a->status;
                rec.roundTripTime = MillisSince(start);
                rec.options.ttl = a->ttl;
                rec.options.tos = a->tos;
                bool echoed = a->status == IpStatus::Success;
                WriteReply(replyBuffer, replySize, rec, echoed ? rq.data : nullptr,
                           echoed ? rq.size : 0);
                return a->local ? 0u : 1u;
            }
        }
        if (Clock::now() >= deadline)
            break;
    }
    return fail(IpStatus::TimedOut, MillisSince(start));
}

}  // namespace orv::icmp
