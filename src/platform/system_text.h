// Reading the small text files the system keeps (sysfs, /proc, lease files, port files) and
// the numbers in them. Every read has a bound, so a runaway or hostile file cannot take the
// program's memory, and every number is decimal (or, where the file's format says so, hex) and
// range-checked: "010" is ten, and a value its type cannot hold is no value.
#pragma once

#include <charconv>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <type_traits>

namespace orv::sys {

// What a configuration or state file of the system may reasonably hold.
inline constexpr std::size_t kMaxSystemFile = 4u << 20;

// The whole file, or nullopt when it cannot be read or holds more than `limit` bytes.
std::optional<std::string> ReadFileBounded(const std::string& path,
                                           std::size_t limit = kMaxSystemFile);

namespace detail {
// The whole of `text` as a number in `base`, or nullopt.
template <class T>
std::optional<T> ParseWhole(std::string_view text, int base) {
    T value{};
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, value, base);
    if (ec != std::errc{} || p != end)
        return std::nullopt;
    return value;
}
}  // namespace detail

// The whole of `text` as a decimal number of type T: an optional "-" (signed types only), then
// digits and nothing else. No blanks, no "+", no base prefix; out of T's range is nullopt.
template <class T>
std::optional<T> ParseDecimal(std::string_view text) {
    static_assert(std::is_integral_v<T> && !std::is_same_v<T, bool>);
    if (text.empty() || (text[0] == '-' && (!std::is_signed_v<T> || text.size() == 1)))
        return std::nullopt;
    return detail::ParseWhole<T>(text, 10);
}

// The whole of `text` as a hexadecimal number of the unsigned type T, digits in either case: no
// "0x", no sign, no blanks; out of T's range is nullopt.
template <class T>
std::optional<T> ParseHex(std::string_view text) {
    static_assert(std::is_integral_v<T> && std::is_unsigned_v<T> && !std::is_same_v<T, bool>);
    if (text.empty())
        return std::nullopt;
    return detail::ParseWhole<T>(text, 16);
}

}  // namespace orv::sys
