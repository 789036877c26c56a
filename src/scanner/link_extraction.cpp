#include "scanner/link_extraction.h"
#include "common/ascii.h"

#include <array>
#include <map>
#include <vector>

#include "platform/url.h"
#include "scanner/file_types.h"

namespace orv::scan {
namespace {

struct Marker {
    std::string_view text;
    std::uint8_t code;
};

// Matched against the upper-cased page in this order; a later marker ending on the same
// character overwrites the code of an earlier one.
constexpr std::array<Marker, 14> kMarkers{{
    {" HREF=", kCodeHref},
    {" SRC=", kCodeSrc},
    {"<A", kCodeAreaOpen},
    {"/A>", kCodeAreaClose},
    {"A/>", kCodeAreaClose},
    {"<FRAME", kCodeAreaOpen},
    {"</FRAME", kCodeAreaClose},
    {"OPENWIN( ", kCodeHref},
    {"BASE HREF=", kCodeBase},
    {"<OPTION", kCodeAreaOpen},
    {"/OPTION>", kCodeAreaClose},
    {"<APPLET", kCodeAreaOpen},
    {"/APPLET>", kCodeAreaClose},
    {" VALUE=", kCodeValue},
}};

// The fourteen independent matchers (each a match position per marker) run as one automaton:
// its states are the reachable tuples of positions, built once. An entry is
// next state << 5 | the code written at this character (0: none).
struct MarkerAutomaton {
    std::vector<std::array<std::uint16_t, 256>> next;

    MarkerAutomaton() {
        using Positions = std::array<std::uint8_t, kMarkers.size()>;
        std::map<Positions, int> ids;
        std::vector<Positions> states;
        Positions start;
        start.fill(1);
        ids[start] = 0;
        states.push_back(start);
        for (std::size_t s = 0; s < states.size(); ++s) {
            std::array<std::uint16_t, 256> row{};
            for (int byte = 0; byte < 256; ++byte) {
                char c = ascii::ToUpper(char(byte));
                Positions p = states[s];
                std::uint8_t code = 0;
                for (std::size_t m = 0; m < kMarkers.size(); ++m) {
                    std::string_view t = kMarkers[m].text;
                    if (c == t[p[m] - 1]) {
                        if (++p[m] > t.size()) {
                            code = kMarkers[m].code;
                            p[m] = 1;
                        }
                    } else {
                        p[m] = (c == t[0]) ? 2 : 1;
                    }
                }
                auto [it, added] = ids.emplace(p, int(states.size()));
                if (added)
                    states.push_back(p);
                row[std::size_t(byte)] = std::uint16_t(it->second << 5 | code);
            }
            next.push_back(row);
        }
    }
};

const MarkerAutomaton& Automaton() {
    static const MarkerAutomaton a;
    return a;
}

bool HasAnyOf(std::string_view s, std::string_view chars) {
    return s.find_first_of(chars) != std::string_view::npos;
}

}  // namespace

namespace detail {
bool ContainsJavascript(std::string_view s) {
    static constexpr std::string_view kWord = "JAVASCRIPT";
    for (std::size_t i = 0; i + kWord.size() <= s.size(); ++i) {
        std::size_t k = 0;
        while (k < kWord.size() && ascii::ToUpper(s[i + k]) == kWord[k])
            ++k;
        if (k == kWord.size())
            return true;
    }
    return false;
}
}  // namespace detail

std::string NormalizeHtml(std::string_view text, bool quotesToBlanks, bool lineFeedToBlank) {
    std::string out;
    out.reserve(text.size());
    char last = 'X';
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n; ++i) {
        char c = text[i];
        if (static_cast<unsigned char>(c) < 32) {
            if (c == '\n' && lineFeedToBlank)
                c = ' ';
            else
                continue;
        }
        if (quotesToBlanks && (c == '"' || c == '\'' || c == ','))
            c = ' ';
        if (c == ' ') {
            char next = i + 1 < n ? text[i + 1] : '\0';
            if (last == '=' || next == ' ' || next == '=')
                continue;
        }
        out.push_back(c);
        last = c;
    }
    return out;
}

bool MarkPage(std::string& text) {
    const auto& next = Automaton().next;
    std::uint16_t state = 0;
    bool found = false;
    for (char& c : text) {
        std::uint16_t e = next[state][static_cast<unsigned char>(c)];
        state = std::uint16_t(e >> 5);
        if (e & 31) {
            c = char(e & 31);
            found = true;
        }
    }
    return found;
}

void FoldAreas(std::string& text) {
    bool open = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        if (c == kCodeAreaClose) {
            open = false;
        } else if (c == kCodeAreaOpen) {
            if (!open) {
                open = true;
            } else if (i >= 2) {
                text[i - 1] = char(kCodeAreaClose);
                i -= 2;  // read the close, then this open again
            }
        }
    }
}

std::optional<MetaTag> ParseMetaTag(std::string_view tag) {
    MetaTag m;
    for (std::size_t i = 0; i < 4 && i < tag.size(); ++i)
        m.tagType.push_back(ascii::ToUpper(tag[i]));
    int n = 0;  // slot index, 0..2
    bool inValue = false, inQuotes = false;
    for (std::size_t i = 5; i < tag.size(); ++i) {
        char c = tag[i];
        if (c == '=') {
            inValue = true;
        } else if (c == '"') {
            inQuotes = !inQuotes;
        } else if (c == ' ' && !inQuotes) {
            if (inValue) {
                if (n == 2)
                    return std::nullopt;
                ++n;
                inValue = false;
            }
        } else if (!inValue) {
            m.attrib[n].push_back(ascii::ToUpper(c));
        } else {
            m.value[n].push_back(inQuotes ? c : ascii::ToUpper(c));
        }
    }
    if (!inValue)
        return std::nullopt;
    return m;
}

std::string RefreshTarget(const MetaTag& tag) {
    if (tag.attrib[0] != "HTTP-EQUIV" || ascii::ToUpper(tag.value[0]) != "REFRESH" ||
        tag.attrib[1] != "CONTENT")
        return {};
    std::size_t u = tag.value[1].find("URL");
    if (u == std::string::npos)
        return {};
    return tag.value[1].substr(u + 3);
}

namespace {

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(char(cp));
    } else if (cp < 0x800) {
        out.push_back(char(0xC0 | (cp >> 6)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(char(0xE0 | (cp >> 12)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(char(0xF0 | (cp >> 18)));
        out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    }
}

// The reference at the front of `s` (just after its "&"): its character and length, or
// nothing.
std::optional<std::pair<std::uint32_t, std::size_t>> Reference(std::string_view s) {
    static constexpr std::pair<std::string_view, std::uint32_t> kNamed[] = {
        {"amp;", '&'},   {"lt;", '<'},  {"gt;", '>'}, {"quot;", '"'}, {"apos;", '\''},
        {"nbsp;", 0xA0}, {"AMP;", '&'}, {"LT;", '<'}, {"GT;", '>'},   {"QUOT;", '"'},
    };
    if (s.empty())
        return std::nullopt;
    if (s[0] != '#') {
        for (auto& [name, cp] : kNamed)
            if (s.starts_with(name))
                return std::make_pair(cp, name.size());
        return std::nullopt;
    }
    bool hex = s.size() > 1 && (s[1] == 'x' || s[1] == 'X');
    std::size_t i = hex ? 2 : 1, digits = 0;
    std::uint32_t cp = 0;
    for (; i < s.size(); ++i, ++digits) {
        char c = s[i];
        int d = c >= '0' && c <= '9'          ? c - '0'
                : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                              : -1;
        if (d < 0)
            break;
        cp = cp * (hex ? 16 : 10) + std::uint32_t(d);
        if (cp > 0x10FFFF)
            return std::nullopt;
    }
    if (digits == 0 || cp == 0 || (cp >= 0xD800 && cp <= 0xDFFF))
        return std::nullopt;
    if (i < s.size() && s[i] == ';')
        ++i;
    return std::make_pair(cp, i);
}

// A value that reads as a script call: a "(" after the first character with no "/" before
// it, and nothing but ";" after the last ")" (or no ")" at all: a call cut short).
bool IsCall(std::string_view v, std::size_t open) {
    if (v.substr(0, open).find('/') != std::string_view::npos)
        return false;
    std::size_t close = v.rfind(')');
    if (close == std::string_view::npos || close < open)
        return true;
    std::string_view tail = v.substr(close + 1);
    return tail.empty() || tail == ";";
}

}  // namespace

namespace detail {
bool StartsWithQuoteReference(std::string_view s) {
    if (!s.starts_with('&'))
        return false;
    auto ref = Reference(s.substr(1));
    return ref && (ref->first == '"' || ref->first == '\'');
}
}  // namespace detail

std::string DecodeEntities(std::string_view value) {
    if (value.find('&') == std::string_view::npos)
        return std::string(value);
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '&') {
            if (auto ref = Reference(value.substr(i + 1))) {
                AppendUtf8(out, ref->first);
                i += ref->second;
                continue;
            }
        }
        out.push_back(value[i]);
    }
    return out;
}

std::string CleanValue(std::string_view value, int kind) {
    std::string upper = ascii::ToUpper(value);
    if (Contains(upper, "TOP.WINDOW") || Contains(upper, "JAVASCRIPT"))
        return {};
    std::string v(value);
    std::size_t open = v.find('(', 1);
    bool call = open != std::string::npos && IsCall(v, open);
    if (call) {
        v = v.substr(open + 1);
        std::size_t close = v.find(')', 1);
        if (close != std::string::npos)
            v = v.substr(0, close);
    }
    std::size_t p = v.find('<');
    if (p != std::string::npos)
        v.resize(p);
    p = v.find('>');
    if (p != std::string::npos)
        v.resize(p);
    bool keptWhole = open != std::string::npos && !call;
    if (v.empty() || v == "=" || (!keptWhole && HasAnyOf(v, "()+[]")))
        return {};
    if (kind == kCodeValue && (HasAnyOf(v, " ;") || v.find('/') == std::string::npos))
        return {};
    return v;
}

std::string ResolveLink(std::string_view value, const TCrackUrl& page, bool& mail) {
    std::string upper = ascii::ToUpper(value);
    std::string address;
    mail = false;
    if (Contains(upper, "MAILTO:")) {
        mail = true;
        address = value.size() > 7 ? std::string(value.substr(7)) : std::string();
        std::size_t q = address.find('?');
        if (q != std::string::npos && q > 0)
            address.resize(q);
        return address;
    }
    if (Contains(upper, "JAVASCRIPT"))
        return {};
    if (upper.starts_with("HTTP:") || upper.starts_with("HTTPS:")) {
        address = value;
    } else {
        // The base names the port only when it is not the scheme's default, so a relative
        // link comes out exactly as its absolute form would be written.
        std::string base = page.Root() + page.DirectoryPath();
        if (!orv::net::CombineUrl(base, value, address) || address.size() > 1023)
            return {};
    }
    std::size_t h = address.find('#');
    if (h != std::string::npos && h > 0)
        address.resize(h);
    return address;
}

LinkType LinkTypeOf(std::string_view address) {
    LinkType r{"unknown", "http", 0};
    std::string a(address);
    std::size_t sep = a.find("://");
    if (sep != std::string::npos && sep >= 1) {
        r.scheme = ascii::ToLower(a.substr(0, sep));
        a[sep + 1] = a[sep + 2] = ' ';  // hide the two slashes
    }
    std::size_t hash = a.find('#');
    if (hash != std::string::npos && hash >= 1) {
        a.resize(hash);
        r.type = "htm";
    } else if (a.find_first_of("&?") != std::string::npos) {
        r.type = "htm";
    } else if (r.scheme.starts_with("http")) {
        std::size_t d = a.rfind('.'), s = a.rfind('/');
        if (d != std::string::npos) {
            if (s == std::string::npos || d < s)
                r.type = "htm";
            else if (d + 1 < a.size())
                r.type = a.substr(d + 1);
        }
    }
    std::size_t s = a.rfind('/');
    r.lastSlash = s == std::string::npos ? 0 : int(s) + 1;
    if (r.type != "unknown" && r.type != "htm" && !IsKnownFileType(r.type))
        r.type = "htm";
    if (r.type == "jpeg")
        r.type = "jpg";
    if (r.type == "mpeg")
        r.type = "mpg";
    return r;
}

}  // namespace orv::scan
