// Owner or country of an IPv4 address, from the table of address blocks built into the program.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace orv {

// The organisation or country holding the block of dotted address `ip`, or "X" when no block
// matches or the text is no address (the marker "X" itself answers "X"). The labels are tested
// as the table's rules do: an exact rule needs the label written exactly ("061" is not "61"), a
// numeric one converts it (sign and digits, so "061" is 61 there); a label that does not convert
// answers "X". Pure and reentrant; never throws. The text lives as long as the program.
const std::string& WhereIs(std::string_view ip) noexcept;

// The text before the first "."; empty when there is no ".".
std::string GetFirstOctet(std::string_view ip);
// The text between the first and the second "."; empty when the text has fewer than two ".".
std::string GetSecondOctet(std::string_view ip);

// One row of the resolved table: addresses whose first octet is `first` and whose second octet
// lies in lo..hi answer `answer`. `match` tells how the row's rule tests its label: the first
// label for a row covering a whole first octet, else the second (the first is then tested
// exactly). kNoRule rows answer "X".
struct WhereIsRow {
    enum class Match : std::uint8_t { kNoRule, kExact, kNumeric };
    std::uint8_t first;
    std::uint8_t lo;
    std::uint8_t hi;
    Match match;
    std::string_view answer;
};

// Every row, ascending by first octet, then second octet: the data WhereIs answers from.
std::span<const WhereIsRow> WhereIsRows() noexcept;

}  // namespace orv
