#include "platform/tcptable.h"

#include <fcntl.h>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <limits>
#include <optional>
#include <string>

#include "platform/system_text.h"
#include "platform/unique_fd.h"

namespace orv::net {

namespace {

// Linux TCP state numbers (include/net/tcp_states.h).
enum LinuxTcpState : unsigned {
    kLxEstablished = 1,
    kLxSynSent = 2,
    kLxSynRecv = 3,
    kLxFinWait1 = 4,
    kLxFinWait2 = 5,
    kLxTimeWait = 6,
    kLxClose = 7,
    kLxCloseWait = 8,
    kLxLastAck = 9,
    kLxListen = 10,
    kLxClosing = 11,
    kLxNewSynRecv = 12,  // a connection request not yet accepted by the handshake
};

constexpr std::uint32_t kFromLinux[] = {
    0,                     // 0: none
    kTcpStateEstablished,  // established
    kTcpStateSynSent,      // syn_sent
    kTcpStateSynRcvd,      // syn_recv
    kTcpStateFinWait1,     // fin_wait1
    kTcpStateFinWait2,     // fin_wait2
    kTcpStateTimeWait,     // time_wait
    kTcpStateClosed,       // close
    kTcpStateCloseWait,    // close_wait
    kTcpStateLastAck,      // last_ack
    kTcpStateListen,       // listen
    kTcpStateClosing,      // closing
    kTcpStateSynRcvd,      // new_syn_recv
};

// The kernel's idiag_states mask for a set of states.
std::uint32_t LinuxStateMask(TcpStates states) {
    std::uint32_t mask = 0;
    for (unsigned lx = 1; lx < std::size(kFromLinux); ++lx)
        if (states & (TcpStates{1} << kFromLinux[lx]))
            mask |= 1u << lx;
    return mask;
}

bool Wanted(TcpStates states, std::uint32_t state) {
    return state != 0 && (states & (TcpStates{1} << state)) != 0;
}

constexpr std::uint32_t HostOrder(std::uint32_t netValue) {
    if constexpr (std::endian::native == std::endian::little)
        return (netValue >> 24) | ((netValue >> 8) & 0xFF00) | ((netValue << 8) & 0xFF0000) |
               (netValue << 24);
    else
        return netValue;
}

// A whole file of /proc. The thread's own view first: a thread that entered another network
// namespace sees that namespace there, while /proc/net follows the main thread.
std::optional<std::string> ReadProcNetFile(const char* name) {
    std::string path = std::string("/proc/thread-self/net/") + name;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        path = std::string("/proc/net/") + name;
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    }
    if (fd < 0)
        return std::nullopt;
    UniqueFd guard(fd);
    std::string text;
    std::size_t used = 0;
    for (;;) {
        if (text.size() - used < 32768)
            text.resize(std::max<std::size_t>(65536, text.size() * 2));
        ssize_t n = ::read(fd, text.data() + used, text.size() - used);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break;
        used += static_cast<std::size_t>(n);
    }
    text.resize(used);
    return text;
}

// A cheap upper estimate of the row count from the socket counters, without walking the
// table: "TCP: inuse N orphan N tw N ..." (per network namespace).
std::optional<std::size_t> EstimateRows(TcpStates states) {
    auto text = ReadProcNetFile("sockstat");
    if (!text)
        return std::nullopt;
    std::string_view s = *text;
    auto line = s.find("\nTCP:");
    if (line == std::string_view::npos)
        return std::nullopt;
    s = s.substr(line + 1);
    s = s.substr(0, s.find('\n'));
    auto field = [&](std::string_view key) -> std::optional<std::size_t> {
        auto at = s.find(key);
        if (at == std::string_view::npos)
            return std::nullopt;
        std::size_t v = 0;
        const char* b = s.data() + at + key.size();
        auto [p, ec] = std::from_chars(b, s.data() + s.size(), v);
        if (ec != std::errc{})
            return std::nullopt;
        return v;
    };
    auto inuse = field(" inuse ");
    auto tw = field(" tw ");
    if (!inuse)
        return std::nullopt;
    std::size_t rows = *inuse;
    // Sockets in time-wait (and orphaned fin-wait-2 ones) are counted apart.
    if (states & (TcpStateBit(kTcpStateTimeWait) | TcpStateBit(kTcpStateFinWait2)))
        rows += tw.value_or(0);
    return rows;
}

// Room for the rows counted plus some, so that a table that grows between the size query
// and the read still fits and the caller gets no empty answer.
std::uint64_t SizeWithHeadroom(std::size_t rows) {
    return TcpTableSize(rows + rows / 8 + 64);
}

std::uint32_t ClampSize(std::uint64_t bytes) {
    return static_cast<std::uint32_t>(
        std::min<std::uint64_t>(bytes, std::numeric_limits<std::uint32_t>::max()));
}

std::optional<std::vector<TcpRow>> ReadRows(TcpStates states) {
    if (auto rows = ReadTcpRowsNetlink(states))
        return rows;
    return ReadTcpRowsProc(states);
}

bool ParseHex(std::string_view s, std::uint32_t& out) {
    std::optional<std::uint32_t> v = s.size() <= 8 ? sys::ParseHex<std::uint32_t>(s) : std::nullopt;
    if (v)
        out = *v;
    return v.has_value();
}

// "AAAAAAAA:PPPP": the address as the kernel prints the raw network-order value, the port in
// host order.
bool ParseEndpoint(std::string_view s, std::uint32_t& addr, std::uint32_t& portField) {
    auto colon = s.find(':');
    if (colon != 8 || s.size() != 13)
        return false;
    std::uint32_t port = 0;
    if (!ParseHex(s.substr(0, 8), addr) || !ParseHex(s.substr(9), port) || port > 0xFFFF)
        return false;
    portField = TcpPortField(static_cast<std::uint16_t>(port));
    return true;
}

std::string_view NextToken(std::string_view& line) {
    auto b = line.find_first_not_of(" \t");
    if (b == std::string_view::npos) {
        line = {};
        return {};
    }
    line.remove_prefix(b);
    auto e = line.find_first_of(" \t");
    std::string_view tok = line.substr(0, e);
    line.remove_prefix(e == std::string_view::npos ? line.size() : e);
    return tok;
}

}  // namespace

std::uint32_t TcpStateFromLinux(unsigned linuxState) {
    return linuxState < std::size(kFromLinux) ? kFromLinux[linuxState] : 0;
}

void SortTcpRows(std::vector<TcpRow>& rows) {
    auto key = [](const TcpRow& r) {
        auto local = std::uint64_t{HostOrder(r.localAddr)} << 16 | TcpRowPort(r.localPort);
        auto remote = std::uint64_t{HostOrder(r.remoteAddr)} << 16 | TcpRowPort(r.remotePort);
        return std::pair{local, remote};
    };
    std::sort(rows.begin(), rows.end(),
              [&](const TcpRow& a, const TcpRow& b) { return key(a) < key(b); });
}

std::vector<TcpRow> ParseProcNetTcp(std::string_view text, TcpStates states) {
    std::vector<TcpRow> rows;
    while (!text.empty()) {
        auto nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);

        // "  sl  local_address rem_address   st ...": "N: AAAAAAAA:PPPP AAAAAAAA:PPPP SS ..."
        std::string_view slot = NextToken(line);
        if (slot.size() < 2 || slot.back() != ':')
            continue;
        slot.remove_suffix(1);
        if (slot.find_first_not_of("0123456789") != std::string_view::npos)
            continue;
        TcpRow row{};
        std::uint32_t lxState = 0;
        if (!ParseEndpoint(NextToken(line), row.localAddr, row.localPort) ||
            !ParseEndpoint(NextToken(line), row.remoteAddr, row.remotePort))
            continue;
        std::string_view st = NextToken(line);
        if (st.size() != 2 || !ParseHex(st, lxState))
            continue;
        row.state = TcpStateFromLinux(lxState);
        if (!Wanted(states, row.state))
            continue;
        rows.push_back(row);
    }
    return rows;
}

std::optional<std::vector<TcpRow>> ReadTcpRowsProc(TcpStates states) {
    auto text = ReadProcNetFile("tcp");
    if (!text)
        return std::nullopt;
    return ParseProcNetTcp(*text, states);
}

std::optional<std::vector<TcpRow>> ReadTcpRowsNetlink(TcpStates states) {
    std::vector<TcpRow> rows;
    const std::uint32_t mask = LinuxStateMask(states);
    if (mask == 0)
        return rows;

    UniqueFd fd(::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG));
    if (fd.get() < 0)
        return std::nullopt;

    struct {
        nlmsghdr nlh;
        inet_diag_req_v2 req;
    } msg{};
    constexpr std::uint32_t kSeq = 1;
    msg.nlh.nlmsg_len = sizeof msg;
    msg.nlh.nlmsg_type = SOCK_DIAG_BY_FAMILY;
    msg.nlh.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    msg.nlh.nlmsg_seq = kSeq;
    msg.req.sdiag_family = AF_INET;
    msg.req.sdiag_protocol = IPPROTO_TCP;
    msg.req.idiag_states = mask;  // the kernel skips the other states itself

    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    for (;;) {
        ssize_t n = ::sendto(fd.get(), &msg, sizeof msg, 0, reinterpret_cast<sockaddr*>(&kernel),
                             sizeof kernel);
        if (n == static_cast<ssize_t>(sizeof msg))
            break;
        if (n < 0 && errno == EINTR)
            continue;
        return std::nullopt;
    }

    // A dump arrives in datagrams of at most 32 KiB; the buffer takes one whole.
    std::vector<unsigned char> buf(65536);
    for (;;) {
        ssize_t got = ::recv(fd.get(), buf.data(), buf.size(), 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return std::nullopt;
        std::size_t len = static_cast<std::size_t>(got);
        std::size_t off = 0;
        while (len - off >= sizeof(nlmsghdr)) {
            nlmsghdr h;
            std::memcpy(&h, buf.data() + off, sizeof h);
            if (h.nlmsg_len < sizeof h || h.nlmsg_len > len - off)
                return std::nullopt;
            const unsigned char* body = buf.data() + off + NLMSG_HDRLEN;
            const std::size_t bodyLen =
                h.nlmsg_len - std::min<std::size_t>(h.nlmsg_len, NLMSG_HDRLEN);
            off += NLMSG_ALIGN(h.nlmsg_len);
            if (h.nlmsg_seq != kSeq)
                continue;
            if (h.nlmsg_type == NLMSG_DONE)
                return rows;
            if (h.nlmsg_type == NLMSG_ERROR)
                return std::nullopt;
            if (h.nlmsg_type != SOCK_DIAG_BY_FAMILY || bodyLen < sizeof(inet_diag_msg))
                continue;
            inet_diag_msg m;
            std::memcpy(&m, body, sizeof m);
            if (m.idiag_family != AF_INET)
                continue;
            TcpRow row;
            row.state = TcpStateFromLinux(m.idiag_state);
            if (!Wanted(states, row.state))
                continue;
            // Addresses and ports come in network byte order, as the row keeps them.
            row.localAddr = m.id.idiag_src[0];
            row.localPort = m.id.idiag_sport;
            row.remoteAddr = m.id.idiag_dst[0];
            row.remotePort = m.id.idiag_dport;
            rows.push_back(row);
        }
    }
}

std::uint32_t GetTcpTable(void* table, std::uint32_t* size, bool sorted, TcpStates states) {
    if (size == nullptr)
        return kTcpTableInvalidParameter;
    try {
        if (table == nullptr) {
            auto estimate = EstimateRows(states);
            if (!estimate) {
                auto rows = ReadRows(states);
                if (!rows)
                    return kTcpTableUnavailable;
                estimate = rows->size();
            }
            *size = ClampSize(SizeWithHeadroom(*estimate));
            return kTcpTableInsufficientBuffer;
        }
        auto rows = ReadRows(states);
        if (!rows)
            return kTcpTableUnavailable;
        const std::uint64_t need = TcpTableSize(rows->size());
        if (need > std::numeric_limits<std::uint32_t>::max())
            return kTcpTableUnavailable;
        if (need > *size) {
            *size = ClampSize(SizeWithHeadroom(rows->size()));
            return kTcpTableInsufficientBuffer;
        }
        if (sorted)
            SortTcpRows(*rows);
        const auto count = static_cast<std::uint32_t>(rows->size());
        auto* out = static_cast<unsigned char*>(table);
        std::memcpy(out, &count, sizeof count);
        if (count)
            std::memcpy(out + kTcpTableHeaderSize, rows->data(), count * sizeof(TcpRow));
        return kTcpTableOk;
    } catch (const std::bad_alloc&) {
        return kTcpTableUnavailable;
    }
}

namespace {
std::atomic<GetTcpTableFn> g_current{nullptr};
}

GetTcpTableFn CurrentGetTcpTable() {
    GetTcpTableFn fn = g_current.load(std::memory_order_acquire);
    return fn ? fn : &GetTcpTable;
}

void SetGetTcpTable(GetTcpTableFn fn) {
    g_current.store(fn, std::memory_order_release);
}

}  // namespace orv::net
