// The "Local Infomation" page: its text layout from fixed records, lease times in two time zones,
// any number of adapters, and the page against the machine's own `ip -o addr`.
#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>

#include "app/local_info_report.h"
#include "app/page_localinfo.h"
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

// The machine's own view: every IPv4 address `ip -o addr` lists, except loopback's, stands in
// the adapters' memo under its adapter.
TEST(LocalInfoPage, ListsWhatIpAddrListsOnThisMachine) {
    QProcess ip;
    ip.start("ip", {"-o", "-4", "addr", "show"});
    if (!ip.waitForFinished(10000) || ip.exitStatus() != QProcess::NormalExit || ip.exitCode() != 0)
        GTEST_SKIP() << "no ip command here";
    test::ScriptedDialogs dialogs;
    test::PageContextFixture fx;
    TLocalInfoPage page(fx.context);
    const QString text = page.info2->toPlainText();
    const QStringList blocks = text.split("Adapter name: ");
    static const QRegularExpression line(R"(^\d+:\s+(\S+)\s+inet\s+([0-9.]+)/)");
    int seen = 0;
    for (const QString& row : QString::fromLocal8Bit(ip.readAllStandardOutput()).split('\n')) {
        QRegularExpressionMatch m = line.match(row);
        if (!m.hasMatch())
            continue;
        QString name = m.captured(1).section('@', 0, 0), address = m.captured(2);
        SCOPED_TRACE(row.toStdString());
        auto block = std::find_if(blocks.begin() + 1, blocks.end(),
                                  [&](const QString& b) { return b.startsWith(name + "\n"); });
        if (name == "lo") {
            EXPECT_EQ(block, blocks.end());
            continue;
        }
        ASSERT_NE(block, blocks.end());
        EXPECT_TRUE(block->contains("A: " + address + " M: "));
        ++seen;
    }
    EXPECT_EQ(blocks.size() - 1, text.count("\nAdapter "));
    RecordProperty("adapters_checked", seen);
    EXPECT_TRUE(dialogs.shown.empty());
}

}  // namespace
}  // namespace orv
