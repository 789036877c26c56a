// The "Local Infomation" page: its text layout from fixed records, lease times in two time zones,
// any number of adapters, and the page against `ip -o addr` in a network namespace it makes.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>

#include "app/local_info_report.h"
#include "app/page_localinfo.h"
#include "netns.h"
#include "page_context_fixture.h"
#include "scripted_dialogs.h"

namespace orv {
namespace {

const QLocale kUs(QLocale::English, QLocale::UnitedStates);
const QTimeZone kBerlin("Europe/Berlin");
const QTimeZone kNewYork("America/New_York");

constexpr std::int64_t kSummer = 1688212800;  // 2023-07-01 12:00:00 UTC
constexpr std::int64_t kWinter = 1673784000;  // 2023-01-15 12:00:00 UTC

net::NetworkParams Params() {
    net::NetworkParams p;
    p.hostName = "box";
    p.domainName = "lab.example";
    p.currentDnsServer = "127.0.0.53";
    p.dnsServers = {"127.0.0.53", "192.0.2.53"};
    p.enableRouting = 1;
    p.enableDns = 1;
    return p;
}

std::vector<net::AdapterInfo> Adapters() {
    net::AdapterInfo eth;
    eth.comboIndex = eth.index = 2;
    eth.name = "eth0";
    eth.description = "virtio_net";
    eth.hardwareAddress = {0x02, 0xfc, 0x00, 0x0a, 0xb0, 0x01};
    eth.type = 6;
    eth.dhcpEnabled = 1;
    eth.addresses = {{"192.0.2.2", "255.255.255.0"}, {"198.51.100.7", "255.255.255.128"}};
    eth.currentAddress = eth.addresses.front();
    eth.gateways = {{"192.0.2.1", "0.0.0.0"}};
    eth.dhcpServers = {{"192.0.2.254", ""}};
    eth.leaseObtained = kWinter;
    eth.leaseExpires = kSummer;
    net::AdapterInfo tun;
    tun.comboIndex = tun.index = 7;
    tun.name = "tun0";
    tun.type = 131;
    return {eth, tun};
}

TEST(LocalInfoReport, ParametersLayout) {
    EXPECT_EQ(NetworkParamsReport(Params()).join('\n'),
              "Host name: box\n"
              "Domain name: lab.example\n"
              "Current DNS Server: 127.0.0.53\n"
              "DNS 1: 127.0.0.53\n"
              "DNS 2: 192.0.2.53\n"
              "Scope ID: \n"
              "Routing: 1\n"
              "Proxy: 0\n"
              "DNS: 1");

    // Without servers: no current one, and the first DNS line still stands.
    net::NetworkParams none;
    EXPECT_EQ(NetworkParamsReport(none).mid(2, 2),
              (QStringList{"Current DNS Server: (none)", "DNS 1: "}));
}

TEST(LocalInfoReport, AdaptersLayout) {
    EXPECT_EQ(
        AdaptersReport(Adapters(), kBerlin, kUs).join('\n'),
        "\n"
        "Adapter 1\n"
        "  ComboIndex: 2\n"
        "  Adapter name: eth0\n"
        "  Description: virtio_net\n"
        "  Adapter address: 02-FC-00-0A-B0-01\n"
        "  Index: 2\n"
        "  Type: 6\n"
        "  DHCP: 1\n"
        "  Current IP: A: 192.0.2.2 M: 255.255.255.0\r\n"
        "  IP addresses: A: 192.0.2.2 M: 255.255.255.0\rA: 198.51.100.7 M: 255.255.255.128\r\n"
        "  Gateways: A: 192.0.2.1 M: 0.0.0.0\r\n"
        "  DHCP servers: A: 192.0.2.254 M: \r\n"
        "  Has WINS: 0\n"
        "  Primary WINS: A:  M: \r\n"
        "  Secondary WINS: A:  M: \r\n"
        "  Lease obtained: 1/15/23 1:00:00 PM Central European Standard Time\n"
        "  Lease expires: 7/1/23 2:00:00 PM Central European Summer Time\n"
        "\n"
        "Adapter 2\n"
        "  ComboIndex: 7\n"
        "  Adapter name: tun0\n"
        "  Description: \n"
        "  Adapter address: \n"
        "  Index: 7\n"
        "  Type: 131\n"
        "  DHCP: 0\n"
        "  Current IP: \n"
        "  IP addresses: A:  M: \r\n"
        "  Gateways: A:  M: \r\n"
        "  DHCP servers: A:  M: \r\n"
        "  Has WINS: 0\n"
        "  Primary WINS: A:  M: \r\n"
        "  Secondary WINS: A:  M: \r\n"
        "  Lease obtained: \n"
        "  Lease expires: ");
}

TEST(LocalInfoReport, LeaseTimesUseTheZoneAtTheLeaseInstant) {
    struct Case {
        const QTimeZone* zone;
        std::int64_t seconds;
        const char* text;
    };
    const Case cases[] = {
        {&kBerlin, kSummer, "7/1/23 2:00:00 PM Central European Summer Time"},
        {&kBerlin, kWinter, "1/15/23 1:00:00 PM Central European Standard Time"},
        {&kNewYork, kSummer, "7/1/23 8:00:00 AM Eastern Daylight Time"},
        {&kNewYork, kWinter, "1/15/23 7:00:00 AM Eastern Standard Time"},
        {&kNewYork, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(LeaseTimeToStr(c.seconds, *c.zone, kUs), c.text);
    }
}

// A zone the installed data lacks: the C library takes UTC, and so does the report, saying so.
TEST(LocalInfoReport, UnknownZoneIsUtc) {
    const QTimeZone bogus("Nowhere/Bogus");
    ASSERT_FALSE(bogus.isValid());
    EXPECT_EQ(LeaseTimeToStr(kSummer, bogus, kUs), "7/1/23 12:00:00 PM UTC");

    const QByteArray saved = qgetenv("TZ");
    const bool had = qEnvironmentVariableIsSet("TZ");
    qputenv("TZ", "Nowhere/Bogus");
    const QString text = LeaseTimeToStr(kWinter, QTimeZone::systemTimeZone(), kUs);
    had ? qputenv("TZ", saved) : qunsetenv("TZ");
    EXPECT_EQ(text, "1/15/23 12:00:00 PM UTC");
}

TEST(LocalInfoPage, ShowsAnyNumberOfAdaptersAndNoneWithoutABox) {
    test::ScriptedDialogs dialogs;
    test::PageContextFixture fx;
    TLocalInfoPage page(fx.context);
    EXPECT_TRUE(page.Info->Lines().value(0).startsWith("Host name: "));

    page.ShowReport(Params(), {});
    EXPECT_EQ(page.Info->Lines(), NetworkParamsReport(Params()));
    EXPECT_EQ(page.info2->LineCount(), 0);

    std::vector<net::AdapterInfo> twelve(12);
    page.ShowReport(Params(), twelve);
    EXPECT_EQ(page.info2->Lines().filter(QRegularExpression("^Adapter \\d+$")).size(), 12);
    EXPECT_EQ(page.info2->Lines().value(0), "");
    EXPECT_TRUE(dialogs.shown.empty());
}

// Set in the copy of this test that runs inside the namespace.
constexpr char kInNamespace[] = "ORVELAN_LOCAL_INFO_IN_NETNS";

// Inside the namespace: every IPv4 address `ip -o addr` lists, except loopback's, stands in the
// adapters' memo under its interface, with the link's facts the test gave it.
void CheckThePageAgainstIpAddr() {
    QProcess ip;
    ip.start("ip", {"-o", "-4", "addr", "show"});
    ASSERT_TRUE(ip.waitForFinished(10000) && ip.exitStatus() == QProcess::NormalExit &&
                ip.exitCode() == 0)
        << "ip addr failed";
    test::ScriptedDialogs dialogs;
    test::PageContextFixture fx;
    TLocalInfoPage page(fx.context);
    const QString text = page.info2->toPlainText();
    const QStringList blocks = text.split("Adapter name: ");
    auto blockOf = [&](const QString& name) {
        return std::find_if(blocks.begin() + 1, blocks.end(),
                            [&](const QString& b) { return b.startsWith(name + "\n"); });
    };
    static const QRegularExpression line(R"(^\d+:\s+(\S+)\s+inet\s+([0-9.]+)/)");
    int seen = 0;
    for (const QString& row : QString::fromLocal8Bit(ip.readAllStandardOutput()).split('\n')) {
        QRegularExpressionMatch m = line.match(row);
        if (!m.hasMatch())
            continue;
        QString name = m.captured(1).section('@', 0, 0), address = m.captured(2);
        SCOPED_TRACE(row.toStdString());
        if (name == "lo") {
            EXPECT_EQ(blockOf(name), blocks.end());
            continue;
        }
        ASSERT_NE(blockOf(name), blocks.end());
        EXPECT_TRUE(blockOf(name)->contains("A: " + address + " M: 255.255.255.0"));
        ++seen;
    }
    EXPECT_EQ(seen, 2) << "both addresses of vli0, the labelled one included\n"
                       << text.toStdString();
    // One block per link: vli0 and its peer, no made-up one for the label.
    EXPECT_EQ(blocks.size() - 1, 2) << text.toStdString();
    EXPECT_EQ(text.count("\nAdapter "), 2);
    ASSERT_NE(blockOf("vli0"), blocks.end());
    const QString& vli0 = *blockOf("vli0");
    EXPECT_TRUE(vli0.contains("  Adapter address: 02-4F-52-56-00-01\n")) << vli0.toStdString();
    EXPECT_TRUE(vli0.contains("  Type: 6\n"));
    EXPECT_TRUE(vli0.contains("  Current IP: A: 10.50.0.2 M: 255.255.255.0"));
    EXPECT_TRUE(vli0.contains("  Gateways: A: 10.50.0.1 M: 0.0.0.0")) << vli0.toStdString();
    EXPECT_NE(blockOf("vli1"), blocks.end());
    EXPECT_TRUE(dialogs.shown.empty());
}

// The page in a network namespace of its own, on a veth pair the test makes there (one end with
// a second, labelled address and a default route). The page is built by a copy of this test
// that `ip netns exec` starts, so sysfs, /proc/net and getifaddrs all see the namespace.
TEST(LocalInfoPage, ListsWhatIpAddrListsInANamespace) {
    if (qEnvironmentVariableIsSet(kInNamespace)) {
        CheckThePageAgainstIpAddr();
        return;
    }
    ORV_REQUIRE_ROOT();
    test::Netns ns("orv-localinfo");
    ASSERT_TRUE(ns.ok()) << "ip netns add failed";
    ASSERT_EQ(ns.Exec("ip link add vli0 type veth peer name vli1 && "
                      "ip link set vli0 address 02:4f:52:56:00:01 && "
                      "ip addr add 10.50.0.2/24 dev vli0 && "
                      "ip addr add 10.50.1.2/24 dev vli0 label vli0:1 && "
                      "ip link set vli0 up && ip link set vli1 up && "
                      "ip route add default via 10.50.0.1 dev vli0"),
              0);
    QProcess copy;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(kInNamespace, "1");
    copy.setProcessEnvironment(env);
    copy.setProcessChannelMode(QProcess::MergedChannels);
    copy.start("ip", {"netns", "exec", QString::fromStdString(ns.name()),
                      QCoreApplication::applicationFilePath(),
                      "--gtest_filter=LocalInfoPage.ListsWhatIpAddrListsInANamespace"});
    ASSERT_TRUE(copy.waitForFinished(120000)) << "the copy in the namespace did not end";
    const std::string output = copy.readAll().toStdString();
    EXPECT_EQ(copy.exitStatus(), QProcess::NormalExit) << output;
    EXPECT_EQ(copy.exitCode(), 0) << output;
    EXPECT_NE(output.find("[  PASSED  ] 1 test."), std::string::npos) << output;
}

}  // namespace
}  // namespace orv
