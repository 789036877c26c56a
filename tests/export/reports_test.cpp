// The report writers over small grids, compared byte for byte with hand-written goldens.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "export/reports.h"

namespace {

using orv::report::GridSnapshot;
using orv::report::Report;
using Rows = std::vector<std::vector<std::string>>;

const std::string kCreated = "10/12/2026 14:45:15";

std::string Golden(const std::string& name) {
    std::ifstream in(std::string(ORVELAN_GOLDEN_DIR) + "/" + name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const std::vector<std::string> kPingHeadings = {"Status", "IP or Domain/Host Name", "Bytes",
                                                "Time(ms)", "Failed Reason"};

// One echo per item: an answered item, an unresolved one, a timed-out one, a row whose status
// is neither marker, another answered one; then the grid's empty last row.
GridSnapshot PingOneEcho() {
    return GridSnapshot(Rows{kPingHeadings,
                             {"Running", "alpha.example", "32", "1", " "},
                             {"X", "nosuch.invalid", " ", " ", "Unknown host"},
                             {"X", "10.0.0.9", " ", " ", "Timed out"},
                             {"", "10.0.0.7", "", "", ""},
                             {"Running", "10.0.0.1", "32", "4", " "},
                             {}},
                        {false, false, true});
}

// Two echoes per item: one answered on its second echo only, one on its first (its second row
// left empty), an unresolved item (a single row), one that never answered, and a run stopped
// after the first echo of the last item.
GridSnapshot PingTwoEchoes() {
    return GridSnapshot(Rows{kPingHeadings,
                             {"X", "beta.example", " ", " ", "Timed out"},
                             {"Running", "beta.example", "32", "7", " "},
                             {"Running", "gamma.example", "32", "3", " "},
                             {"", "", "", "", ""},
                             {"X", "nosuch.invalid", " ", " ", "Unknown host"},
                             {"X", "10.0.0.9", " ", " ", "Timed out"},
                             {"X", "10.0.0.9", " ", " ", "Timed out"},
                             {"X", "10.0.0.1", " ", " ", "Timed out"},
                             {}},
                        {false, false, false, false, false, true});
}

// An address without a name and a name without an address between two successful rows.
GridSnapshot NameToIp() {
    return GridSnapshot(Rows{{"Domain / Host Name", "IP Address"},
                             {"alpha.example", "192.0.2.1"},
                             {"Unknown", "192.0.2.9"},
                             {"beta.example", "Unknown"},
                             {"gamma.example", "192.0.2.3"},
                             {}});
}

// A failed lookup, and an item that did not resolve but still has a country.
GridSnapshot Country() {
    return GridSnapshot(Rows{{"Domain Name / IP Address", "Country"},
                             {"alpha.example", "NETHERLANDS"},
                             {"nosuch.invalid", "X"},
                             {"X", "JAPAN"},
                             {}});
}

// Three records from row 0 (the history grid has no heading row), one without a host name.
GridSnapshot History() {
    return GridSnapshot(Rows{
        {"10/12/2026", "14:45:15", "192.168.1.5", "50312", "192.0.2.1", "https", "ESTABLISHED",
         "alpha.example"},
        {"10/12/2026", "14:45:16", "192.168.1.5", "50313", "192.0.2.7", "8080", "TIME_WAIT", ""},
        {"10/12/2026", "14:45:17", "0.0.0.0", "22", "0.0.0.0", "0", "LISTEN", "localhost"},
        {}});
}

// The heading row and the empty last row only; the history grid right after Clear.
GridSnapshot EmptyGrid(std::vector<std::string> headings) {
    return GridSnapshot(Rows{std::move(headings), {}});
}

struct GoldenCase {
    const char* name;
    Report kind;
    GridSnapshot (*grid)();
    int pingCount;
    const char* golden;  // empty: the report is an empty file
};

void PrintTo(const GoldenCase& c, std::ostream* os) {
    *os << c.name;
}

GridSnapshot EmptyPing() {
    return EmptyGrid(kPingHeadings);
}
GridSnapshot EmptyNameToIp() {
    return EmptyGrid({"Domain / Host Name", "IP Address"});
}
GridSnapshot EmptyCountry() {
    return EmptyGrid({"Domain Name / IP Address", "Country"});
}
GridSnapshot ClearedHistory() {
    return GridSnapshot(Rows{{}});
}

class ReportGolden : public testing::TestWithParam<GoldenCase> {};

TEST_P(ReportGolden, MatchesByteForByte) {
    const GoldenCase& c = GetParam();
    const std::string expected = *c.golden ? Golden(c.golden) : std::string();
    EXPECT_EQ(orv::report::Write(c.kind, c.grid(), c.pingCount, kCreated), expected);
}

const GoldenCase kGoldenCases[] = {
    {"PingRunningListOneEcho", Report::PingRunningList, PingOneEcho, 1, "ping_pc1_running.txt"},
    {"PingNonRunningListOneEcho", Report::PingNonRunningList, PingOneEcho, 1,
     "ping_pc1_nonrunning.txt"},
    {"PingRunningListTwoEchoes", Report::PingRunningList, PingTwoEchoes, 2, "ping_pc2_running.txt"},
    {"PingNonRunningListTwoEchoes", Report::PingNonRunningList, PingTwoEchoes, 2,
     "ping_pc2_nonrunning.txt"},
    {"PingRunningHtml", Report::PingRunningHtml, PingTwoEchoes, 2, "ping_running.htm"},
    {"PingNonRunningHtml", Report::PingNonRunningHtml, PingTwoEchoes, 2, "ping_nonrunning.htm"},
    {"PingAllHtml", Report::PingAllHtml, PingTwoEchoes, 2, "ping_all.htm"},
    // The page reports go row by row: the echo count changes nothing.
    {"PingAllHtmlAnyEchoCount", Report::PingAllHtml, PingTwoEchoes, 5, "ping_all.htm"},
    {"NameToIpAddressList", Report::NameToIpAddressList, NameToIp, 1, "nametoip_addresses.txt"},
    {"NameToIpNameList", Report::NameToIpNameList, NameToIp, 1, "nametoip_names.txt"},
    {"NameToIpRunningHtml", Report::NameToIpRunningHtml, NameToIp, 1, "nametoip_running.htm"},
    {"NameToIpAllHtml", Report::NameToIpAllHtml, NameToIp, 1, "nametoip_all.htm"},
    {"CountrySuccessHtml", Report::CountrySuccessHtml, Country, 1, "country_success.htm"},
    {"CountryAllHtml", Report::CountryAllHtml, Country, 1, "country_all.htm"},
    {"MonitorThreeRecords", Report::MonitorHistory, History, 1, "monitor_three.txt"},
    {"MonitorAfterClear", Report::MonitorHistory, ClearedHistory, 1, "monitor_cleared.txt"},
    {"EmptyPingRunningList", Report::PingRunningList, EmptyPing, 2, ""},
    {"EmptyPingNonRunningList", Report::PingNonRunningList, EmptyPing, 2, ""},
    {"EmptyPingRunningHtml", Report::PingRunningHtml, EmptyPing, 1, "ping_empty_running.htm"},
    {"EmptyPingNonRunningHtml", Report::PingNonRunningHtml, EmptyPing, 1,
     "ping_empty_nonrunning.htm"},
    {"EmptyPingAllHtml", Report::PingAllHtml, EmptyPing, 1, "ping_empty_all.htm"},
    {"EmptyNameToIpAddressList", Report::NameToIpAddressList, EmptyNameToIp, 1, ""},
    {"EmptyNameToIpNameList", Report::NameToIpNameList, EmptyNameToIp, 1, ""},
    {"EmptyNameToIpRunningHtml", Report::NameToIpRunningHtml, EmptyNameToIp, 1,
     "nametoip_empty_running.htm"},
    {"EmptyNameToIpAllHtml", Report::NameToIpAllHtml, EmptyNameToIp, 1, "nametoip_empty_all.htm"},
    {"EmptyCountrySuccessHtml", Report::CountrySuccessHtml, EmptyCountry, 1,
     "country_empty_success.htm"},
    {"EmptyCountryAllHtml", Report::CountryAllHtml, EmptyCountry, 1, "country_empty_all.htm"},
};

INSTANTIATE_TEST_SUITE_P(Kinds, ReportGolden, testing::ValuesIn(kGoldenCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The lists step from block to block by the echo count and read rows past the grid's end as
// empty text.
TEST(PingLists, StepByEchoCountPastTheGridsEnd) {
    struct Case {
        const char* name;
        Report kind;
        int pingCount;
        std::string expected;
    };
    // Three echoes per item, the run stopped after two echoes of its only item: the block runs
    // past the last row.
    const GridSnapshot stopped(Rows{kPingHeadings,
                                    {"X", "delta.example", " ", " ", "Timed out"},
                                    {"Running", "delta.example", "32", "2", " "},
                                    {}});
    const GridSnapshot stoppedFailing(Rows{kPingHeadings,
                                           {"X", "delta.example", " ", " ", "Timed out"},
                                           {"X", "delta.example", " ", " ", "Timed out"},
                                           {}});
    const Case cases[] = {
        {"answered later", Report::PingRunningList, 3, "delta.example\r\n"},
        {"answered later, not failed", Report::PingNonRunningList, 3, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(orv::report::Write(c.kind, stopped, c.pingCount, kCreated), c.expected) << c.name;
    EXPECT_EQ(orv::report::Write(Report::PingNonRunningList, stoppedFailing, 3, kCreated),
              "delta.example\r\n");
    EXPECT_EQ(orv::report::Write(Report::PingRunningList, stoppedFailing, 3, kCreated), "");
}

// An entry that did not resolve is one row, whatever its reason reads; the blocks after it
// are read where they are. Its reason text alone makes no block of one row.
TEST(PingLists, AnUnresolvedEntryIsOneRowWhateverItsReason) {
    for (const char* reason : {"Unknown host", "Temporary failure in name resolution"}) {
        SCOPED_TRACE(reason);
        const GridSnapshot grid(Rows{kPingHeadings,
                                     {"X", "silent.example", " ", " ", reason},
                                     {"X", "10.0.0.9", "0", "0", "Timed out"},
                                     {"X", "10.0.0.9", "0", "0", "Timed out"},
                                     {"Running", "10.0.0.1", "32", "1", " "},
                                     {"X", "10.0.0.1", "0", "0", "Timed out"},
                                     {}},
                                {false, true});
        EXPECT_EQ(orv::report::Write(Report::PingRunningList, grid, 2, kCreated), "10.0.0.1\r\n");
        EXPECT_EQ(orv::report::Write(Report::PingNonRunningList, grid, 2, kCreated),
                  "silent.example\r\n10.0.0.9\r\n");
    }
    // A resolved entry whose echoes failed with a reason like that still takes its block.
    const GridSnapshot resolved(Rows{kPingHeadings,
                                     {"X", "10.0.0.8", "0", "0", "Unknown host"},
                                     {"Running", "10.0.0.8", "32", "1", " "},
                                     {}});
    EXPECT_EQ(orv::report::Write(Report::PingRunningList, resolved, 2, kCreated), "10.0.0.8\r\n");
    EXPECT_EQ(orv::report::Write(Report::PingNonRunningList, resolved, 2, kCreated), "");
}

// An echo count below 1 would step by nothing and never end; it counts as one echo per item.
TEST(PingLists, EchoCountBelowOneCountsAsOne) {
    for (const Report kind : {Report::PingRunningList, Report::PingNonRunningList}) {
        const std::string one = orv::report::Write(kind, PingOneEcho(), 1, kCreated);
        EXPECT_EQ(orv::report::Write(kind, PingOneEcho(), 0, kCreated), one);
        EXPECT_EQ(orv::report::Write(kind, PingOneEcho(), -3, kCreated), one);
    }
}

// Names and addresses come from outside (lists, reverse lookups): in the pages they are
// escaped, bytes above 127 kept as they came; the text lists carry them unchanged.
TEST(HostileCells, EscapedInEveryPageKeptInLists) {
    const std::string hostile = "<script>alert(\"a&b\")</script>\xE9\xFC";
    const std::string escaped = "&lt;script&gt;alert(&quot;a&amp;b&quot;)&lt;/script&gt;\xE9\xFC";
    const GridSnapshot ping(Rows{kPingHeadings, {"X", hostile, " ", " ", hostile}, {}});
    const GridSnapshot pingRunning(Rows{kPingHeadings, {"Running", hostile, "32", "1", " "}, {}});
    const GridSnapshot nameToIp(
        Rows{{"Domain / Host Name", "IP Address"}, {hostile, "10.0.0.1"}, {}});
    const GridSnapshot country(
        Rows{{"Domain Name / IP Address", "Country"}, {hostile, hostile}, {}});
    struct Case {
        Report kind;
        const GridSnapshot& grid;
        int cells;  // hostile cells written
    };
    const Case cases[] = {
        {Report::PingRunningHtml, pingRunning, 1},
        {Report::PingNonRunningHtml, ping, 2},
        {Report::PingAllHtml, ping, 2},
        {Report::NameToIpRunningHtml, nameToIp, 1},
        {Report::NameToIpAllHtml, nameToIp, 1},
        {Report::CountrySuccessHtml, country, 2},
        {Report::CountryAllHtml, country, 2},
    };
    for (const Case& c : cases) {
        const std::string html = orv::report::Write(c.kind, c.grid, 1, kCreated);
        EXPECT_EQ(html.find("<script>"), std::string::npos) << static_cast<int>(c.kind);
        EXPECT_EQ(html.find("a&b"), std::string::npos) << static_cast<int>(c.kind);
        int found = 0;
        for (auto at = html.find(escaped); at != std::string::npos; at = html.find(escaped, at + 1))
            ++found;
        EXPECT_EQ(found, c.cells) << static_cast<int>(c.kind);
    }
    EXPECT_EQ(orv::report::Write(Report::NameToIpNameList, nameToIp, 1, kCreated),
              hostile + "\r\n");
    EXPECT_EQ(orv::report::Write(Report::PingRunningList, pingRunning, 1, kCreated),
              hostile + "\r\n");
}

}  // namespace
