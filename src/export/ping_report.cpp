// The Batch Ping reports: address lists stepping over each item's block of echo rows, and HTML
// reports of the echo rows themselves.
#include <algorithm>
#include <string>

#include "export/report_writers.h"

namespace orv::report::detail {
namespace {

// Whether any of rows first .. first + count - 1 was answered; rows past the end read empty.
bool AnyRunning(const GridSnapshot& grid, int first, int count) {
    for (int r = first; r < first + count; ++r) {
        if (grid.Cell(0, r) == "Running")
            return true;
    }
    return false;
}

// The page marks the row of an entry that did not resolve: its block is that one row,
// whatever its reason says ("Unknown host", or that no name server answered).
bool Unresolved(const GridSnapshot& grid, int row) {
    return grid.Marked(row);
}

// One line per item that answered at least once: the item's first row names it.
std::string RunningList(const GridSnapshot& grid, int pingCount) {
    std::string out;
    for (int r = 1; r < grid.RowCount() - 1;) {
        if (Unresolved(grid, r)) {
            r += 1;
            continue;
        }
        if (grid.Cell(0, r) == "Running" || (pingCount > 1 && AnyRunning(grid, r, pingCount)))
            Line(out, grid.Cell(1, r));
        r += pingCount;
    }
    return out;
}

// One line per item that never answered; an unresolved item has a single row.
std::string NonRunningList(const GridSnapshot& grid, int pingCount) {
    std::string out;
    for (int r = 1; r < grid.RowCount() - 1;) {
        if (Unresolved(grid, r)) {
            Line(out, grid.Cell(1, r));
            r += 1;
            continue;
        }
        if (grid.Cell(0, r) == "X" && (pingCount == 1 || !AnyRunning(grid, r, pingCount)))
            Line(out, grid.Cell(1, r));
        r += pingCount;
    }
    return out;
}

std::string EchoRowsHtml(Report kind, const GridSnapshot& grid, const std::string& createdAt) {
    std::string_view title;
    switch (kind) {
        case Report::PingRunningHtml:
            title = "All Records of the Running IP Addresses";
            break;
        case Report::PingNonRunningHtml:
            title = "All Records of Non-Running IP Addresses";
            break;
        default:
            title = "All Records of all the IP Addresses";
    }
    std::string out;
    // About eight lines of some 60 bytes per row.
    out.reserve(2048 + static_cast<std::size_t>(std::max(grid.RowCount(), 0)) * 560);
    HtmlHead(out, Layout::Ping, title);
    Line(out, R"(<tr bgcolor="#6699CC">)");
    Line(out, R"(<td height="35" width="5%"><div align="center"><b></b></div></td>)");
    Line(out, R"(<td height="35" width="12%"><div align="center"><b>Status</b></div></td>)");
    Line(
        out,
        R"(<td height="29" width="39%"><div align="center"><b>IP or Domain/Host Name</b></div></td>)");
    Line(out, R"(<td height="29" width="9%"><div align="center"><b>Bytes</b></div></td>)");
    Line(out, R"(<td height="29" width="16%"><div align="center"><b>Time(ms)</b></div></td>)");
    Line(out, R"(<td height="29" width="19%"><div align="center"><b>Failed Reason</b></div></td>)");
    Line(out, R"(</tr>)");

    HtmlRows rows(out);
    for (int r = 1; r < grid.RowCount() - 1; ++r) {
        const bool failed = grid.Cell(0, r) == "X";
        if (kind == Report::PingRunningHtml && failed)
            continue;
        if (kind == Report::PingNonRunningHtml && !failed)
            continue;
        rows.Begin(kind == Report::PingAllHtml && failed, "5%");
        rows.Cell("12%", grid.Cell(0, r));
        rows.Cell("39%", grid.Cell(1, r));
        rows.Cell("9%", grid.Cell(2, r));
        rows.Cell("16%", grid.Cell(3, r));
        rows.Cell("19%", grid.Cell(4, r));
        Line(out, R"(</tr>)");
    }

    Line(
        out,
        R"(<tr bgcolor="#6699CC"><td height="21"></td><td height="21"></td><td height="21"></td><td height="21"></td><td height="21"></td><td height="21"></td></tr>)");
    HtmlTail(out, createdAt);
    return out;
}

}  // namespace

std::string WritePing(Report kind, const GridSnapshot& grid, int pingCount,
                      const std::string& createdAt) {
    // The lists step from block to block by the echo count; a step of 0 would never end.
    pingCount = std::max(pingCount, 1);
    switch (kind) {
        case Report::PingRunningList:
            return RunningList(grid, pingCount);
        case Report::PingNonRunningList:
            return NonRunningList(grid, pingCount);
        default:
            return EchoRowsHtml(kind, grid, createdAt);
    }
}

}  // namespace orv::report::detail
