// ICMP echo in the shape the tools were written against: one handle, echoes sent through it.
#pragma once

#include <cstdint>

namespace orv::icmp {

// Which kind of socket carries the echoes: unprivileged ICMP datagram sockets
// (net.ipv4.ping_group_range) or raw sockets (CAP_NET_RAW).
enum class SocketKind { None, Datagram, Raw };

struct IcmpHandleData;
using IcmpHandle = IcmpHandleData*;
inline constexpr IcmpHandle kInvalidHandle = nullptr;

// Finds which socket kind works here; kInvalidHandle when neither can be opened.
IcmpHandle IcmpCreateFile();
bool IcmpCloseHandle(IcmpHandle h);
SocketKind KindOf(IcmpHandle h);

}  // namespace orv::icmp
