#include "app/local_info_report.h"

#include <QDateTime>

#include "controls/datetime.h"

namespace orv {

namespace {

QString Text(const std::string& s) {
    return QString::fromStdString(s);
}

// The address lists of an adapter always hold a first entry, blank when the list is empty.
QString ListToStr(const std::vector<net::AddressEntry>& entries) {
    return IPAddrStringToStr(entries.empty() ? std::vector<net::AddressEntry>(1) : entries);
}

}  // namespace

QString AdapterAddressToStr(const std::vector<std::uint8_t>& bytes) {
    QStringList parts;
    for (std::uint8_t b : bytes)
        parts << QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
    return parts.join(u'-');
}

QString IPAddrStringToStr(const std::vector<net::AddressEntry>& entries) {
    QString out;
    for (const net::AddressEntry& e : entries)
        out += "A: " + Text(e.address) + " M: " + Text(e.mask) + u'\r';
    return out;
}

QString LeaseTimeToStr(std::int64_t seconds, const QTimeZone& zone, const QLocale& locale) {
    if (seconds == 0)
        return {};
    // A zone the installed data lacks (TZ=Nowhere/Bogus) is UTC, as the C library takes it.
    const QTimeZone shown = zone.isValid() ? zone : QTimeZone::utc();
    // The zone's offset and name at the lease's own instant, not today's.
    QDateTime local = QDateTime::fromSecsSinceEpoch(seconds, shown);
    return ui::DateTimeToStr(local, locale) + u' ' +
           shown.displayName(local, QTimeZone::LongName, locale);
}

QStringList NetworkParamsReport(const net::NetworkParams& p) {
    QStringList lines;
    lines << "Host name: " + Text(p.hostName);
    lines << "Domain name: " + Text(p.domainName);
    lines << (p.currentDnsServer ? "Current DNS Server: " + Text(*p.currentDnsServer)
                                 : QStringLiteral("Current DNS Server: (none)"));
    // The first line stands even when no server is known.
    std::size_t count = std::max<std::size_t>(p.dnsServers.size(), 1);
    for (std::size_t n = 1; n <= count; ++n)
        lines << "DNS " + QString::number(n) + ": " +
                     (n <= p.dnsServers.size() ? Text(p.dnsServers[n - 1]) : QString());
    lines << "Scope ID: " + Text(p.scopeId);
    lines << "Routing: " + QString::number(p.enableRouting);
    lines << "Proxy: " + QString::number(p.enableProxy);
    lines << "DNS: " + QString::number(p.enableDns);
    return lines;
}

QStringList AdaptersReport(const std::vector<net::AdapterInfo>& adapters, const QTimeZone& zone,
                           const QLocale& locale) {
    QStringList lines;
    int n = 0;
    for (const net::AdapterInfo& a : adapters) {
        lines << QString();
        lines << "Adapter " + QString::number(++n);
        lines << "  ComboIndex: " + QString::number(a.comboIndex);
        lines << "  Adapter name: " + Text(a.name);
        lines << "  Description: " + Text(a.description);
        lines << "  Adapter address: " + AdapterAddressToStr(a.hardwareAddress);
        lines << "  Index: " + QString::number(a.index);
        lines << "  Type: " + QString::number(a.type);
        lines << "  DHCP: " + QString::number(a.dhcpEnabled);
        lines << "  Current IP: " +
                     (a.currentAddress ? IPAddrStringToStr({*a.currentAddress}) : QString());
        lines << "  IP addresses: " + ListToStr(a.addresses);
        lines << "  Gateways: " + ListToStr(a.gateways);
        lines << "  DHCP servers: " + ListToStr(a.dhcpServers);
        lines << "  Has WINS: " + QString::number(a.hasWins);
        lines << "  Primary WINS: " + IPAddrStringToStr({a.primaryWins});
        lines << "  Secondary WINS: " + IPAddrStringToStr({a.secondaryWins});
        lines << "  Lease obtained: " + LeaseTimeToStr(a.leaseObtained, zone, locale);
        lines << "  Lease expires: " + LeaseTimeToStr(a.leaseExpires, zone, locale);
    }
    return lines;
}

}  // namespace orv
