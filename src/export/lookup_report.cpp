// The two-column lookup reports: the name-to-address converter's lists and HTML reports, and the
// country lookup's HTML reports.
#include <algorithm>
#include <string>

#include "export/report_writers.h"

namespace orv::report::detail {
namespace {

bool IsCountryKind(Report kind) {
    return kind == Report::CountrySuccessHtml || kind == Report::CountryAllHtml;
}

bool Failed(Report kind, const GridSnapshot& grid, int r) {
    if (IsCountryKind(kind))
        return grid.Cell(1, r) == "X";
    return grid.Cell(0, r) == "Unknown" || grid.Cell(1, r) == "Unknown";
}

std::string_view Title(Report kind) {
    switch (kind) {
        case Report::NameToIpRunningHtml:
            return "The Running IP Addresses and Domain / Host Names";
        case Report::NameToIpAllHtml:
            return "All the IP Addresses and Domain / Host Names";
        case Report::CountrySuccessHtml:
            return "Country Lookup Successfully";
        default:
            return "All the Domain Names/IP Addresses and Countries";
    }
}

std::string List(Report kind, const GridSnapshot& grid) {
    const int col = kind == Report::NameToIpAddressList ? 1 : 0;
    std::string out;
    for (int r = 1; r < grid.RowCount() - 1; ++r) {
        if (!Failed(kind, grid, r))
            Line(out, grid.Cell(col, r));
    }
    return out;
}

std::string Html(Report kind, const GridSnapshot& grid, const std::string& createdAt) {
    const bool allRows = kind == Report::NameToIpAllHtml || kind == Report::CountryAllHtml;
    std::string out;
    // Four lines of some 60 bytes per row.
    out.reserve(2048 + static_cast<std::size_t>(std::max(grid.RowCount(), 0)) * 280);
    HtmlHead(out, Layout::Lookup, Title(kind));
    if (IsCountryKind(kind)) {
        Line(
            out,
            R"(<tr bgcolor="#6699CC"><td height="35" width="5%"></td><td height="35" width="45%"><div align="center"><b>Domain Name/IP Address</b></div></td><td height="29" width="45%"><div align="center"><b>Country</b></div></td></tr>)");
    } else {
        Line(
            out,
            R"(<tr bgcolor="#6699CC"><td height="35" width="5%"></td><td height="35" width="45%"><div align="center"><b>Domain / Hose Name</b></div></td><td height="29" width="45%"><div align="center"><b>IP Address</b></div></td></tr>)");
    }

    HtmlRows rows(out);
    for (int r = 1; r < grid.RowCount() - 1; ++r) {
        const bool failed = Failed(kind, grid, r);
        if (failed && !allRows)
            continue;
        rows.Begin(failed, "5%");
        rows.Cell("45%", grid.Cell(0, r));
        rows.Cell("45%", grid.Cell(1, r), /*last=*/true);
    }

    Line(
        out,
        R"(<tr bgcolor="#6699CC"><td height="21" width="5%"><div align="center"> <div></td><td height="21" width="45%"><div align="center"> <div></td><td height="21" width="45%"><div align="center"> <div></td></tr>)");
    HtmlTail(out, createdAt);
    return out;
}

}  // namespace

std::string WriteLookup(Report kind, const GridSnapshot& grid, const std::string& createdAt) {
    if (IsHtml(kind))
        return Html(kind, grid, createdAt);
    return List(kind, grid);
}

}  // namespace orv::report::detail
