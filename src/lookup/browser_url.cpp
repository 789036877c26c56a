#include "lookup/browser_url.h"

#include <algorithm>

#include "common/ascii.h"

namespace orv {

std::string UrlFromWindowInfo(const std::optional<std::string>& reply) {
    if (!reply)
        return kNoBrowserPage;
    const std::string& r = *reply;
    if (r.find(":///") != std::string::npos || r.find("about:blank") != std::string::npos ||
        r.find('"') == std::string::npos)
        return kNoBrowserPage;
    // From the second character up to the quote that follows it. A reply whose only quote is
    // its first character gives an empty address.
    if (r.size() < 3)
        return "";
    const std::size_t q = r.find('"', 2);
    const std::size_t length = q == std::string::npos ? 0 : q - 1;
    std::string url = r.substr(1, length);
    // Every page of the browser's own (a new tab, its home and welcome pages; Chromium calls
    // them chrome:) is as blank as about:blank.
    if (ascii::StartsWithNoCase(url, "about:") || ascii::StartsWithNoCase(url, "chrome:"))
        return kNoBrowserPage;
    return url;
}

std::string AddressOfUrl(const std::string& url) {
    const std::size_t p = url.find("://");
    return p == std::string::npos ? url.substr(std::min<std::size_t>(2, url.size()))
                                  : url.substr(p + 3);
}

std::string HostOfUrl(const std::string& url) {
    const std::string rest = AddressOfUrl(url);
    return rest.substr(0, rest.find('/'));
}

}  // namespace orv
