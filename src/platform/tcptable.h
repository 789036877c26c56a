// The machine's IPv4 TCP connection table in the shape the tools were written against: the
// caller asks for the size with no buffer, allocates that many bytes and asks again for the rows.
// Read from the kernel of the calling thread's network namespace: sock_diag over netlink, with
// /proc/net/tcp as the fallback when netlink cannot be used.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

namespace orv::net {

// Answers of GetTcpTable.
inline constexpr std::uint32_t kTcpTableOk = 0;
inline constexpr std::uint32_t kTcpTableUnavailable = 50;  // no source of the table can be read
inline constexpr std::uint32_t kTcpTableInvalidParameter = 87;
inline constexpr std::uint32_t kTcpTableInsufficientBuffer = 122;

// Connection states, numbered as the classic TCP MIB numbers them.
enum TcpState : std::uint32_t {
    kTcpStateClosed = 1,
    kTcpStateListen = 2,
    kTcpStateSynSent = 3,
    kTcpStateSynRcvd = 4,
    kTcpStateEstablished = 5,
    kTcpStateFinWait1 = 6,
    kTcpStateFinWait2 = 7,
    kTcpStateCloseWait = 8,
    kTcpStateClosing = 9,
    kTcpStateLastAck = 10,
    kTcpStateTimeWait = 11,
    kTcpStateDeleteTcb = 12,
};

// A set of states: bit (1 << state) for each state wanted.
using TcpStates = std::uint32_t;
constexpr TcpStates TcpStateBit(TcpState s) {
    return TcpStates{1} << s;
}
inline constexpr TcpStates kAllTcpStates = 0x1FFEu;  // states 1..12

// One row of the table, five 32-bit fields in this order.
struct TcpRow {
    std::uint32_t state;       // TcpState
    std::uint32_t localAddr;   // network byte order
    std::uint32_t localPort;   // network byte order, in the low 16 bits
    std::uint32_t remoteAddr;  // network byte order; 0 for a listener
    std::uint32_t remotePort;  // network byte order, in the low 16 bits

    friend bool operator==(const TcpRow&, const TcpRow&) = default;
};
static_assert(sizeof(TcpRow) == 20);

// The table in the caller's buffer: a 32-bit row count, then that many rows.
inline constexpr std::size_t kTcpTableHeaderSize = 4;
constexpr std::size_t TcpTableSize(std::size_t rows) {
    return kTcpTableHeaderSize + rows * sizeof(TcpRow);
}
// The buffer need not be aligned: fields are copied out.
inline std::uint32_t TcpTableCount(const void* table) {
    std::uint32_t n;
    std::memcpy(&n, table, sizeof n);
    return n;
}
inline TcpRow TcpTableRow(const void* table, std::size_t i) {
    TcpRow r;
    std::memcpy(&r, static_cast<const unsigned char*>(table) + TcpTableSize(i), sizeof r);
    return r;
}

// The host-order port of a row's port field (its upper 16 bits are ignored).
constexpr std::uint16_t TcpRowPort(std::uint32_t field) {
    auto p = static_cast<std::uint16_t>(field & 0xFFFF);
    if constexpr (std::endian::native == std::endian::little)
        return static_cast<std::uint16_t>((p >> 8) | (p << 8));
    else
        return p;
}
// The port field of a host-order port.
constexpr std::uint32_t TcpPortField(std::uint16_t port) {
    return TcpRowPort(port);
}

// Writes the connections whose state is in `states` to `table` (`*size` bytes), ordered by
// local address, local port, remote address and remote port when `sorted`.
// - kTcpTableOk: the table is written; *size is left as it was.
// - kTcpTableInsufficientBuffer: `table` is null or smaller than the table; *size becomes the
//   size to allocate. It holds some headroom, so that a table that grows a little before the
//   next call still fits; for a null table it is an estimate that the next call corrects.
// - kTcpTableInvalidParameter: `size` is null. kTcpTableUnavailable: nothing can be read.
std::uint32_t GetTcpTable(void* table, std::uint32_t* size, bool sorted,
                          TcpStates states = kAllTcpStates);

// The table function the program calls; GetTcpTable unless a test installed another.
using GetTcpTableFn = std::uint32_t (*)(void* table, std::uint32_t* size, bool sorted,
                                        TcpStates states);
GetTcpTableFn CurrentGetTcpTable();
// Installs `fn` (nullptr: back to GetTcpTable).
void SetGetTcpTable(GetTcpTableFn fn);

// The two sources, in the kernel's order; nullopt when the source cannot be read.
std::optional<std::vector<TcpRow>> ReadTcpRowsNetlink(TcpStates states);
std::optional<std::vector<TcpRow>> ReadTcpRowsProc(TcpStates states);
// The rows of /proc/net/tcp text whose state is in `states`; lines that do not parse (the
// heading among them) are skipped.
std::vector<TcpRow> ParseProcNetTcp(std::string_view text, TcpStates states);
// The state of a Linux TCP state number (include/net/tcp_states.h); 0 when there is none.
std::uint32_t TcpStateFromLinux(unsigned linuxState);
// Puts rows in the order GetTcpTable gives when sorted.
void SortTcpRows(std::vector<TcpRow>& rows);

}  // namespace orv::net
