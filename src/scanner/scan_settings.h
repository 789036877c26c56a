// The scanner's shared enumerations and the settings every download of a scan goes out with.
#pragma once

#include <cstdint>
#include <string>

namespace orv::scan {

enum TLinkScan { scanAllLinks, scanInitialSite, scanInitialPath };
enum TLinkReport { reportAllLinks, reportCurrentSiteLinks, reportCurrentPathLinks };
enum TProxyType { PROXY_DIRECT, PROXY_USEPROXY, PROXY_DEFAULT };

// How an address came into the download queue: the page marker of the attribute it was found
// in (the same numbers as the marker codes), or one of the other ways. Carried, not read.
enum class TLinkCode : std::uint8_t {
    None = 0,  // a retry, or a site's robots.txt
    Href = 4,
    Value = 5,
    Src = 6,
    Base = 7,
    Start = 32,    // the start address
    Refresh = 72,  // the target of a meta refresh
};

inline constexpr const char* kDefaultAgent =
    "Mozilla/4.0 (compatible; MSIE 5.0; Windows NT; DigExt)";

// Pages larger than this are not downloaded: the address fails with an error.
inline constexpr long long kDefaultMaxPageSize = 4LL << 20;

// Who the scanner says it is and how it reaches the web. The crawler holds the one set; the
// download manager and its slots read it through a const reference, and each fetch thread
// takes a copy when it starts (it may outlive the crawler).
struct FetchSettings {
    std::string agent = kDefaultAgent;
    std::string userName, password;  // sent after a 401
    TProxyType proxyType = PROXY_DEFAULT;
    std::string proxyAddress;
    int proxyPort = 80;
    std::string proxyUser, proxyPassword;  // sent after a 407
};

}  // namespace orv::scan
