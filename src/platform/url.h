// Web addresses split into their parts and relative references resolved (RFC 3986), in the
// shape the scanner was written against: the parts come back percent-decoded for display and
// comparison, while the raw parts are kept so that a request goes out correctly encoded.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orv::net {

struct UrlParts {
    std::string scheme;  // as written ("http", "HTTPS", "mailto")
    std::string host;    // empty for addresses without an authority ("mailto:x@y")
    std::string user;    // user information, decoded
    std::string password;
    std::string path;        // decoded, "/dir/file.htm"; empty when the address has none
    std::string extra;       // decoded query and fragment, with their "?" / "#"
    std::uint16_t port = 0;  // as written, else the scheme's default (80, 443, 21), else 0
    bool portGiven = false;
    // The same parts exactly as written (no decoding), for requests.
    std::string rawHost;
    std::string rawPath;
    std::string rawQuery;  // "?..." up to the fragment, or empty
};

// The port a scheme uses when an address names none (80 for http, 443 for https, 21 for ftp,
// 70 for gopher; any case), or 0 for other schemes.
std::uint16_t DefaultPort(std::string_view scheme);

// Longest component the splitter accepts; a longer one makes the split fail.
inline constexpr std::size_t kMaxUrlComponent = 1023;

// Splits an absolute address. Fails (and leaves `out` unchanged) when the text has no scheme,
// when a web address (http, https, ftp) has no "//" authority or an empty or malformed host,
// when the port is not a number from 0 to 65535, when a component is longer than
// kMaxUrlComponent, or when the text holds control characters.
bool CrackUrl(std::string_view url, UrlParts& out);

// Resolves `reference` against the absolute address `base` (RFC 3986, section 5.2), without
// encoding anything. Fails when `base` has no scheme.
bool CombineUrl(std::string_view base, std::string_view reference, std::string& out);

// Decodes every "%hh"; malformed escapes stay as written.
std::string PercentDecode(std::string_view text);

// Percent-encodes what may not appear raw in a request target (blanks, controls, bytes above
// 0x7E, quotes, angle brackets and the like, and a "%" that starts no escape); escapes already
// present are kept.
std::string PercentEncodeUnsafe(std::string_view text);

// The address to send for `parts`: scheme, host, the port unless it is the default, and the
// raw path (or "/") and query, encoded with PercentEncodeUnsafe; no user information, no
// fragment.
std::string RequestUrl(const UrlParts& parts);

}  // namespace orv::net
