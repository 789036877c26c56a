#include "lookup/country_table.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>

namespace orv {
namespace {

using enum WhereIsRow::Match;

struct RawRow {
    std::uint8_t first;
    std::uint8_t lo;
    std::uint8_t hi;
    WhereIsRow::Match match;
    std::uint8_t answer;  // index into kAnswers
};

// kAnswers (index 0 is "X") and kRawRows, written by tools/country_table/gen_country_blocks.py.
#include "lookup/country_blocks.inc"

constexpr std::size_t kAnswerCount = std::size(kAnswers);
constexpr std::size_t kRowCount = std::size(kRawRows);
constexpr std::uint8_t kNoAnswer = 0;
constexpr std::uint8_t kSplit = 0xFF;  // first octet whose answer depends on the second
constexpr std::size_t kMaxBlocks = 16;

static_assert(kAnswers[kNoAnswer] == "X");
static_assert(kAnswerCount < kSplit, "answer indices must fit a byte beside kSplit");

// Rows must tile 0..255 x 0..255 in order, or the tables below would have holes.
constexpr bool RowsTile() {
    int first = 0;
    int next = 0;
    for (const RawRow& r : kRawRows) {
        if (r.first != first) {
            if (next != 256 || r.first != first + 1)
                return false;
            first = r.first;
            next = 0;
        }
        if (r.lo != next || r.hi < r.lo || r.answer >= kAnswerCount)
            return false;
        next = r.hi + 1;
    }
    return first == 255 && next == 256;
}
static_assert(RowsTile(), "the table of address blocks has a gap or an overlap");

// The rules resolved once, at compile time, so a lookup costs two label conversions and two
// array reads whatever the number of rules.
struct Tables {
    // By a first label written as the plain decimal of 0..255: the answer, or kSplit.
    std::array<std::uint8_t, 256> first{};
    // By the value of any other first label that converts to 0..255: only the numeric spans
    // match such a label.
    std::array<std::uint8_t, 256> first_numeric{};
    std::array<std::uint8_t, 256> block{};  // block number of a split first octet
    // Per block, by a plain second label, and by the value of a second label written otherwise.
    std::array<std::array<std::uint8_t, 256>, kMaxBlocks> second{};
    std::array<std::array<std::uint8_t, 256>, kMaxBlocks> second_numeric{};
    std::size_t blocks = 0;
};

constexpr Tables BuildTables() {
    Tables t;
    std::array<int, 256> rows_of{};
    for (const RawRow& r : kRawRows)
        ++rows_of[r.first];
    for (int f = 0; f < 256; ++f) {
        if (rows_of[f] > 1) {
            t.first[f] = kSplit;
            t.block[f] = static_cast<std::uint8_t>(t.blocks++);
        }
    }
    for (const RawRow& r : kRawRows) {
        const std::uint8_t numeric = r.match == kNumeric ? r.answer : kNoAnswer;
        if (rows_of[r.first] == 1) {
            t.first[r.first] = r.answer;
            t.first_numeric[r.first] = numeric;
            continue;
        }
        for (int s = r.lo; s <= r.hi; ++s) {
            t.second[t.block[r.first]][s] = r.answer;
            t.second_numeric[t.block[r.first]][s] = numeric;
        }
    }
    return t;
}

constexpr Tables kTables = BuildTables();
static_assert(kTables.blocks <= kMaxBlocks);

constexpr auto kRows = [] {
    std::array<WhereIsRow, kRowCount> rows{};
    for (std::size_t i = 0; i < kRowCount; ++i) {
        const RawRow& r = kRawRows[i];
        rows[i] = {r.first, r.lo, r.hi, r.match, kAnswers[r.answer]};
    }
    return rows;
}();

// A label as the rules see it. The conversion takes an optional sign and decimal digits, and
// fails on anything else, on an empty label and outside the 32-bit range.
struct Label {
    bool integer = false;
    bool plain = false;  // the exact decimal text of 0..255, as the exact rules are written
    std::int64_t value = 0;
};

constexpr Label Convert(std::string_view text) noexcept {
    Label label;
    std::size_t i = 0;
    const bool signed_text = !text.empty() && (text[0] == '+' || text[0] == '-');
    if (signed_text)
        i = 1;
    if (i == text.size())
        return label;
    std::int64_t v = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return label;
        v = v * 10 + (c - '0');
        if (v > 2147483648LL)
            return label;
    }
    if (signed_text && text[0] == '-')
        v = -v;
    if (v > 2147483647LL)
        return label;
    label.integer = true;
    label.value = v;
    label.plain = !signed_text && v <= 255 && (text.size() == 1 || text[0] != '0');
    return label;
}

struct Labels {
    std::string_view first;
    std::string_view second;
};

constexpr Labels SplitLabels(std::string_view ip) noexcept {
    Labels labels;
    const std::size_t dot1 = ip.find('.');
    if (dot1 == std::string_view::npos)
        return labels;
    labels.first = ip.substr(0, dot1);
    const std::size_t dot2 = ip.find('.', dot1 + 1);
    if (dot2 != std::string_view::npos)
        labels.second = ip.substr(dot1 + 1, dot2 - dot1 - 1);
    return labels;
}

constexpr bool IsOctet(std::int64_t v) {
    return v >= 0 && v <= 255;
}

constexpr std::uint8_t AnswerIndex(std::string_view ip) noexcept {
    const Labels labels = SplitLabels(ip);
    // The numeric rules on the first label run for every input: one that fails ends in "X".
    const Label first = Convert(labels.first);
    if (!first.integer)
        return kNoAnswer;
    if (!first.plain)
        return IsOctet(first.value) ? kTables.first_numeric[first.value] : kNoAnswer;
    const std::uint8_t answer = kTables.first[first.value];
    if (answer != kSplit)
        return answer;
    const Label second = Convert(labels.second);
    if (!second.integer)
        return kNoAnswer;
    const std::size_t block = kTables.block[first.value];
    if (second.plain)
        return kTables.second[block][second.value];
    return IsOctet(second.value) ? kTables.second_numeric[block][second.value] : kNoAnswer;
}

const std::string& Text(std::uint8_t index) noexcept {
    // Built once (thread-safe static initialisation) and never destroyed, so a worker thread
    // still running at exit cannot see a destroyed string.
    static const auto* const texts = [] {
        auto* t = new std::array<std::string, kAnswerCount>;
        for (std::size_t i = 0; i < kAnswerCount; ++i)
            (*t)[i] = std::string(kAnswers[i]);
        return t;
    }();
    return (*texts)[index];
}

}  // namespace

const std::string& WhereIs(std::string_view ip) noexcept {
    return Text(AnswerIndex(ip));
}

std::string GetFirstOctet(std::string_view ip) {
    return std::string(SplitLabels(ip).first);
}

std::string GetSecondOctet(std::string_view ip) {
    return std::string(SplitLabels(ip).second);
}

std::span<const WhereIsRow> WhereIsRows() noexcept {
    return kRows;
}

}  // namespace orv
