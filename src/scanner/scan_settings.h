// The scanner's shared enumerations.
#pragma once

namespace orv::scan {

enum TLinkScan { scanAllLinks, scanInitialSite, scanInitialPath };
enum TLinkReport { reportAllLinks, reportCurrentSiteLinks, reportCurrentPathLinks };
enum TProxyType { PROXY_DIRECT, PROXY_USEPROXY, PROXY_DEFAULT };

inline constexpr const char* kDefaultAgent =
    "Mozilla/4.0 (compatible; MSIE 5.0; Windows NT; DigExt)";

// Pages larger than this are not downloaded: the address fails with an error.
inline constexpr long long kDefaultMaxPageSize = 4LL << 20;

}  // namespace orv::scan
