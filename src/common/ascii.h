// ASCII case mapping and trimming for protocol and file text: only A-Z and a-z change case, so
// UTF-8 and other bytes above 127 pass through untouched, whatever the locale.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace orv::ascii {

constexpr char ToLower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}
constexpr char ToUpper(char c) {
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

inline std::string ToLower(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        c = ToLower(c);
    return r;
}
inline std::string ToUpper(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        c = ToUpper(c);
    return r;
}

constexpr bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (ToLower(s[i]) != ToLower(prefix[i]))
            return false;
    return true;
}
constexpr bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && StartsWithNoCase(a, b);
}
// An empty `what` is contained in everything.
constexpr bool ContainsNoCase(std::string_view s, std::string_view what) {
    for (std::size_t i = 0; i + what.size() <= s.size(); ++i)
        if (StartsWithNoCase(s.substr(i), what))
            return true;
    return false;
}
// Byte order with both sides in upper case: <0, 0 or >0. Note that "_" (after "Z", before
// "a") sorts after every letter this way.
constexpr int CompareNoCase(std::string_view a, std::string_view b) {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        auto x = static_cast<unsigned char>(ToUpper(a[i]));
        auto y = static_cast<unsigned char>(ToUpper(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

// Trimming takes the characters to drop: the formats differ in what counts as a blank (an
// ini line's "\f\v", a header's line end, a padded column's spaces only).
constexpr std::string_view TrimLeft(std::string_view s, std::string_view blanks) {
    const std::size_t b = s.find_first_not_of(blanks);
    return b == std::string_view::npos ? std::string_view() : s.substr(b);
}
constexpr std::string_view TrimRight(std::string_view s, std::string_view blanks) {
    const std::size_t e = s.find_last_not_of(blanks);
    return e == std::string_view::npos ? std::string_view() : s.substr(0, e + 1);
}
constexpr std::string_view Trim(std::string_view s, std::string_view blanks) {
    return TrimRight(TrimLeft(s, blanks), blanks);
}

}  // namespace orv::ascii
