#include "platform/netinfo.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <net/route.h>
#include <netinet/in.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <sstream>

#include "common/ascii.h"
#include "platform/resolver.h"
#include "platform/system_text.h"

namespace orv::net {

namespace fs = std::filesystem;

namespace {

std::optional<std::string> ReadFile(const std::string& path) {
    return sys::ReadFileBounded(path);
}

std::string Trimmed(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\n' || s[b] == '\r'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\n' || s[e - 1] == '\r'))
        --e;
    return std::string(s.substr(b, e - b));
}

// The first line of a one-value file (sysfs, /proc/sys), trimmed.
std::string ReadValue(const std::string& path) {
    auto text = ReadFile(path);
    if (!text)
        return {};
    std::string_view v(*text);
    v = v.substr(0, v.find('\n'));
    return Trimmed(v);
}

int ToInt(const std::string& s, int fallback = 0) {
    return sys::ParseDecimal<int>(s).value_or(fallback);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> out;
    std::istringstream in(line);
    for (std::string w; in >> w;)
        out.push_back(w);
    return out;
}

// --- resolv.conf ---

struct ResolvConf {
    std::vector<std::string> servers;
    std::string domain;  // the last domain or search directive's first name
};

ResolvConf ReadResolvConf(const std::string& path) {
    ResolvConf rc;
    auto text = ReadFile(path);
    if (!text)
        return rc;
    for (const std::string& line : Lines(*text)) {
        std::vector<std::string> w = Words(line);
        if (w.empty() || w[0][0] == '#' || w[0][0] == ';')
            continue;
        if (w[0] == "nameserver" && w.size() > 1) {
            rc.servers.push_back(w[1]);
        } else if ((w[0] == "domain" || w[0] == "search") && w.size() > 1) {
            // A search list of "." only says "no search domain".
            rc.domain = w[1] == "." ? std::string() : w[1];
        }
    }
    return rc;
}

// The canonical name the hosts file gives `host`: the first name of the first line that names it
// (the C library's files lookup, names matched without regard to ASCII case).
std::optional<std::string> CanonicalNameInHosts(const std::string& path, const std::string& host) {
    auto text = ReadFile(path);
    if (!text)
        return std::nullopt;
    for (const std::string& line : Lines(*text)) {
        std::vector<std::string> w = Words(line.substr(0, line.find('#')));
        if (w.size() < 2)
            continue;
        if (std::any_of(w.begin() + 1, w.end(),
                        [&](const std::string& n) { return ascii::EqualsNoCase(n, host); }))
            return w[1];
    }
    return std::nullopt;
}

bool IsLocalStub(const std::string& server) {
    return server.starts_with("127.") || server == "::1";
}

// --- adapters ---

// The interface MIB's type numbers for the link types Linux reports.
int InterfaceType(int arphrd, bool wireless) {
    switch (arphrd) {
        case ARPHRD_ETHER:
            return wireless ? 71 : 6;
        case ARPHRD_IEEE80211:
        case ARPHRD_IEEE80211_PRISM:
        case ARPHRD_IEEE80211_RADIOTAP:
            return 71;
        case ARPHRD_LOOPBACK:
            return 24;
        case ARPHRD_PPP:
            return 23;
        case ARPHRD_SLIP:
        case ARPHRD_CSLIP:
            return 28;
        case ARPHRD_IEEE802_TR:
            return 9;
        case ARPHRD_INFINIBAND:
            return 199;
        case ARPHRD_TUNNEL:
        case ARPHRD_TUNNEL6:
        case ARPHRD_SIT:
        case ARPHRD_IPGRE:
        case ARPHRD_NONE:
            return 131;
        default:
            return 1;
    }
}

// "02:fc:00:00:00:01" as bytes, at most `length` of them.
std::vector<std::uint8_t> HardwareAddress(const std::string& text, int length) {
    std::vector<std::uint8_t> out;
    std::istringstream in(text);
    for (std::string part; out.size() < static_cast<std::size_t>(std::max(length, 0)) &&
                           std::getline(in, part, ':');) {
        if (part.empty() || part.size() > 2 || !std::all_of(part.begin(), part.end(), [](char c) {
                return std::isxdigit(static_cast<unsigned char>(c));
            }))
            return {};
        out.push_back(static_cast<std::uint8_t>(sys::ParseHex<std::uint32_t>(part).value_or(0)));
    }
    return out;
}

// A 32-bit value of /proc/net/route: the address's bytes as they lie in memory, printed as a
// host-order number.
std::string RouteAddress(const std::string& hex) {
    std::optional<std::uint32_t> value = sys::ParseHex<std::uint32_t>(hex);
    if (!value)
        return {};
    const std::uint32_t raw = *value;
    in_addr a{};
    std::memcpy(&a.s_addr, &raw, sizeof raw);
    char buf[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &a, buf, sizeof buf);
    return buf;
}

std::map<std::string, std::vector<AddressEntry>> DefaultGateways(const std::string& root) {
    std::map<std::string, std::vector<AddressEntry>> out;
    auto text = ReadFile(root + "/proc/net/route");
    if (!text)
        return out;
    std::vector<std::string> lines = Lines(*text);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        std::vector<std::string> w = Words(lines[i]);
        if (w.size() < 8)
            continue;
        std::uint32_t flags = sys::ParseHex<std::uint32_t>(w[3]).value_or(0);
        if (w[1] != "00000000" || w[7] != "00000000" || !(flags & RTF_UP) || !(flags & RTF_GATEWAY))
            continue;
        out[w[0]].push_back({RouteAddress(w[2]), RouteAddress(w[7])});
    }
    return out;
}

std::string Description(const fs::path& dir) {
    std::string alias = ReadValue(dir / "ifalias");
    if (!alias.empty())
        return alias;
    std::error_code ec;
    fs::path driver = fs::read_symlink(dir / "device" / "driver", ec);
    if (!ec && !driver.filename().empty())
        return driver.filename().string();
    if (auto uevent = ReadFile(dir / "uevent")) {
        for (const std::string& line : Lines(*uevent))
            if (line.starts_with("DEVTYPE="))
                return line.substr(8);
    }
    return {};
}

// --- leases ---

struct Lease {
    std::string interface;  // empty when the file does not say
    std::string address;
    std::string server;
    std::int64_t obtained = 0;
    std::int64_t expires = 0;
};

// The latest instant a lease time may name: 9999-12-31 23:59:59 UTC. Anything later, or before
// 1970, is no lease time.
constexpr std::int64_t kLatestLeaseTime = 253402300799;

std::int64_t LeaseInstant(std::optional<std::int64_t> t) {
    return t && *t > 0 && *t <= kLatestLeaseTime ? *t : 0;
}

// Three decimal fields joined by `sep` ("2023/01/02", "00:00:00").
std::optional<std::array<int, 3>> Fields(std::string_view text, char sep) {
    std::array<int, 3> out{};
    for (std::size_t i = 0; i < out.size(); ++i) {
        std::size_t cut = i + 1 < out.size() ? text.find(sep) : text.size();
        if (cut == std::string_view::npos)
            return std::nullopt;
        std::optional<int> v = sys::ParseDecimal<int>(text.substr(0, cut));
        if (!v)
            return std::nullopt;
        out[i] = *v;
        text.remove_prefix(std::min(cut + 1, text.size()));
    }
    return out;
}

// "3 2023/01/02 00:00:00" (UTC) or "epoch 1672617600"; 0 for anything else.
std::int64_t DhclientTime(const std::vector<std::string>& w) {
    if (w.size() >= 3 && w[1] == "epoch")
        return LeaseInstant(sys::ParseDecimal<std::int64_t>(w[2]));
    if (w.size() < 4)
        return 0;
    auto date = Fields(w[2], '/'), time = Fields(w[3], ':');
    if (!date || !time)
        return 0;
    auto [year, month, day] = *date;
    auto [hour, minute, second] = *time;
    if (year < 1970 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 ||
        hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 60)
        return 0;
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    return LeaseInstant(static_cast<std::int64_t>(timegm(&tm)));
}

// A lease's length in seconds, as DHCP carries it (32 bits).
std::int64_t LeaseLength(std::string_view text) {
    return sys::ParseDecimal<std::uint32_t>(text).value_or(0);
}

std::string Unquoted(std::string s) {
    while (!s.empty() && s.back() == ';')
        s.pop_back();
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"')
        s = s.substr(1, s.size() - 2);
    return s;
}

// Every lease block of a dhclient leases file, in file order (the newest last).
std::vector<Lease> DhclientLeases(const std::string& text) {
    std::vector<Lease> out;
    std::optional<Lease> cur;
    std::int64_t leaseTime = 0;
    for (std::string line : Lines(text)) {
        line = Trimmed(line);
        std::vector<std::string> w = Words(line);
        if (w.empty())
            continue;
        if (w[0] == "lease" && line.ends_with("{")) {
            cur = Lease{};
            leaseTime = 0;
        } else if (!cur) {
            continue;
        } else if (w[0] == "}") {
            // Both are in range, so the difference is too.
            if (cur->expires && leaseTime)
                cur->obtained = LeaseInstant(cur->expires - leaseTime);
            out.push_back(*cur);
            cur.reset();
        } else if (w[0] == "interface" && w.size() > 1) {
            cur->interface = Unquoted(w[1]);
        } else if (w[0] == "fixed-address" && w.size() > 1) {
            cur->address = Unquoted(w[1]);
        } else if (w[0] == "option" && w.size() > 2 && w[1] == "dhcp-server-identifier") {
            cur->server = Unquoted(w[2]);
        } else if (w[0] == "option" && w.size() > 2 && w[1] == "dhcp-lease-time") {
            leaseTime = LeaseLength(Unquoted(w[2]));
        } else if (w[0] == "expire") {
            w.back() = Unquoted(w.back());
            cur->expires = DhclientTime(w);
        }
    }
    return out;
}

// A KEY=value lease (systemd-networkd, NetworkManager's own client). The file's time stands for
// the moment the lease was obtained, as these files name no start.
Lease KeyValueLease(const std::string& text, std::int64_t written) {
    Lease l;
    std::int64_t lifetime = 0;
    for (const std::string& line : Lines(text)) {
        auto eq = line.find('=');
        if (eq == std::string::npos || line.starts_with("#"))
            continue;
        std::string key = line.substr(0, eq), value = Trimmed(line.substr(eq + 1));
        if (key == "ADDRESS")
            l.address = value;
        else if (key == "SERVER_ADDRESS")
            l.server = value;
        else if (key == "LIFETIME")
            lifetime = LeaseLength(value);
    }
    if (lifetime > 0 && LeaseInstant(written)) {
        l.obtained = written;
        l.expires = LeaseInstant(written + lifetime);
    }
    return l;
}

std::int64_t ModifiedTime(const fs::path& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 ? static_cast<std::int64_t>(st.st_mtime) : 0;
}

std::vector<fs::path> FilesIn(const fs::path& dir) {
    std::vector<fs::path> out;
    std::error_code ec;
    for (auto it = fs::directory_iterator(dir, ec); !ec && it != fs::directory_iterator();
         it.increment(ec))
        if (it->is_regular_file(ec))
            out.push_back(it->path());
    std::sort(out.begin(), out.end());
    return out;
}

// True when `s` begins with a UUID as NetworkManager writes one (8-4-4-4-12 hex digits).
bool StartsWithUuid(std::string_view s) {
    constexpr std::size_t kLength = 36;
    if (s.size() < kLength)
        return false;
    for (std::size_t i = 0; i < kLength; ++i) {
        bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? s[i] != '-' : !std::isxdigit(static_cast<unsigned char>(s[i])))
            return false;
    }
    return true;
}

// The interface a lease file's name gives: "dhclient.eth0.leases" (ifupdown),
// "dhclient-eth0.leases", and NetworkManager's "internal-<uuid>-br-lan.lease" and
// "dhclient-<uuid>-br-lan.lease". Interface names may hold "-" and "." themselves, so the name
// is what follows the fixed prefix, not what follows the last separator.
std::string LeaseFileInterface(const std::string& fileName) {
    std::string_view stem(fileName);
    for (std::string_view ext : {".leases", ".lease"})
        if (stem.ends_with(ext)) {
            stem.remove_suffix(ext.size());
            break;
        }
    // IPv6 leases ("dhclient6-", "internal6-") are no part of this IPv4 report.
    for (std::string_view prefix : {"dhclient.", "dhclient-", "internal-"}) {
        if (!stem.starts_with(prefix))
            continue;
        stem.remove_prefix(prefix.size());
        if (prefix.back() == '-' && StartsWithUuid(stem))
            stem.remove_prefix(stem.size() > 36 && stem[36] == '-' ? 37 : stem.size());
        return std::string(stem);
    }
    return {};
}

// The leases found on the machine, each with the interface it belongs to where the file or its
// name says so (a networkd lease is named by the interface index, kept as "#<index>").
std::vector<Lease> AllLeases(const std::string& root) {
    std::vector<Lease> out;
    auto addDhclient = [&out](const fs::path& file) {
        auto text = ReadFile(file);
        if (!text)
            return;
        const std::string named = LeaseFileInterface(file.filename().string());
        for (Lease l : DhclientLeases(*text)) {
            if (l.interface.empty())
                l.interface = named;
            out.push_back(l);
        }
    };
    for (const fs::path& f : FilesIn(root + "/var/lib/dhcp"))
        if (f.filename().string().starts_with("dhclient") && f.extension() == ".leases")
            addDhclient(f);
    for (const fs::path& f : FilesIn(root + "/var/lib/NetworkManager")) {
        if (f.extension() != ".lease")
            continue;
        auto text = ReadFile(f);
        if (!text)
            continue;
        if (text->find("lease {") != std::string::npos) {
            addDhclient(f);
        } else {
            Lease l = KeyValueLease(*text, ModifiedTime(f));
            l.interface = LeaseFileInterface(f.filename().string());
            out.push_back(l);
        }
    }
    for (const fs::path& f : FilesIn(root + "/run/systemd/netif/leases")) {
        auto text = ReadFile(f);
        if (!text)
            continue;
        Lease l = KeyValueLease(*text, ModifiedTime(f));
        l.interface = "#" + f.filename().string();
        out.push_back(l);
    }
    return out;
}

}  // namespace

NetworkParams ReadNetworkParams(const std::string& root) {
    NetworkParams p;
    p.hostName = ReadValue(root + "/proc/sys/kernel/hostname");
    ResolvConf rc = ReadResolvConf(root + "/etc/resolv.conf");
    p.dnsServers = rc.servers;
    if (!rc.servers.empty() && std::all_of(rc.servers.begin(), rc.servers.end(), IsLocalStub)) {
        // A local stub answers for servers it names elsewhere.
        for (const char* upstream :
             {"/run/systemd/resolve/resolv.conf", "/run/NetworkManager/no-stub-resolv.conf"}) {
            ResolvConf up = ReadResolvConf(root + upstream);
            bool added = false;
            for (const std::string& s : up.servers) {
                if (IsLocalStub(s) ||
                    std::find(p.dnsServers.begin(), p.dnsServers.end(), s) != p.dnsServers.end())
                    continue;
                p.dnsServers.push_back(s);
                added = true;
            }
            if (added)
                break;
        }
    }
    if (!rc.servers.empty())
        p.currentDnsServer = rc.servers.front();
    p.enableRouting = ToInt(ReadValue(root + "/proc/sys/net/ipv4/ip_forward"));
    p.enableProxy = ToInt(ReadValue(root + "/proc/sys/net/ipv4/conf/all/proxy_arp"));
    // Without nsswitch.conf the C library looks names up in DNS and in the hosts file.
    p.enableDns = 1;
    bool filesUsed = true;
    const auto nss = ReadFile(root + "/etc/nsswitch.conf");
    if (const auto sources = nss ? HostSources(*nss) : std::nullopt) {
        p.enableDns = std::any_of(sources->begin(), sources->end(), [](const std::string& s) {
            return s == "dns" || s == "resolve" || s.starts_with("mdns");
        });
        filesUsed = std::find(sources->begin(), sources->end(), "files") != sources->end();
    }
    // The domain is that of the host's canonical name, as `hostname -d` gives it. The hosts file
    // answers for the host on a usual install; a name server is not asked here (this runs while
    // the window is built), so without a hosts entry the host name's own domain, else the
    // resolver's search domain, stands in.
    std::optional<std::string> canonical;
    if (filesUsed && !p.hostName.empty())
        canonical = CanonicalNameInHosts(root + "/etc/hosts", p.hostName);
    const std::string& name = canonical ? *canonical : p.hostName;
    auto dot = name.find('.');
    p.domainName = dot != std::string::npos ? name.substr(dot + 1) : canonical ? "" : rc.domain;
    return p;
}

std::optional<std::vector<InterfaceAddress>> SystemInterfaceAddresses(int* error) {
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) {
        if (error)
            *error = errno;
        return std::nullopt;
    }
    std::vector<InterfaceAddress> out;
    for (ifaddrs* i = list; i; i = i->ifa_next) {
        if (!i->ifa_name)
            continue;
        InterfaceAddress a;
        a.name = i->ifa_name;
        a.flags = i->ifa_flags;
        a.index = static_cast<int>(::if_nametoindex(i->ifa_name));
        if (i->ifa_addr && i->ifa_addr->sa_family == AF_INET) {
            char buf[INET_ADDRSTRLEN] = {};
            inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(i->ifa_addr)->sin_addr, buf,
                      sizeof buf);
            a.address = buf;
            if (i->ifa_netmask) {
                inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(i->ifa_netmask)->sin_addr,
                          buf, sizeof buf);
                a.mask = buf;
            }
        }
        out.push_back(std::move(a));
    }
    ::freeifaddrs(list);
    return out;
}

std::vector<AdapterInfo> ReadAdapters(const std::vector<InterfaceAddress>& interfaces,
                                      const std::string& root) {
    // Interfaces in first-seen order, each with its addresses.
    std::vector<AdapterInfo> out;
    std::map<std::string, std::size_t> byName;
    std::map<std::string, unsigned> flagsOf;
    for (const InterfaceAddress& i : interfaces) {
        // An address with a label ("eth0:1", the old aliases) is the interface's own: interface
        // names cannot hold ":".
        const std::string name = i.name.substr(0, i.name.find(':'));
        auto [it, fresh] = byName.try_emplace(name, out.size());
        if (fresh) {
            AdapterInfo a;
            a.name = name;
            a.index = i.index;
            out.push_back(a);
        } else if (out[it->second].index == 0) {
            out[it->second].index = i.index;
        }
        flagsOf[name] |= i.flags;
        if (!i.address.empty())
            out[it->second].addresses.push_back({i.address, i.mask});
    }

    std::map<std::string, std::vector<AddressEntry>> gateways = DefaultGateways(root);
    std::vector<Lease> leases = AllLeases(root);
    std::vector<AdapterInfo> kept;
    for (AdapterInfo& a : out) {
        fs::path dir = fs::path(root + "/sys/class/net") / a.name;
        int arphrd = ToInt(ReadValue(dir / "type"), -1);
        if ((flagsOf[a.name] & IFF_LOOPBACK) || arphrd == ARPHRD_LOOPBACK)
            continue;
        if (a.index == 0)
            a.index = ToInt(ReadValue(dir / "ifindex"));
        a.comboIndex = a.index;
        a.description = Description(dir);
        a.hardwareAddress =
            HardwareAddress(ReadValue(dir / "address"), ToInt(ReadValue(dir / "addr_len")));
        std::error_code ec;
        bool wireless = fs::exists(dir / "wireless", ec) || fs::exists(dir / "phy80211", ec);
        a.type = InterfaceType(arphrd, wireless);
        if (!a.addresses.empty())
            a.currentAddress = a.addresses.front();
        if (auto g = gateways.find(a.name); g != gateways.end())
            a.gateways = g->second;

        // The newest lease of this interface that is still about one of its addresses.
        const Lease* best = nullptr;
        for (const Lease& l : leases) {
            bool mine = l.interface == a.name || l.interface == "#" + std::to_string(a.index);
            bool current = l.address.empty() || std::any_of(a.addresses.begin(), a.addresses.end(),
                                                            [&l](const AddressEntry& e) {
                                                                return e.address == l.address;
                                                            });
            if (mine && current && (!best || l.expires >= best->expires))
                best = &l;
        }
        if (best) {
            a.dhcpEnabled = 1;
            if (!best->server.empty())
                a.dhcpServers.push_back({best->server, {}});
            a.leaseObtained = best->obtained;
            a.leaseExpires = best->expires;
        }
        kept.push_back(std::move(a));
    }
    std::stable_sort(kept.begin(), kept.end(),
                     [](const AdapterInfo& x, const AdapterInfo& y) { return x.index < y.index; });
    return kept;
}

}  // namespace orv::net
