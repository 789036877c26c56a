// Name and address resolution through the system resolver, in the shape the tools were
// written against (host entries, dotted text, a start/clean-up pair), but thread-safe:
// every call copies its answer out and keeps no shared result storage.
#pragma once

#include <bit>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orv::net {

// An IPv4 address in network byte order, as it travels on the wire.
using InAddr = std::uint32_t;
inline constexpr InAddr kAddrNone = 0xFFFFFFFFu;  // also 255.255.255.255

struct HostEntry {
    std::string name;  // the official name
    std::vector<std::string> aliases;
    std::vector<InAddr> addresses;  // in the resolver's order
};

// Why a name lookup gave no host entry.
enum class LookupError {
    None,
    NotFound,  // the name does not exist or has no address
    TryAgain,  // no name server answered: the name may exist, a later try may find it
};

// A name lookup with the reason of its failure.
struct NameLookup {
    std::optional<HostEntry> host;
    LookupError error = LookupError::None;  // NotFound or TryAgain when `host` is empty
};

// How the pages name a failed lookup: "Unknown host", "Temporary failure in name resolution".
const char* LookupErrorText(LookupError error);

// The resolver the program uses. Tests install a fake through SetResolver.
class Resolver {
  public:
    virtual ~Resolver() = default;
    // Brings up the sockets layer; false when it cannot be used.
    virtual bool Startup() = 0;
    virtual void Cleanup() = 0;
    virtual std::optional<HostEntry> HostByName(const std::string& name) = 0;
    virtual std::optional<HostEntry> HostByAddr(InAddr addr) = 0;
    // HostByName and why it failed. A resolver that cannot tell calls every failure NotFound.
    virtual NameLookup LookupName(const std::string& name) {
        NameLookup r{HostByName(name), LookupError::None};
        if (!r.host)
            r.error = LookupError::NotFound;
        return r;
    }
    // The name HostByAddr would give `addr` from the hosts file, found without asking any name
    // server, so it costs no wait; nullopt when the hosts file does not name the address, or
    // when the resolver asks something else before the hosts file.
    virtual std::optional<std::string> HostsFileName(InAddr addr) {
        (void)addr;
        return std::nullopt;
    }
};

// The official name (the first name) of the first line of hosts-file text `hosts` that is for
// `addr`, as the C library's hosts-file look-up finds it; nullopt when no line is.
std::optional<std::string> HostsFileNameIn(std::string_view hosts, InAddr addr);
// The sources nsswitch.conf text `nsswitch` names on its "hosts:" line, in the order asked;
// nullopt when it has no such line.
std::optional<std::vector<std::string>> HostSources(std::string_view nsswitch);
// Whether nsswitch.conf text `nsswitch` has host names looked up in the hosts file first (a
// missing "hosts:" line means the C library's default, which asks DNS first).
bool HostsFileFirst(std::string_view nsswitch);

// The system resolver (hosts file, DNS, ...): safe to call from any thread.
Resolver& SystemResolver();

// The resolver in force; SystemResolver() unless a test installed another.
Resolver& CurrentResolver();
// Installs `r` (nullptr: back to the system resolver). Call before any thread resolves.
void SetResolver(Resolver* r);

// The familiar entry points, on the resolver in force.
inline bool WSAStartup() {
    return CurrentResolver().Startup();
}
inline void WSACleanup() {
    CurrentResolver().Cleanup();
}
inline std::optional<HostEntry> gethostbyname(const std::string& name) {
    return CurrentResolver().HostByName(name);
}
inline std::optional<HostEntry> gethostbyaddr(InAddr addr) {
    return CurrentResolver().HostByAddr(addr);
}
// gethostbyname that also tells a name that does not exist from a name server that is silent.
inline NameLookup LookupName(const std::string& name) {
    return CurrentResolver().LookupName(name);
}

// Dotted text to address with the classic parser's rules (octal and hex parts, short forms
// like "127.1"); kAddrNone for text that is not an address.
InAddr inet_addr(const std::string& text);
// Address to canonical dotted text ("10.0.0.1").
std::string inet_ntoa(InAddr addr);

// Builds an address from its four octets, first octet first.
constexpr InAddr MakeAddr(unsigned a, unsigned b, unsigned c, unsigned d) {
    a &= 0xFF, b &= 0xFF, c &= 0xFF, d &= 0xFF;
    if constexpr (std::endian::native == std::endian::little)
        return a | b << 8 | c << 16 | d << 24;
    else
        return a << 24 | b << 16 | c << 8 | d;
}

// The four octets of an address, first octet first.
constexpr unsigned Octet(InAddr addr, int i) {
    if constexpr (std::endian::native == std::endian::little)
        return (addr >> (8 * i)) & 0xFF;
    else
        return (addr >> (8 * (3 - i))) & 0xFF;
}

}  // namespace orv::net
