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
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace orv::net {

namespace fs = std::filesystem;

namespace {

std::optional<std::string> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream s;
    s << in.rdbuf();
    if (in.bad())
        return std::nullopt;
    return s.str();
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
    try {
        std::size_t used = 0;
        long v = std::stol(s, &used, 0);
        return used ? static_cast<int>(v) : fallback;
    } catch (...) {
        return fallback;
    }
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
        out.push_back(static_cast<std::uint8_t>(std::stoul(part, nullptr, 16)));
    }
    return out;
}

// A 32-bit value of /proc/net/route: the address's bytes as they lie in memory, printed as a
// host-order number.
std::string RouteAddress(const std::string& hex) {
    std::uint32_t raw = 0;
    try {
        raw = static_cast<std::uint32_t>(std::stoul(hex, nullptr, 16));
    } catch (...) {
        return {};
    }
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
        int flags = ToInt("0x" + w[3]);
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

// "3 2023/01/02 00:00:00" (UTC) or "epoch 1672617600".
std::int64_t DhclientTime(const std::vector<std::string>& w) {
    if (w.size() >= 3 && w[1] == "epoch")
        return std::atoll(w[2].c_str());
    if (w.size() < 4)
        return 0;
    std::tm tm{};
    if (std::sscanf(w[2].c_str(), "%d/%d/%d", &tm.tm_year, &tm.tm_mon, &tm.tm_mday) != 3 ||
        std::sscanf(w[3].c_str(), "%d:%d:%d", &tm.tm_hour, &tm.tm_min, &tm.tm_sec) != 3)
        return 0;
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
    return static_cast<std::int64_t>(timegm(&tm));
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
            if (cur->expires && leaseTime)
                cur->obtained = cur->expires - leaseTime;
            out.push_back(*cur);
            cur.reset();
        } else if (w[0] == "interface" && w.size() > 1) {
            cur->interface = Unquoted(w[1]);
        } else if (w[0] == "fixed-address" && w.size() > 1) {
            cur->address = Unquoted(w[1]);
        } else if (w[0] == "option" && w.size() > 2 && w[1] == "dhcp-server-identifier") {
            cur->server = Unquoted(w[2]);
        } else if (w[0] == "option" && w.size() > 2 && w[1] == "dhcp-lease-time") {
            leaseTime = std::atoll(Unquoted(w[2]).c_str());
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
            lifetime = std::atoll(value.c_str());
    }
    if (lifetime > 0 && written > 0) {
        l.obtained = written;
        l.expires = written + lifetime;
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

// The leases found on the machine, each with the interface it belongs to where the file or its
// name says so (a networkd lease is named by the interface index, kept as "#<index>").
std::vector<Lease> AllLeases(const std::string& root) {
    std::vector<Lease> out;
    auto addDhclient = [&out](const fs::path& file) {
        auto text = ReadFile(file);
        if (!text)
            return;
        std::string stem = file.stem().string();  // dhclient.eth0, dhclient-<uuid>-eth0
        for (Lease l : DhclientLeases(*text)) {
            if (l.interface.empty()) {
                auto cut = stem.find_last_of(".-");
                l.interface = cut == std::string::npos ? std::string() : stem.substr(cut + 1);
            }
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
            // internal-<uuid>-<interface>.lease
            Lease l = KeyValueLease(*text, ModifiedTime(f));
            std::string stem = f.stem().string();
            auto cut = stem.rfind('-');
            if (cut != std::string::npos)
                l.interface = stem.substr(cut + 1);
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
    auto dot = p.hostName.find('.');
    p.domainName = dot != std::string::npos ? p.hostName.substr(dot + 1) : rc.domain;
    p.enableRouting = ToInt(ReadValue(root + "/proc/sys/net/ipv4/ip_forward"));
    p.enableProxy = ToInt(ReadValue(root + "/proc/sys/net/ipv4/conf/all/proxy_arp"));
    // Without nsswitch.conf the C library looks names up in DNS.
    p.enableDns = 1;
    if (auto nss = ReadFile(root + "/etc/nsswitch.conf")) {
        for (const std::string& line : Lines(*nss)) {
            std::vector<std::string> w = Words(line.substr(0, line.find('#')));
            if (w.empty() || w[0] != "hosts:")
                continue;
            p.enableDns = std::any_of(w.begin() + 1, w.end(), [](const std::string& s) {
                return s == "dns" || s == "resolve" || s.starts_with("mdns");
            });
        }
    }
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
        auto [it, fresh] = byName.try_emplace(i.name, out.size());
        if (fresh) {
            AdapterInfo a;
            a.name = i.name;
            a.index = i.index;
            out.push_back(a);
        }
        flagsOf[i.name] |= i.flags;
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
