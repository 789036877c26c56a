#include "platform/url.h"

#include <optional>

#include "common/ascii.h"

namespace orv::net {
namespace {

bool IsAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Length of the scheme at the front of `s` (before its ":"), or 0 when there is none.
std::size_t SchemeLength(std::string_view s) {
    if (s.empty() || !IsAlpha(s[0]))
        return 0;
    std::size_t i = 1;
    while (i < s.size() &&
           (IsAlpha(s[i]) || IsDigit(s[i]) || s[i] == '+' || s[i] == '-' || s[i] == '.'))
        ++i;
    return (i < s.size() && s[i] == ':') ? i : 0;
}

bool BadHostChar(char c) {
    static constexpr std::string_view kBad = " <>\"{}|\\^`%/?#@:[]";
    return static_cast<unsigned char>(c) < 0x21 || c == 0x7f || kBad.find(c) != kBad.npos;
}

// The five components of a reference (RFC 3986, appendix B); absent ones are nullopt.
struct Ref {
    std::optional<std::string_view> scheme, authority, query, fragment;
    std::string_view path;
};

Ref SplitRef(std::string_view s) {
    Ref r;
    if (std::size_t n = SchemeLength(s)) {
        r.scheme = s.substr(0, n);
        s.remove_prefix(n + 1);
    }
    if (s.size() >= 2 && s[0] == '/' && s[1] == '/') {
        std::size_t end = s.find_first_of("/?#", 2);
        if (end == s.npos)
            end = s.size();
        r.authority = s.substr(2, end - 2);
        s.remove_prefix(end);
    }
    std::size_t hash = s.find('#');
    if (hash != s.npos) {
        r.fragment = s.substr(hash + 1);
        s = s.substr(0, hash);
    }
    std::size_t q = s.find('?');
    if (q != s.npos) {
        r.query = s.substr(q + 1);
        s = s.substr(0, q);
    }
    r.path = s;
    return r;
}

std::string RemoveDotSegments(std::string_view in) {
    std::string out;
    while (!in.empty()) {
        if (in.starts_with("../")) {
            in.remove_prefix(3);
        } else if (in.starts_with("./")) {
            in.remove_prefix(2);
        } else if (in.starts_with("/./")) {
            in.remove_prefix(2);
        } else if (in == "/.") {
            in = "/";
        } else if (in.starts_with("/../") || in == "/..") {
            if (in == "/..")
                in = "/";
            else
                in.remove_prefix(3);
            std::size_t last = out.rfind('/');
            out.resize(last == std::string::npos ? 0 : last);
        } else if (in == "." || in == "..") {
            in = {};
        } else {
            std::size_t next = in.find('/', in[0] == '/' ? 1 : 0);
            if (next == in.npos)
                next = in.size();
            out.append(in.substr(0, next));
            in.remove_prefix(next);
        }
    }
    return out;
}

}  // namespace

std::uint16_t DefaultPort(std::string_view scheme) {
    std::string s = ascii::ToLower(scheme);
    if (s == "http")
        return 80;
    if (s == "https")
        return 443;
    if (s == "ftp")
        return 21;
    if (s == "gopher")
        return 70;
    return 0;
}

std::string PercentDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
            HexValue(text[i + 2]) >= 0) {
            out.push_back(char(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

std::string PercentEncodeUnsafe(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    static constexpr std::string_view kUnsafe = "\"<>\\^`{|}";
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        bool escape = c <= 0x20 || c >= 0x7f || kUnsafe.find(char(c)) != kUnsafe.npos;
        if (c == '%')
            escape =
                !(i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0);
        if (escape) {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 15]);
        } else {
            out.push_back(char(c));
        }
    }
    return out;
}

bool CrackUrl(std::string_view url, UrlParts& out) {
    for (char c : url)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return false;
    std::size_t n = SchemeLength(url);
    if (n == 0)
        return false;
    UrlParts p;
    p.scheme = std::string(url.substr(0, n));
    std::string lowerScheme = ascii::ToLower(p.scheme);
    std::string_view rest = url.substr(n + 1);
    bool web = lowerScheme == "http" || lowerScheme == "https" || lowerScheme == "ftp";
    if (rest.starts_with("//")) {
        std::size_t end = rest.find_first_of("/?#", 2);
        if (end == rest.npos)
            end = rest.size();
        std::string_view authority = rest.substr(2, end - 2);
        rest.remove_prefix(end);
        std::size_t at = authority.rfind('@');
        if (at != authority.npos) {
            std::string_view userinfo = authority.substr(0, at);
            authority.remove_prefix(at + 1);
            std::size_t colon = userinfo.find(':');
            p.user = PercentDecode(userinfo.substr(0, colon));
            if (colon != userinfo.npos)
                p.password = PercentDecode(userinfo.substr(colon + 1));
        }
        std::string_view host = authority, port;
        if (authority.starts_with("[")) {
            std::size_t close = authority.find(']');
            if (close == authority.npos)
                return false;
            host = authority.substr(0, close + 1);
            std::string_view after = authority.substr(close + 1);
            if (!after.empty()) {
                if (after[0] != ':')
                    return false;
                port = after.substr(1);
                p.portGiven = true;
            }
        } else {
            std::size_t colon = authority.rfind(':');
            if (colon != authority.npos) {
                host = authority.substr(0, colon);
                port = authority.substr(colon + 1);
                p.portGiven = true;
            }
            for (char c : host)
                if (BadHostChar(c))
                    return false;
        }
        if (host.empty() && web)
            return false;
        p.rawHost = std::string(host);
        p.host = p.rawHost;
        if (p.portGiven && !port.empty()) {
            if (port.size() > 5)
                return false;
            unsigned value = 0;
            for (char c : port) {
                if (!IsDigit(c))
                    return false;
                value = value * 10 + unsigned(c - '0');
            }
            if (value > 65535)
                return false;
            p.port = static_cast<std::uint16_t>(value);
        } else {
            p.portGiven = false;
            p.port = DefaultPort(lowerScheme);
        }
    } else {
        if (web)
            return false;
        p.port = DefaultPort(lowerScheme);
    }
    std::size_t extraAt = rest.find_first_of("?#");
    if (extraAt == rest.npos)
        extraAt = rest.size();
    p.rawPath = std::string(rest.substr(0, extraAt));
    std::string_view extra = rest.substr(extraAt);
    std::size_t hash = extra.find('#');
    p.rawQuery = std::string(extra.substr(0, hash));
    p.path = PercentDecode(p.rawPath);
    p.extra = PercentDecode(extra);
    for (const std::string* s : {&p.scheme, &p.host, &p.user, &p.password, &p.path, &p.extra})
        if (s->size() > kMaxUrlComponent)
            return false;
    out = std::move(p);
    return true;
}

bool CombineUrl(std::string_view base, std::string_view reference, std::string& out) {
    Ref b = SplitRef(base);
    if (!b.scheme)
        return false;
    Ref r = SplitRef(reference);
    std::string_view scheme = *b.scheme;
    std::optional<std::string_view> authority;
    std::string path;
    std::optional<std::string_view> query;
    if (r.scheme) {
        scheme = *r.scheme;
        authority = r.authority;
        path = RemoveDotSegments(r.path);
        query = r.query;
    } else if (r.authority) {
        authority = r.authority;
        path = RemoveDotSegments(r.path);
        query = r.query;
    } else {
        authority = b.authority;
        if (r.path.empty()) {
            path = std::string(b.path);
            query = r.query ? r.query : b.query;
        } else {
            if (r.path[0] == '/') {
                path = RemoveDotSegments(r.path);
            } else {
                std::string merged;
                if (b.authority && b.path.empty()) {
                    merged = "/";
                } else {
                    std::size_t last = b.path.rfind('/');
                    if (last != b.path.npos)
                        merged = std::string(b.path.substr(0, last + 1));
                }
                merged.append(r.path);
                path = RemoveDotSegments(merged);
            }
            query = r.query;
        }
    }
    std::string t(scheme);
    t.push_back(':');
    if (authority) {
        t.append("//");
        t.append(*authority);
    }
    t.append(path);
    if (query) {
        t.push_back('?');
        t.append(*query);
    }
    if (r.fragment) {
        t.push_back('#');
        t.append(*r.fragment);
    }
    out = std::move(t);
    return true;
}

std::string RequestUrl(const UrlParts& parts) {
    std::string lowerScheme = ascii::ToLower(parts.scheme);
    std::string u = lowerScheme + "://" + parts.rawHost;
    if (parts.portGiven && parts.port != DefaultPort(lowerScheme))
        u += ":" + std::to_string(parts.port);
    if (parts.rawPath.empty() || parts.rawPath[0] != '/')
        u += '/';
    u += PercentEncodeUnsafe(parts.rawPath);
    u += PercentEncodeUnsafe(parts.rawQuery);
    return u;
}

}  // namespace orv::net
