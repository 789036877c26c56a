// The machine's listening and established TCP connections as rows of display texts, the
// fixed-width address text those rows carry, and the constant name tables that go with them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

// One connection as five display texts.
struct TTcpConnStatus {
    std::string LocalAddress;   // IpAddrToText
    std::string LocalPort;      // PortToText
    std::string RemoteAddress;  // IpAddrToText, or "..." when the remote address is 0
    std::string RemotePort;     // PortToText, or "..." when the remote address is 0
    std::string State;          // "listening" or "established"
};

// The caller's list; records are held by value, so clearing the list disposes of them.
using TTcpConnStatusList = std::vector<TTcpConnStatus>;

// Names of the connection states, indexed by state number - 1 (1..12).
inline constexpr std::array<std::string_view, 12> TcpStateNames = {
    "closed",    "listening",  "syn_sent", "syn_rcvd", "established", "fin_wait1",
    "fin_wait2", "close_wait", "closing",  "last_ack", "time_wait",   "delete_tcb",
};

struct TPortServiceName {
    std::int32_t Port;
    std::string_view Name;  // at most 23 characters
};

// Service names of well-known ports, searched from the first row; some keep a trailing blank.
inline constexpr std::array<TPortServiceName, 29> PortServiceNames = {{
    {0, "LOOPBACK"}, {7, "ECHO"},      {9, "DISCRD"},   {13, "DAYTIM"}, {17, "QOTD"},
    {19, "CHARGEN"}, {20, "FTP "},     {21, "FTPC"},    {23, "TELNET"}, {25, "SMTP"},
    {37, "TIME"},    {43, "WHOIS"},    {53, "DNS "},    {67, "BOOTPS"}, {68, "BOOTPC"},
    {69, "TFTP"},    {70, "GOPHER"},   {79, "FING"},    {80, "HTTP"},   {88, "KERB"},
    {109, "POP2"},   {110, "POP3"},    {119, "NNTP"},   {123, "NTP "},  {135, "LOCSVC"},
    {137, "NBNAME"}, {138, "NBDGRAM"}, {139, "NBSESS"}, {161, "SNMP"},
}};

// Further name tables of the same family, kept with it though nothing here reads them.
inline constexpr std::array<std::string_view, 22> IcmpStatusNames = {
    "IP_BUFFER_TOO_SMALL",
    "IP_DEST_NET_UNREACHABLE",
    "IP_DEST_HOST_UNREACHABLE",
    "IP_PROTOCOL_UNREACHABLE",
    "IP_DEST_PORT_UNREACHABLE",
    "IP_NO_RESOURCES",
    "IP_BAD_OPTION",
    "IP_HARDWARE_ERROR",
    "IP_PACKET_TOO_BIG",
    "IP_REQUEST_TIMED_OUT",
    "IP_BAD_REQUEST",
    "IP_BAD_ROUTE",
    "IP_TTL_EXPIRED_TRANSIT",
    "IP_TTL_EXPIRED_REASSEM",
    "IP_PARAMETER_PROBLEM",
    "IP_SOURCE_QUENCH",
    "IP_OPTION_TOO_BIG",
    "IP_BAD_DESTINATION",
    "IP_ADDRESS_DELETED",
    "IP_SPEC_MTU_CHANGE",
    "IP_MTU_CHANGE",
    "IP_UNLOAD",
};
inline constexpr std::array<std::string_view, 4> AddrTableEntryTypeNames = {"Other", "Invalid",
                                                                            "Dynamic", "Static"};
inline constexpr std::array<std::string_view, 4> TcpRtoAlgorithmNames = {
    "Const.Timeout", "MIL-STD-1778", "Van Jacobson", "Other"};
inline constexpr std::array<std::string_view, 4> RouteTypeNames = {"other", "invalid", "local",
                                                                   "remote"};
inline constexpr std::array<std::string_view, 18> RouteProtocolNames = {
    "OTHER", "LOCAL", "NETMGMT", "ICMP", "EGP", "GGP",   "HELO",      "RIP",    "IS_IS",
    "ES_IS", "CISCO", "BBN",     "OSPF", "BGP", "BOOTP", "AUTO_STAT", "STATIC", "NOT_DOD",
};

// Clears `List` and appends one record per listening or established IPv4 connection, in the
// order of the sorted table. An unreadable table leaves the list empty; a null list is left
// alone. Never throws.
void GetTcpConnStatusList(TTcpConnStatusList* List);

// The address (network byte order) as four fields of "%3d." with the last dot dropped:
// exactly 15 characters, "127.  0.  0.  1".
std::string IpAddrToText(std::uint32_t Address);
// The port (host byte order) as "%4d", or its service name from PortServiceNames.
std::string PortToText(int Port);
// The plain dotted form of an IpAddrToText text: characters 1-3, 5-7, 9-11 and 13-15, each
// trimmed of blanks, joined with "."; "..." gives six dots.
std::string TrimPaddedIp(std::string_view Text);

}  // namespace orv
