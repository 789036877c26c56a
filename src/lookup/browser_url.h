// What the tools take from the browser's window information: the page's address, its host,
// and the address the Website Scanner starts from.
#pragma once

#include <optional>
#include <string>

namespace orv {

// The marker for "no usable page"; callers compare with it exactly.
inline constexpr const char* kNoBrowserPage = "XXX";

// The address in a window-information reply (the text between its first two double quotes);
// "XXX" when there is no reply, it names a local file (":///") or a blank page (any page of
// the browser's own: about:, chrome:), or it holds no double quote.
std::string UrlFromWindowInfo(const std::optional<std::string>& reply);

// The host of `url`: what follows the first "://" up to the next "/" (a port stays). A text
// without "://" loses its first two characters.
std::string HostOfUrl(const std::string& url);

// What follows the first "://" of `url`, path included (without "://": all but the first two
// characters).
std::string AddressOfUrl(const std::string& url);

}  // namespace orv
