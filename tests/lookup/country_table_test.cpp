// The owner/country lookup: its answers for typed and odd labels, and the whole table of
// address blocks checked against the rows and counts the program must keep.
#include "lookup/country_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace orv {
namespace {

using Match = WhereIsRow::Match;

struct Case {
    const char* ip;
    const char* answer;
};

// clang-format off
const Case kCases[] = {
    {"10.0.0.1", "United States"},
    {"192.168.1.1", "United States"},
    {"12.1.1.1", "AT&T (NET-ATT)"},
    {"61.8.0.1", "Australia"},
    {"61.9.0.1", "X"},
    {"200.200.1.1", "Brazil"},
    {"200.100.1.1", "X"},
    {"180.1.1.1", "X"},
    {"221.1.1.1", "X"},
    {"250.1.1.1", "X"},
    {"230.1.1.1", "University of Southern California (NET-MCAST-NET)"},
    {"218.1.1.1", "Asia Pacific"},
    {"13.1.1.1", "Xerox Palo Alto Research Center, CA (NET-XEROX-NET) "},
    {"22.1.1.1", "Defense Information Systems Agency, Washington DC (NET-DISNET))"},
    {"0.0.0.0", "United States"},
    {"172.255.255.255", "United States"},
    {"173.0.0.0", "X"},
    {"223.1.1.1", "IANA (RESERVED-5) RESERVED"},
    {"224.0.0.1", "University of Southern California (NET-MCAST-NET)"},
    {"239.255.255.255", "University of Southern California (NET-MCAST-NET)"},
    {"240.0.0.1", "X"},
    {"255.255.255.255", "X"},
    // Not an address: the marker, nothing, no dot.
    {"X", "X"},
    {"", "X"},
    {"localhost", "X"},
    {"10", "X"},
    // Only the first two labels count; the rest is never looked at.
    {"10.", "United States"},
    {"1.2.3.4.5", "United States"},
    {"10.0.0.999", "United States"},
    {"10.abc.1.1", "United States"},
    // An exact rule needs the label as written; a numeric span converts it.
    {"061.8.0.1", "X"},
    {"0100.1.1.1", "United States"},
    {"+100.1.1.1", "United States"},
    {"0230.1.1.1", "University of Southern California (NET-MCAST-NET)"},
    {"010.0.0.1", "X"},
    {"-0.1.1.1", "X"},
    {"256.1.1.1", "X"},
    // A first label that does not convert ends in "X", whatever else matched.
    {" 10.0.0.1", "X"},
    {"10 .0.0.1", "X"},
    {"1e1.0.0.1", "X"},
    {"+.1.1.1", "X"},
    {"99999999999.1.1.1", "X"},
    {"4294967396.1.1.1", "X"},  // 100 if the conversion wrapped
    // Split first octets: a second label that does not convert answers "X".
    {"217.abc.1.1", "X"},
    {"217.8", "X"},
    {"217.8.", "European"},
    {"61.", "X"},
    {"200.-1.1.1", "X"},
    {"200.256.1.1", "X"},
    {"200.4294967313.1.1", "X"},  // 17 if the conversion wrapped
    // ... and one written otherwise matches only a numeric rule on the second label.
    {"200.0017.1.1", "Brazilian"},
    {"200.+20.1.1", "Brazilian"},
    {"200.025.1.1", "X"},
    {"211.-0.1.1", "Japan"},
    {"211.0080.1.1", "China"},
    {"217.060.1.1", "X"},
    {"61.08.0.1", "X"},
};
// clang-format on

TEST(WhereIs, AnswersTheCases) {
    for (const Case& c : kCases)
        EXPECT_EQ(WhereIs(c.ip), c.answer) << '"' << c.ip << '"';
}

TEST(WhereIs, TakesLabelsBeforeTheFirstAndSecondDot) {
    struct Labels {
        const char* ip;
        const char* first;
        const char* second;
    };
    const Labels cases[] = {
        {"61.8.0.1", "61", "8"}, {"217.8", "217", ""}, {"217.8.", "217", "8"},
        {"X", "", ""},           {"", "", ""},         {".5.6", "", "5"},
        {"a..b", "a", ""},       {"1.2.3", "1", "2"},  {" 1 . 2 .", " 1 ", " 2 "},
    };
    for (const Labels& c : cases) {
        EXPECT_EQ(GetFirstOctet(c.ip), c.first) << '"' << c.ip << '"';
        EXPECT_EQ(GetSecondOctet(c.ip), c.second) << '"' << c.ip << '"';
    }
}

// What the table must hold, kept apart from the generated data so that a regenerated table that
// breaks it fails here.
struct OctetSpan {
    int lo;
    int hi;
    const char* answer;
};
struct FixedRow {
    int first;
    int lo;
    int hi;
    const char* answer;
};

// {first, last, answer} of every first octet that has one answer.
const OctetSpan kWholeOctets[] = {
    {0, 2, "United States"},
    {3, 3, "General Electric Company, NJ (NET-GE-INTERNET)"},
    {4, 4, "Bolt Beranek and Newman Inc. - BBN Planet, MA (NET-SATNET)"},
    {5, 5, "Internet Assigned Numbers Authority (IANA) (NET-RESERVED-5)"},
    {6, 6, "Army Information Systems Center - USAISC, Yuma Proving Ground, AZ (NET-YPG-NET)"},
    {7, 7, "Defense Information Systems Agency, VA (NET-DISANET2)"},
    {8, 8, "Bolt Beranek and Newman Inc., MA (NET-BBN-NET-TEMP)"},
    {9, 9, "IBM Corporation, NY (NET-IBM)"},
    {10, 10, "United States"},
    {11, 11,
     "DoD Intel Information Systems, Defense Intelligence Agency, Washington DC (NET-DODIIS)"},
    {12, 12, "AT&T (NET-ATT)"},
    {13, 13, "Xerox Palo Alto Research Center, CA (NET-XEROX-NET) "},
    {14, 14, "Public Data Network, US (NET-PDN)"},
    {15, 15, "Hewlett-Packard Company, CA (NET-HP-INTERNET)"},
    {16, 16, "Digital Equipment Corporation (NET-DEC-INTERNET)"},
    {17, 17, "Apple Computer Inc., CA (NET-APPLE-WWNET)"},
    {18, 18, "Massachusetts Institute of Technology, MA (NET-MIT-TEMP)"},
    {19, 19, "Ford Motor Company, MI (NET-FINET)"},
    {20, 20, "Computer Sciences Corporation, VA (NET-CSC)"},
    {21, 21, "US Defense Information Systems Agency (DDN-RVN), VA (NET-DDN-RVN)"},
    {22, 22, "Defense Information Systems Agency, Washington DC (NET-DISNET))"},
    {23, 23, "IANA (reserved) (NET-DDN-TC-NET) (RESERVED-23)"},
    {24, 24, "United States"},
    {25, 25, "Royal Signals and Radar Establishment, UK (NET-RSRE-EXP)"},
    {26, 26, "Defense Information Systems Agency, VA (NET-MILNET)"},
    {27, 27, "United States"},
    {28, 28, "ARPA DSI JPO, VA (NET-DSI-NORTH)"},
    {29, 29, "Defense Information Systems Agency, Washington DC (NET-MILX25-TEMP)"},
    {30, 30, "Defense Information Systems Agency, Washington DC (NET-ARPAX25-TEMP)"},
    {31, 31, "IANA (RESERVED-12)"},
    {32, 32, "IBM Global Services, NH (NETBLK-IBMGLOBALSERV)"},
    {33, 33, "DLA Systems Automation Center, OH (NET-DCMC)"},
    {34, 34, "Halliburton Company, TX (NET-HALLIBURTON)"},
    {35, 35, "MERIT Network Inc., MI (NET-MERIT)"},
    {36, 36, "Stanford University, CA (NET-SU-NET-TEMP)"},
    {37, 37, "United States"},
    {38, 38, "Performance Systems International, VA (NET-PSINETA)"},
    {39, 39, "United States"},
    {40, 40, "Eli Lilly and Company, IN (NET-LILLY-NET)"},
    {41, 42, "United States"},
    {43, 43, "Japan Inet, Japan (NET-JAPAN-A)"},
    {44, 44, "Amateur Radio Digital Communications (NET-AMPRNET)"},
    {45, 45, "Interop Show Network, CA (NET-SHOWNETA)"},
    {46, 46, "Bolt Beranek and Newman Inc., MA (NET-BBNNET)"},
    {47, 47, "Canada (Bell-Northern Research)"},
    {48, 48, "Prudential Securities Inc., NY (NET-PRUBACHE)"},
    {49, 49, "Joint Tactical Command, Control, and Communications Agency, AZ (NET-JITCNET1)"},
    {50, 50, "Joint Tactical Command, Control, and Communications Agency, AZ (NET-JITCNET2)"},
    {51, 51, "Great Britain(Department of Social Security of UK)"},
    {52, 53, "Germany"},
    {54, 54, "Merck and Co., Inc., NJ (NET-MERCK2)"},
    {55, 55, "Army National Guard Bureau, VA (NET-RCAS2)"},
    {56, 56, "United States"},
    {57, 57, "France"},
    {58, 60, "United States"},
    {63, 172, "United States"},
    {173, 191, "X"},
    {196, 196, "South Africa/Caribbean"},
    {197, 197, "IANA (NETBLK-RESERVED-13)"},
    {198, 198, "United States"},
    {199, 199, "United States/Canada"},
    {201, 201, "Reserved for South/Central American Networks"},
    {204, 209, "United States/Canada"},
    {214, 215, "DoD Network Information Center, VA (NETBLK-DDN-NIC15)"},
    {216, 216, "United States/Canada"},
    {218, 218, "Asia Pacific"},
    {219, 219, "United States"},
    {220, 222, "X"},
    {223, 223, "IANA (RESERVED-5) RESERVED"},
    {224, 239, "University of Southern California (NET-MCAST-NET)"},
    {240, 255, "X"},
};
const FixedRow kFixedRows[] = {
    {61, 0, 7, "X"},
    {61, 8, 8, "Australia"},
    {61, 9, 127, "X"},
    {61, 128, 128, "China"},
    {61, 129, 255, "X"},
    {62, 0, 0, "Israel"},
    {62, 1, 1, "X"},
    {62, 2, 2, "Switzerland"},
    {62, 4, 4, "France"},
    {62, 10, 11, "Italy"},
    {62, 12, 12, "Netherlands"},
    {62, 252, 254, "Great Britain"},
    {62, 255, 255, "X"},
    {192, 0, 35, "United States"},
    {192, 162, 162, "European"},
    {192, 163, 163, "Finland"},
    {192, 167, 167, "Italty"},
    {192, 168, 175, "United States"},
    {192, 245, 255, "United States"},
    {193, 0, 0, "X"},
    {193, 15, 31, "Germany"},
    {193, 32, 39, "Great Britain"},
    {193, 96, 103, "Germany"},
    {193, 255, 255, "Turkey"},
    {194, 0, 0, "X"},
    {194, 2, 5, "France"},
    {194, 32, 36, "Great Britain"},
    {194, 172, 176, "Germany"},
    {194, 255, 255, "Denmark"},
    {195, 0, 0, "Belgium/Norway"},
    {195, 74, 80, "European"},
    {195, 104, 107, "Great Britain"},
    {195, 255, 255, "Finland"},
    {200, 0, 16, "South/Central American"},
    {200, 17, 20, "Brazilian"},
    {200, 21, 24, "South/Central American"},
    {200, 25, 25, "Columbia"},
    {200, 26, 26, "Argentina"},
    {200, 27, 27, "South/Central American"},
    {200, 28, 28, "Chilean"},
    {200, 29, 32, "South/Central American"},
    {200, 33, 38, "Mexico"},
    {200, 39, 41, "South/Central American"},
    {200, 42, 43, "Argentina"},
    {200, 44, 44, "United States"},
    {200, 45, 45, "South/Central American"},
    {200, 46, 46, "Panama"},
    {200, 47, 47, "Argentina"},
    {200, 48, 51, "South/Central American"},
    {200, 52, 52, "Mexico"},
    {200, 53, 127, "X"},
    {200, 128, 255, "Brazil"},
    {202, 0, 8, "Asia-Pacific"},
    {202, 9, 9, "Australia/Malaysia"},
    {202, 65, 89, "Hong Kong"},
    {202, 90, 122, "China"},
    {202, 208, 255, "Japan"},
    {203, 0, 63, "Australia"},
    {203, 64, 79, "Taiwan"},
    {203, 80, 86, "Hong Kong"},
    {203, 96, 99, "New Zealand"},
    {203, 116, 120, "Singapore"},
    {210, 0, 24, "Asia-Pacific"},
    {210, 25, 53, "China"},
    {210, 90, 127, "Korea (South)"},
    {210, 128, 175, "Japan"},
    {211, 0, 19, "Japan"},
    {211, 20, 23, "Taiwan"},
    {211, 24, 31, "X"},
    {211, 32, 39, "Korea (South)"},
    {211, 40, 63, "X"},
    {211, 64, 69, "China"},
    {211, 70, 79, "Taiwan"},
    {211, 80, 255, "China"},
    {212, 0, 5, "European"},
    {212, 6, 6, "Russian Federation/Germany"},
    {212, 7, 9, "European"},
    {212, 10, 10, "Denmark"},
    {212, 255, 255, "Germany"},
    {213, 0, 0, "Spain"},
    {213, 1, 2, "Great Britain"},
    {213, 128, 142, "European"},
    {213, 144, 191, "European"},
    {213, 254, 255, "Italy"},
    {217, 0, 4, "X"},
    {217, 5, 6, "Germany"},
    {217, 7, 7, "X"},
    {217, 8, 31, "European"},
    {217, 32, 33, "Great Britain"},
    {217, 34, 47, "X"},
    {217, 48, 52, "Germany"},
    {217, 53, 55, "X"},
    {217, 56, 59, "Italy"},
    {217, 60, 60, "Denmark"},
    {217, 61, 63, "X"},
    {217, 64, 79, "European"},
    {217, 80, 88, "X"},
    {217, 89, 89, "Germany"},
    {217, 90, 95, "X"},
    {217, 96, 97, "Poland"},
    {217, 98, 105, "X"},
    {217, 106, 106, "Russian Federation"},
    {217, 107, 111, "X"},
    {217, 112, 119, "European"},
    {217, 120, 129, "X"},
    {217, 130, 130, "Spain"},
    {217, 131, 136, "X"},
    {217, 137, 137, "Great Britain"},
    {217, 138, 138, "Malta"},
    {217, 139, 139, "X"},
    {217, 140, 140, "European"},
    {217, 141, 141, "X"},
    {217, 142, 142, "Sweden"},
    {217, 143, 255, "X"},
};
const char* const kBlockAnswers[] = {
    "Australia",
    "China",
    "Israel",
    "Switzerland",
    "France",
    "Great Britain",
    "Italy",
    "Netherlands",
    "Ukraine",
    "Sweden",
    "Spain",
    "Germany",
    "Czech Republic",
    "Russian Federation",
    "Latvia",
    "Austria",
    "Norway",
    "Belgium",
    "Spain/Great Britain",
    "Czech Republic/Slovakia",
    "Slovakia",
    "European",
    "Belgium/Germany/Netherlands",
    "Switzerland/Czech Republic/Portugal/Netherlands/Spain",
    "Finland",
    "Turkey",
    "United States",
    "Danish",
    "Japan",
    "Danmark",
    "Israeli",
    "Italty",
    "Canada",
    "Ireland",
    "Slovenia",
    "Denmark",
    "Iceland",
    "Hungary",
    "Estonia",
    "Poland",
    "Bulgaria",
    "Belgium/Norway",
    "Slovak Republic",
    "Hungary/Belgium/Norway",
    "Greece",
    "Tunisia/Slovenia/Ireland",
    "Portugal",
    "PSpain",
    "Netherlands/Poland/Great Britain",
    "Luxembourg/Germany",
    "Croatia",
    "Finland/Sweden",
    "Lithuania/Portugal/Sweden",
    "Romania",
    "Turkey/Great Britain",
    "Norway/France",
    "Great Britain/France/Switzerland",
    "Ireland/Hungary/Denmark",
    "Hungary/Germany/Czech Republic",
    "Spain/Cyprus/Greece",
    "Sweden/Switzerland/Hungary/Portugal",
    "Sweden/Norway",
    "European/Asia",
    "Russian Federation/Kazachstan/Belarus/Georgia",
    "Great Britain/Ukraine",
    "Great Britain/Ireland/Belgium/Iceland",
    "Germany/Austria",
    "Germany/Sweden",
    "United Arab Emirates",
    "Spain/Italy",
    "Germany/Norway",
    "France/Switzerland",
    "Russian Federation/Ukraine",
    "Iran",
    "Italy/Great Britain/France",
    "Belgium/Great Britain/Latvia",
    "Italy/Russian Federation/Netherlands/Norway",
    "Italy/Germany",
    "Great Britain/Switzerland",
    "Slovak Republic/Russian Federation",
    "Germany/Great Britain",
    "Saudi Arabia/Russian Federation",
    "Great Britain/Italy",
    "Great Britain/Sweden",
    "Greece/Great Britain",
    "Germany/Romania",
    "Great Britain/France/Germany",
    "Great Britain/Germany",
    "South/Central American",
    "Brazilian",
    "Columbia",
    "Argentina",
    "Chilean",
    "Mexico",
    "Panama",
    "Brazil",
    "Asia-Pacific",
    "Australia/Malaysia",
    "New Zealand",
    "New Zealand/Thailand/Japan/China",
    "Thailand",
    "Korea (South)",
    "Taiwan",
    "Hong Kong",
    "Indonesia",
    "Malaysia",
    "Singapore",
    "Pakistan",
    "Hong kong",
    "India",
    "Russian Federation/Germany",
    "Saudi Arabia",
    "Switzerland/Austria",
    "Turkey/Kazachstan",
    "Great Britain/Russian Federation",
    "Germany/Saudi Arabia",
    "Germany/Italy",
    "Austria/Norway",
    "Germany/Netherlands",
    "Morocco",
    "Switzerland/Liechtenstein",
    "Great Britain/Ireland",
    "Italy/Finland",
    "Netherlands/Spain",
    "Netherlands/Switzerland",
    "Switzerland/Sweden",
    "Turkey/Ireland",
    "Italy/Sweden",
    "Bulgaria/Czech Republic",
    "Sweden/Italy",
    "Bulgaria/Lithuania",
    "France/Portugal",
    "Saudi Arabia/Italy",
    "Turkey/Switzerland",
    "Spain/Norway",
    "Yugoslavia/Germany",
    "France/Netherlands",
    "Egypt",
    "Russian Federation/Turkey",
    "Slovenia/Spain",
    "Malta",
};

const std::map<int, int> kSplitRowCounts = {
    {61, 5},   {62, 132}, {192, 54}, {193, 132}, {194, 203}, {195, 217}, {200, 19},
    {202, 29}, {203, 10}, {210, 32}, {211, 8},   {212, 122}, {213, 166}, {217, 30},
};
constexpr std::size_t kTotalRows = 1401;

// First octets whose rule converts the first label instead of comparing it.
bool InNumericSpan(int first) {
    return (first >= 63 && first <= 172) || (first >= 204 && first <= 209) ||
           (first >= 224 && first <= 239);
}

std::map<int, std::vector<WhereIsRow>> RowsByOctet() {
    std::map<int, std::vector<WhereIsRow>> by;
    for (const WhereIsRow& r : WhereIsRows())
        by[r.first].push_back(r);
    return by;
}

std::string Dotted(int a, int b, int c, int d) {
    return std::to_string(a) + '.' + std::to_string(b) + '.' + std::to_string(c) + '.' +
           std::to_string(d);
}

TEST(WhereIsTable, TilesEveryFirstAndSecondOctetOnce) {
    const auto rows = WhereIsRows();
    ASSERT_EQ(rows.size(), kTotalRows);
    int first = -1;
    int next = 256;
    std::string last;
    for (const WhereIsRow& r : rows) {
        if (r.first != first) {
            ASSERT_EQ(next, 256) << "octet " << first << " ends early";
            ASSERT_EQ(r.first, first + 1) << "octets out of order";
            first = r.first;
            next = 0;
            last.clear();
        } else {
            // Rows are whole runs: two neighbours with one answer would be one row.
            EXPECT_NE(std::string(r.answer), last) << first << '.' << int(r.lo);
        }
        ASSERT_EQ(r.lo, next) << "gap or overlap in octet " << first;
        ASSERT_LE(r.lo, r.hi);
        next = r.hi + 1;
        last = std::string(r.answer);
    }
    EXPECT_EQ(first, 255);
    EXPECT_EQ(next, 256);
}

TEST(WhereIsTable, HasTheRowCountsPerOctet) {
    const auto by = RowsByOctet();
    int single = 0;
    for (const auto& [first, rows] : by) {
        const auto split = kSplitRowCounts.find(first);
        if (split == kSplitRowCounts.end()) {
            EXPECT_EQ(rows.size(), 1u) << "octet " << first;
            ++single;
        } else {
            EXPECT_EQ(rows.size(), std::size_t(split->second)) << "octet " << first;
        }
    }
    EXPECT_EQ(single, 242);
}

TEST(WhereIsTable, KeepsTheWholeOctetAnswers) {
    const auto by = RowsByOctet();
    int covered = 0;
    for (const OctetSpan& span : kWholeOctets) {
        for (int f = span.lo; f <= span.hi; ++f, ++covered) {
            ASSERT_EQ(by.at(f).size(), 1u) << "octet " << f;
            const WhereIsRow& r = by.at(f).front();
            EXPECT_EQ(r.answer, span.answer) << "octet " << f;
            const Match want = std::string(span.answer) == "X" ? Match::kNoRule
                               : InNumericSpan(f)              ? Match::kNumeric
                                                               : Match::kExact;
            EXPECT_EQ(r.match, want) << "octet " << f;
        }
    }
    EXPECT_EQ(covered + int(kSplitRowCounts.size()), 256);
}

TEST(WhereIsTable, KeepsTheFixedRowsWhole) {
    const auto by = RowsByOctet();
    for (const FixedRow& fixed : kFixedRows) {
        const auto& rows = by.at(fixed.first);
        const bool found = std::any_of(rows.begin(), rows.end(), [&](const WhereIsRow& r) {
            return r.lo == fixed.lo && r.hi == fixed.hi && r.answer == fixed.answer;
        });
        EXPECT_TRUE(found) << fixed.first << '.' << fixed.lo << '-' << fixed.hi << ' '
                           << fixed.answer;
    }
    for (const WhereIsRow& r : by.at(192))
        EXPECT_NE(r.answer, "X") << "192." << int(r.lo);
}

TEST(WhereIsTable, SplitOctetsUseTheBlockAnswersInTheirOrder) {
    const std::vector<std::string> vocabulary(std::begin(kBlockAnswers), std::end(kBlockAnswers));
    const std::set<std::string> known(vocabulary.begin(), vocabulary.end());
    ASSERT_EQ(known.size(), vocabulary.size());
    std::vector<std::string> first_seen;
    for (const WhereIsRow& r : WhereIsRows()) {
        if (!kSplitRowCounts.contains(r.first) || r.answer == "X")
            continue;
        const std::string answer(r.answer);
        EXPECT_TRUE(known.contains(answer)) << r.first << '.' << int(r.lo) << " \"" << answer;
        if (std::find(first_seen.begin(), first_seen.end(), answer) == first_seen.end())
            first_seen.push_back(answer);
    }
    EXPECT_EQ(first_seen, vocabulary);
}

TEST(WhereIsTable, RulesMatchHowTheRowsSay) {
    for (const WhereIsRow& r : WhereIsRows()) {
        const bool split = kSplitRowCounts.contains(r.first);
        if (r.answer == "X") {
            EXPECT_EQ(r.match, Match::kNoRule) << r.first << '.' << int(r.lo);
        } else if (split && r.lo == r.hi) {
            // A single value is always tested exactly.
            EXPECT_EQ(r.match, Match::kExact) << r.first << '.' << int(r.lo);
        } else {
            EXPECT_NE(r.match, Match::kNoRule) << r.first << '.' << int(r.lo);
        }
    }
}

// The lookup answers every first and second octet from the rows; a label written otherwise
// (with a leading zero) matches only through a numeric rule, and letters fail a conversion.
TEST(WhereIsTable, LookupReproducesEveryRow) {
    for (const WhereIsRow& r : WhereIsRows()) {
        const int f = r.first;
        const bool split = kSplitRowCounts.contains(f);
        const std::string numeric = r.match == Match::kNumeric ? std::string(r.answer) : "X";
        for (int s = r.lo; s <= r.hi; ++s) {
            const std::string ip = Dotted(f, s, s ^ 0x5A, 255 - s);
            ASSERT_EQ(WhereIs(ip), r.answer) << ip;
            if (split) {
                const std::string padded = std::to_string(f) + ".0" + std::to_string(s) + ".1.1";
                ASSERT_EQ(WhereIs(padded), numeric) << padded;
            }
        }
        if (!split) {
            const std::string padded = "0" + Dotted(f, 0, 0, 1);
            EXPECT_EQ(WhereIs(padded), numeric) << padded;
        }
        const std::string letters = std::to_string(f) + ".x.1.1";
        EXPECT_EQ(WhereIs(letters), split ? "X" : std::string(r.answer)) << letters;
    }
}

TEST(WhereIs, GivesTheSameAnswersOnManyThreadsAtOnce) {
    std::vector<std::string> ips;
    std::vector<std::string> want;
    for (int f = 0; f < 256; f += 3) {
        for (int s = 0; s < 256; s += 5) {
            ips.push_back(Dotted(f, s, 1, 2));
            want.push_back(WhereIs(ips.back()));
        }
    }
    std::vector<int> wrong(8, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 20; ++round)
                for (std::size_t i = 0; i < ips.size(); ++i)
                    if (WhereIs(ips[i]) != want[i])
                        ++wrong[t];
        });
    }
    for (auto& th : threads)
        th.join();
    for (int t = 0; t < 8; ++t)
        EXPECT_EQ(wrong[t], 0) << "thread " << t;
}

}  // namespace
}  // namespace orv
