// The network set-up provider on fixture trees: resolv.conf variants, adapters from the
// interface list with sysfs, route and lease files beside them.
#include "platform/netinfo.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>

namespace orv::net {
namespace {

namespace fs = std::filesystem;

// A root directory that stands for "/", removed at the end.
class FixtureRoot {
  public:
    FixtureRoot() {
        std::random_device rd;
        path_ = fs::temp_directory_path() / ("orvelan-netinfo-" + std::to_string(rd()));
        fs::create_directories(path_);
    }
    ~FixtureRoot() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    FixtureRoot(const FixtureRoot&) = delete;
    FixtureRoot& operator=(const FixtureRoot&) = delete;

    std::string Root() const { return path_.string(); }

    void Write(const std::string& relative, const std::string& text) const {
        fs::path p = path_ / relative;
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << text;
    }

    // A sysfs link directory as the kernel fills it.
    void Link(const std::string& name, int index, int type, const std::string& mac) const {
        std::string dir = "sys/class/net/" + name + "/";
        Write(dir + "ifindex", std::to_string(index) + "\n");
        Write(dir + "type", std::to_string(type) + "\n");
        Write(dir + "address", mac + "\n");
        int length = mac.empty() ? 0 : static_cast<int>((mac.size() + 1) / 3);
        Write(dir + "addr_len", std::to_string(length) + "\n");
    }

    void SetModified(const std::string& relative, std::int64_t seconds) const {
        fs::last_write_time(
            path_ / relative,
            fs::file_time_type::clock::from_sys(
                std::chrono::system_clock::time_point(std::chrono::seconds(seconds))));
    }

  private:
    fs::path path_;
};

struct ResolvCase {
    const char* name;
    const char* resolvConf;
    const char* upstream;  // /run/systemd/resolve/resolv.conf, nullptr for none
    std::vector<std::string> servers;
    std::optional<std::string> current;
    const char* domain;
};

const ResolvCase kResolv[] = {
    {"plain servers in order",
     "# comment\nnameserver 10.0.0.1\nnameserver 10.0.0.2\n",
     nullptr,
     {"10.0.0.1", "10.0.0.2"},
     "10.0.0.1",
     ""},
    {"search domain",
     "search corp.example other.example\nnameserver 10.0.0.1\n",
     nullptr,
     {"10.0.0.1"},
     "10.0.0.1",
     "corp.example"},
    {"last of domain and search wins",
     "domain a.example\nsearch b.example\nnameserver 1.1.1.1\n",
     nullptr,
     {"1.1.1.1"},
     "1.1.1.1",
     "b.example"},
    {"search dot is no domain",
     "nameserver 127.0.0.53\nsearch .\n",
     nullptr,
     {"127.0.0.53"},
     "127.0.0.53",
     ""},
    {"stub with its upstream servers",
     "nameserver 127.0.0.53\noptions edns0\n",
     "nameserver 192.0.2.53\nnameserver 198.51.100.53\nnameserver 127.0.0.53\n",
     {"127.0.0.53", "192.0.2.53", "198.51.100.53"},
     "127.0.0.53",
     ""},
    {"stub without a readable upstream",
     "nameserver 127.0.0.53\n",
     nullptr,
     {"127.0.0.53"},
     "127.0.0.53",
     ""},
    {"a real server beside a stub needs no upstream",
     "nameserver 127.0.0.53\nnameserver 10.1.1.1\n",
     "nameserver 192.0.2.53\n",
     {"127.0.0.53", "10.1.1.1"},
     "127.0.0.53",
     ""},
    {"IPv6 server", "nameserver 2001:db8::53\n", nullptr, {"2001:db8::53"}, "2001:db8::53", ""},
    {"no servers", "; nothing here\n", nullptr, {}, std::nullopt, ""},
};

TEST(NetworkParams, DnsServersAndDomainFromResolvConf) {
    for (const ResolvCase& c : kResolv) {
        SCOPED_TRACE(c.name);
        FixtureRoot root;
        root.Write("etc/resolv.conf", c.resolvConf);
        if (c.upstream)
            root.Write("run/systemd/resolve/resolv.conf", c.upstream);
        NetworkParams p = ReadNetworkParams(root.Root());
        EXPECT_EQ(p.dnsServers, c.servers);
        EXPECT_EQ(p.currentDnsServer, c.current);
        EXPECT_EQ(p.domainName, c.domain);
    }
}

TEST(NetworkParams, NumbersAreDecimal) {
    FixtureRoot root;
    for (const char* value : {"010", "0x1", "1x", "", "99999999999"}) {
        SCOPED_TRACE(value);
        root.Write("proc/sys/net/ipv4/ip_forward", std::string(value) + "\n");
        EXPECT_EQ(ReadNetworkParams(root.Root()).enableRouting,
                  value == std::string("010") ? 10 : 0);
    }
}

TEST(NetworkParams, HostNameRoutingProxyAndDnsUse) {
    FixtureRoot root;
    root.Write("proc/sys/kernel/hostname", "box.lab.example\n");
    root.Write("etc/resolv.conf", "search other.example\n");
    root.Write("proc/sys/net/ipv4/ip_forward", "1\n");
    root.Write("proc/sys/net/ipv4/conf/all/proxy_arp", "0\n");
    root.Write("etc/nsswitch.conf", "passwd: files\nhosts:          files myhostname\n");
    NetworkParams p = ReadNetworkParams(root.Root());
    EXPECT_EQ(p.hostName, "box.lab.example");
    EXPECT_EQ(p.domainName, "lab.example");  // the host's own domain comes first
    EXPECT_EQ(p.enableRouting, 1);
    EXPECT_EQ(p.enableProxy, 0);
    EXPECT_EQ(p.enableDns, 0);

    root.Write("etc/nsswitch.conf", "hosts: files dns # comment\n");
    EXPECT_EQ(ReadNetworkParams(root.Root()).enableDns, 1);
}

// The domain as `hostname -d` gives it: the host's canonical name in the hosts file first.
TEST(NetworkParams, DomainOfTheCanonicalName) {
    struct Case {
        const char* name;
        const char* hostName;
        const char* hosts;     // nullptr: no hosts file
        const char* nsswitch;  // nullptr: none
        const char* domain;
    } cases[] = {
        {"usual install", "box", "127.0.0.1 localhost\n127.0.1.1\tbox.lab.example box\n", nullptr,
         "lab.example"},
        {"names match without case", "Box", "127.0.1.1 box.lab.example BOX\n", nullptr,
         "lab.example"},
        {"first line naming the host", "box",
         "# 10.0.0.1 box.commented.example box\n10.0.0.2 box.first.example box # x\n"
         "10.0.0.3 box.second.example box\n",
         nullptr, "first.example"},
        {"canonical name without a domain", "box", "127.0.1.1 box box.lab.example\n", nullptr, ""},
        {"full host name listed", "box.lab.example", "127.0.1.1 box.lab.example box\n", nullptr,
         "lab.example"},
        {"not in the hosts file", "box", "127.0.0.1 localhost\n", nullptr, "search.example"},
        {"no hosts file", "box", nullptr, nullptr, "search.example"},
        {"hosts file not used", "box", "127.0.1.1 box.lab.example box\n", "hosts: dns\n",
         "search.example"},
        {"the canonical name, not the alias", "box.lab.example",
         "127.0.1.1 www.other.example box.lab.example\n", nullptr, "other.example"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FixtureRoot root;
        root.Write("proc/sys/kernel/hostname", std::string(c.hostName) + "\n");
        root.Write("etc/resolv.conf", "search search.example\nnameserver 10.0.0.1\n");
        if (c.hosts)
            root.Write("etc/hosts", c.hosts);
        if (c.nsswitch)
            root.Write("etc/nsswitch.conf", c.nsswitch);
        EXPECT_EQ(ReadNetworkParams(root.Root()).domainName, c.domain);
    }
}

TEST(NetworkParams, EmptyRootGivesEmptyFacts) {
    FixtureRoot root;
    NetworkParams p = ReadNetworkParams(root.Root());
    EXPECT_EQ(p.hostName, "");
    EXPECT_TRUE(p.dnsServers.empty());
    EXPECT_FALSE(p.currentDnsServer);
    EXPECT_EQ(p.enableRouting, 0);
    EXPECT_EQ(p.enableDns, 1);  // without nsswitch.conf the C library asks DNS
}

constexpr unsigned kUp = 0x1;
constexpr unsigned kLoopback = 0x8;

TEST(Adapters, NoInterfacesOrOnlyLoopbackGiveAnEmptyList) {
    FixtureRoot root;
    EXPECT_TRUE(ReadAdapters({}, root.Root()).empty());
    root.Link("lo", 1, 772, "00:00:00:00:00:00");
    EXPECT_TRUE(
        ReadAdapters({{"lo", kUp | kLoopback, 1, "127.0.0.1", "255.0.0.0"}}, root.Root()).empty());
}

TEST(Adapters, EveryInterfaceIsListedInIndexOrder) {
    // More adapters than a fixed-size table of records would hold.
    FixtureRoot root;
    std::vector<InterfaceAddress> interfaces{{"lo", kUp | kLoopback, 1, "127.0.0.1", "255.0.0.0"}};
    for (int i = 14; i >= 2; --i) {
        std::string name = "veth" + std::to_string(i);
        root.Link(name, i, 1, "02:00:00:00:00:" + std::to_string(10 + i));
        interfaces.push_back({name, kUp, 0, "10.0." + std::to_string(i) + ".1", "255.255.255.0"});
    }
    std::vector<AdapterInfo> list = ReadAdapters(interfaces, root.Root());
    ASSERT_EQ(list.size(), 13u);
    for (std::size_t k = 0; k < list.size(); ++k) {
        int i = static_cast<int>(k) + 2;
        SCOPED_TRACE(i);
        EXPECT_EQ(list[k].name, "veth" + std::to_string(i));
        EXPECT_EQ(list[k].index, i);  // from sysfs, as the list gave none
        EXPECT_EQ(list[k].comboIndex, i);
        EXPECT_EQ(list[k].type, 6);
        ASSERT_EQ(list[k].addresses.size(), 1u);
        EXPECT_EQ(list[k].addresses[0].address, "10.0." + std::to_string(i) + ".1");
    }
}

TEST(Adapters, LinkFactsAddressesAndGateways) {
    FixtureRoot root;
    root.Link("eth0", 2, 1, "02:fc:00:00:00:01");
    root.Write("sys/class/net/eth0/uevent", "DEVTYPE=whatever\nINTERFACE=eth0\n");
    fs::create_directories(root.Root() + "/drivers/virtio_net");
    fs::create_directories(root.Root() + "/sys/class/net/eth0/device");
    fs::create_directory_symlink(root.Root() + "/drivers/virtio_net",
                                 root.Root() + "/sys/class/net/eth0/device/driver");
    root.Link("wlan0", 3, 1, "aa:bb:cc:dd:ee:ff");
    root.Write("sys/class/net/wlan0/ifalias", "Office radio\n");
    fs::create_directories(root.Root() + "/sys/class/net/wlan0/wireless");
    root.Link("tun0", 4, 65534, "");  // a link without a hardware address
    root.Write("sys/class/net/tun0/uevent", "DEVTYPE=tun\n");
    root.Write(
        "proc/net/route",
        "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
        "eth0\t00000000\t010200C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n"
        "eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n"
        "eth0\t00000000\t020200C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
        "wlan0\t00000000\t0101A8C0\t0001\t0\t0\t0\t00000000\t0\t0\t0\n");
    std::vector<InterfaceAddress> interfaces{
        {"eth0", kUp, 0, "", ""},
        {"wlan0", kUp, 0, "", ""},
        {"tun0", kUp, 0, "", ""},
        {"eth0", kUp, 0, "192.0.2.2", "255.255.255.0"},
        {"eth0", kUp, 0, "198.51.100.7", "255.255.255.128"},
    };
    std::vector<AdapterInfo> list = ReadAdapters(interfaces, root.Root());
    ASSERT_EQ(list.size(), 3u);

    const AdapterInfo& eth = list[0];
    EXPECT_EQ(eth.name, "eth0");
    EXPECT_EQ(eth.description, "virtio_net");
    EXPECT_EQ(eth.hardwareAddress, (std::vector<std::uint8_t>{0x02, 0xfc, 0, 0, 0, 1}));
    EXPECT_EQ(eth.type, 6);
    EXPECT_EQ(eth.addresses, (std::vector<AddressEntry>{{"192.0.2.2", "255.255.255.0"},
                                                        {"198.51.100.7", "255.255.255.128"}}));
    ASSERT_TRUE(eth.currentAddress);
    EXPECT_EQ(eth.currentAddress->address, "192.0.2.2");
    EXPECT_EQ(eth.gateways,
              (std::vector<AddressEntry>{{"192.0.2.1", "0.0.0.0"}, {"192.0.2.2", "0.0.0.0"}}));
    EXPECT_EQ(eth.dhcpEnabled, 0);
    EXPECT_EQ(eth.leaseObtained, 0);

    const AdapterInfo& wlan = list[1];
    EXPECT_EQ(wlan.description, "Office radio");
    EXPECT_EQ(wlan.type, 71);
    EXPECT_TRUE(wlan.gateways.empty());  // a route without the gateway flag
    EXPECT_TRUE(wlan.addresses.empty());
    EXPECT_FALSE(wlan.currentAddress);

    const AdapterInfo& tun = list[2];
    EXPECT_TRUE(tun.hardwareAddress.empty());
    EXPECT_EQ(tun.description, "tun");
    EXPECT_EQ(tun.type, 131);
}

TEST(Adapters, DhcpFactsFromLeaseFiles) {
    FixtureRoot root;
    root.Link("eth0", 2, 1, "02:00:00:00:00:02");
    root.Link("eth1", 3, 1, "02:00:00:00:00:03");
    root.Link("eth2", 4, 1, "02:00:00:00:00:04");
    root.Link("eth3", 5, 1, "02:00:00:00:00:05");
    // dhclient: an older lease, then the current one; times are UTC.
    root.Write("var/lib/dhcp/dhclient.leases",
               "lease {\n  interface \"eth0\";\n  fixed-address 10.0.0.9;\n"
               "  option dhcp-server-identifier 10.0.0.254;\n  expire 0 2023/01/01 00:00:00;\n}\n"
               "lease {\n  interface \"eth0\";\n  fixed-address 10.0.0.5;\n"
               "  option dhcp-lease-time 86400;\n  option dhcp-server-identifier 10.0.0.1;\n"
               "  renew 6 2023/07/01 18:00:00;\n  expire 0 2023/07/02 12:00:00;\n}\n");
    // systemd-networkd names the lease by the interface index; the file time is when it came.
    root.Write("run/systemd/netif/leases/3",
               "# This is private data. Do not parse.\nADDRESS=10.1.0.5\nNETMASK=255.255.255.0\n"
               "SERVER_ADDRESS=10.1.0.1\nLIFETIME=3600\n");
    root.SetModified("run/systemd/netif/leases/3", 1700000000);
    // NetworkManager's own client, named after the interface.
    root.Write("var/lib/NetworkManager/internal-0a1b2c3d-0000-4000-8000-00000000e2e2-eth2.lease",
               "ADDRESS=10.2.0.5\n");
    // A lease for an address eth3 no longer has.
    root.Write("var/lib/NetworkManager/dhclient-0c2d0c2d-1111-4111-8111-0000000000e3-eth3.lease",
               "lease {\n  interface \"eth3\";\n  fixed-address 10.3.0.5;\n"
               "  expire epoch 1700000000; # Tue Nov 14 22:13:20 2023\n}\n");
    std::vector<InterfaceAddress> interfaces{
        {"eth0", kUp, 0, "10.0.0.5", "255.255.255.0"},
        {"eth1", kUp, 0, "10.1.0.5", "255.255.255.0"},
        {"eth2", kUp, 0, "10.2.0.5", "255.255.255.0"},
        {"eth3", kUp, 0, "10.3.0.6", "255.255.255.0"},
    };
    std::vector<AdapterInfo> list = ReadAdapters(interfaces, root.Root());
    ASSERT_EQ(list.size(), 4u);

    EXPECT_EQ(list[0].dhcpEnabled, 1);
    EXPECT_EQ(list[0].dhcpServers, (std::vector<AddressEntry>{{"10.0.0.1", ""}}));
    EXPECT_EQ(list[0].leaseExpires, 1688299200);           // 2023-07-02 12:00:00 UTC
    EXPECT_EQ(list[0].leaseObtained, 1688299200 - 86400);  // expiry less the lease time

    EXPECT_EQ(list[1].dhcpEnabled, 1);
    EXPECT_EQ(list[1].dhcpServers, (std::vector<AddressEntry>{{"10.1.0.1", ""}}));
    EXPECT_EQ(list[1].leaseObtained, 1700000000);
    EXPECT_EQ(list[1].leaseExpires, 1700003600);

    EXPECT_EQ(list[2].dhcpEnabled, 1);
    EXPECT_TRUE(list[2].dhcpServers.empty());
    EXPECT_EQ(list[2].leaseObtained, 0);

    EXPECT_EQ(list[3].dhcpEnabled, 0);
    EXPECT_EQ(list[3].leaseExpires, 0);
}

// NetworkManager names a lease file after the connection's UUID and the interface; interface
// names hold "-" and "." themselves ("br-lan", "vlan.10").
TEST(Adapters, LeaseFileNamesGiveTheWholeInterfaceName) {
    const char* const kUuid = "5f3b1c9e-2a7d-4e88-9b1f-0c6d2e4a7f10";
    const std::string files[] = {
        std::string("var/lib/NetworkManager/internal-") + kUuid + "-br-lan.lease",
        std::string("var/lib/NetworkManager/dhclient-") + kUuid + "-br-lan.lease",
        "var/lib/dhcp/dhclient.br-lan.leases",
        "var/lib/dhcp/dhclient-br-lan.leases",
    };
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        FixtureRoot root;
        root.Link("lan", 2, 1, "02:00:00:00:00:02");
        root.Link("br-lan", 3, 1, "02:00:00:00:00:03");
        if (file.find("internal-") != std::string::npos)
            root.Write(file, "ADDRESS=10.9.0.5\nSERVER_ADDRESS=10.9.0.1\n");
        else
            root.Write(
                file,
                "lease {\n  fixed-address 10.9.0.5;\n"
                "  option dhcp-server-identifier 10.9.0.1;\n  expire epoch 1700000000;\n}\n");
        std::vector<AdapterInfo> list =
            ReadAdapters({{"lan", kUp, 2, "10.9.0.5", "255.255.255.0"},
                          {"br-lan", kUp, 3, "10.9.0.5", "255.255.0.0"}},
                         root.Root());
        ASSERT_EQ(list.size(), 2u);
        EXPECT_EQ(list[0].dhcpEnabled, 0) << "lan";
        EXPECT_EQ(list[1].dhcpEnabled, 1) << "br-lan";
        EXPECT_EQ(list[1].dhcpServers, (std::vector<AddressEntry>{{"10.9.0.1", ""}}));
    }
}

// Times and lengths in lease files: decimal, and a value out of range is no time (never an
// overflow).
TEST(Adapters, LeaseNumbersOutOfRangeAreNoTime) {
    struct Case {
        const char* name;
        const char* lines;  // inside the lease block
        std::int64_t obtained;
        std::int64_t expires;
    } cases[] = {
        {"epoch", "expire epoch 1700000000;", 0, 1700000000},
        {"with lease time", "option dhcp-lease-time 600;\nexpire epoch 1700000000;", 1699999400,
         1700000000},
        {"leading zero is decimal", "option dhcp-lease-time 0600;\nexpire epoch 01700000000;",
         1699999400, 1700000000},
        {"far below range", "option dhcp-lease-time 600;\nexpire epoch -9999999999999999999;", 0,
         0},
        {"far above range", "expire epoch 99999999999999999999;", 0, 0},
        {"largest number", "option dhcp-lease-time 600;\nexpire epoch 9223372036854775807;", 0, 0},
        {"negative", "option dhcp-lease-time 600;\nexpire epoch -5;", 0, 0},
        {"lease time out of range",
         "option dhcp-lease-time -9223372036854775807;\nexpire epoch 1700000000;", 0, 1700000000},
        {"lease time longer than the epoch",
         "option dhcp-lease-time 4294967295;\nexpire epoch 1000;", 0, 1000},
        {"hex is no number", "expire epoch 0x10;", 0, 0},
        {"date", "expire 3 2023/11/14 22:13:20;", 0, 1700000000},
        {"date out of range", "expire 3 2023/13/14 22:13:20;", 0, 0},
        {"huge year", "expire 3 99999999999/11/14 22:13:20;", 0, 0},
        {"date with junk", "expire 3 2023/11/14x 22:13:20;", 0, 0},
        {"never", "expire never;", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FixtureRoot root;
        root.Link("eth0", 2, 1, "02:00:00:00:00:02");
        root.Write("var/lib/dhcp/dhclient.eth0.leases",
                   std::string("lease {\n  fixed-address 10.0.0.5;\n") + c.lines + "\n}\n");
        std::vector<AdapterInfo> list =
            ReadAdapters({{"eth0", kUp, 2, "10.0.0.5", "255.255.255.0"}}, root.Root());
        ASSERT_EQ(list.size(), 1u);
        EXPECT_EQ(list[0].dhcpEnabled, 1);
        EXPECT_EQ(list[0].leaseObtained, c.obtained);
        EXPECT_EQ(list[0].leaseExpires, c.expires);
    }
    // A key=value lease whose file time plus its lifetime leaves the range.
    FixtureRoot root;
    root.Link("eth0", 2, 1, "02:00:00:00:00:02");
    root.Write("run/systemd/netif/leases/2", "ADDRESS=10.0.0.5\nLIFETIME=99999999999999999999\n");
    root.SetModified("run/systemd/netif/leases/2", 1700000000);
    std::vector<AdapterInfo> list =
        ReadAdapters({{"eth0", kUp, 2, "10.0.0.5", "255.255.255.0"}}, root.Root());
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].leaseExpires, 0);
}

// A lease file is read up to a bound; one beyond it is not read at all.
TEST(Adapters, AnOversizedLeaseFileIsNotRead) {
    FixtureRoot root;
    root.Link("eth0", 2, 1, "02:00:00:00:00:02");
    const std::string lease = "lease {\n  fixed-address 10.0.0.5;\n  expire epoch 1700000000;\n}\n";
    root.Write("var/lib/dhcp/dhclient.eth0.leases", lease + std::string(5u << 20, '\n'));
    const std::vector<InterfaceAddress> eth0{{"eth0", kUp, 2, "10.0.0.5", "255.255.255.0"}};
    EXPECT_EQ(ReadAdapters(eth0, root.Root()).at(0).dhcpEnabled, 0);
    root.Write("var/lib/dhcp/dhclient.eth0.leases", lease);
    EXPECT_EQ(ReadAdapters(eth0, root.Root()).at(0).dhcpEnabled, 1);
}

// getifaddrs names an address with a label ("ip addr add ... label vlab:1") by its label: the
// address still belongs to its interface.
TEST(Adapters, LabelledAddressesBelongToTheirInterface) {
    FixtureRoot root;
    root.Link("vlab", 5, 1, "02:00:00:00:00:05");
    root.Write(
        "proc/net/route",
        "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
        "vlab\t00000000\t0100320A\t0003\t0\t0\t0\t00000000\t0\t0\t0\n");
    std::vector<AdapterInfo> list =
        ReadAdapters({{"vlab", kUp, 5, "", ""},
                      {"vlab", kUp, 5, "10.50.0.2", "255.255.255.0"},
                      {"vlab:1", kUp, 5, "10.50.1.2", "255.255.255.0"},
                      {"vlab:web", kUp, 0, "10.50.2.2", "255.255.255.0"}},
                     root.Root());
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].name, "vlab");
    EXPECT_EQ(list[0].index, 5);
    EXPECT_EQ(list[0].hardwareAddress.size(), 6u);
    EXPECT_EQ(list[0].addresses, (std::vector<AddressEntry>{{"10.50.0.2", "255.255.255.0"},
                                                            {"10.50.1.2", "255.255.255.0"},
                                                            {"10.50.2.2", "255.255.255.0"}}));
    EXPECT_EQ(list[0].gateways, (std::vector<AddressEntry>{{"10.50.0.1", "0.0.0.0"}}));
}

TEST(Adapters, TheMachineListsItsInterfaces) {
    int error = 0;
    auto interfaces = SystemInterfaceAddresses(&error);
    ASSERT_TRUE(interfaces) << error;
    for (const AdapterInfo& a : ReadAdapters(*interfaces))
        EXPECT_NE(a.name, "lo");
}

}  // namespace
}  // namespace orv::net
