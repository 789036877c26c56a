// The computer's own network set-up as plain records: the global IP parameters and one record per
// network adapter. The facts come from files under /etc, /proc, /sys, /run and /var, read below a
// root directory (empty for the machine itself, a fixture tree in tests), and from getifaddrs for
// the adapters and their IPv4 addresses. Nothing here waits on the network.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orv::net {

// One address with its mask, as dotted text; either may be empty when the source has none.
struct AddressEntry {
    std::string address;
    std::string mask;

    friend bool operator==(const AddressEntry&, const AddressEntry&) = default;
};

struct NetworkParams {
    std::string hostName;
    std::string domainName;
    // The server the resolver asks first; none when no server is configured.
    std::optional<std::string> currentDnsServer;
    // resolv.conf's servers in its order; when these are only a local stub, the stub's upstream
    // servers follow.
    std::vector<std::string> dnsServers;
    std::string scopeId;
    int enableRouting = 0;  // the kernel forwards IPv4 packets
    int enableProxy = 0;    // proxy ARP on every interface
    int enableDns = 0;      // host names are looked up in DNS
};

struct AdapterInfo {
    int comboIndex = 0;
    std::string name;
    std::string description;
    std::vector<std::uint8_t> hardwareAddress;  // as long as the link's address is
    int index = 0;
    int type = 0;  // the interface type as the interface MIB numbers it (6 Ethernet, 71 802.11)
    int dhcpEnabled = 0;
    std::optional<AddressEntry> currentAddress;
    std::vector<AddressEntry> addresses;  // every IPv4 address, in the kernel's order
    std::vector<AddressEntry> gateways;   // default routes through this adapter
    std::vector<AddressEntry> dhcpServers;
    int hasWins = 0;
    AddressEntry primaryWins;
    AddressEntry secondaryWins;
    std::int64_t leaseObtained = 0;  // seconds since 1970-01-01 00:00 UTC; 0 for no lease
    std::int64_t leaseExpires = 0;
};

// What getifaddrs says of one interface: an entry per IPv4 address, and one with an empty
// address for an interface that has none.
struct InterfaceAddress {
    std::string name;    // the interface's, or the label of its address ("eth0:1")
    unsigned flags = 0;  // IFF_* bits
    int index = 0;       // 0 when not known; the sysfs index is used then
    std::string address;
    std::string mask;
};

// The global parameters below `root`.
NetworkParams ReadNetworkParams(const std::string& root = {});

// The machine's interfaces and IPv4 addresses; nullopt with `error` set to errno when the list
// cannot be read.
std::optional<std::vector<InterfaceAddress>> SystemInterfaceAddresses(int* error);

// One record per interface of `interfaces` except loopback, ordered by index, with the link,
// route and lease facts read below `root`. No interfaces give an empty list.
std::vector<AdapterInfo> ReadAdapters(const std::vector<InterfaceAddress>& interfaces,
                                      const std::string& root = {});

}  // namespace orv::net
