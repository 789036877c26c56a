// The text of the "Local Infomation" page: the global IP parameters, then one block per adapter.
// Pure text from the records of platform/netinfo.h; no widgets.
#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>
#include <QTimeZone>
#include <cstdint>
#include <vector>

#include "platform/netinfo.h"

namespace orv {

// Each byte as two upper-case hex digits, joined by "-"; no bytes give "".
QString AdapterAddressToStr(const std::vector<std::uint8_t>& bytes);

// "A: <address> M: <mask>" and a bare CR for each entry, all in one text.
QString IPAddrStringToStr(const std::vector<net::AddressEntry>& entries);

// The local date and time of the lease instant (seconds since 1970, UTC) in the short date and
// long time formats, a blank and the zone's name, both as `zone` has them at that instant; 0
// gives "". An invalid zone (one the time-zone data lacks) is UTC.
QString LeaseTimeToStr(std::int64_t seconds, const QTimeZone& zone = QTimeZone::systemTimeZone(),
                       const QLocale& locale = QLocale());

// The lines of the global parameters' memo.
QStringList NetworkParamsReport(const net::NetworkParams& params);

// The lines of the adapters' memo: for every adapter an empty line and its block.
QStringList AdaptersReport(const std::vector<net::AdapterInfo>& adapters,
                           const QTimeZone& zone = QTimeZone::systemTimeZone(),
                           const QLocale& locale = QLocale());

}  // namespace orv
