// The report writers of the four export dialogs: pure functions of a snapshot of a result grid,
// the report kind, the echo count of the last ping run and the creation time's text. They
// return the bytes of the file; the dialogs only put them where the user chose.
#pragma once

#include <string>
#include <vector>

namespace orv::report {

// A copy of a result grid's cells as the bytes that came in, taken when an export starts (a
// worker may still be adding rows while the save dialog is open).
class GridSnapshot {
  public:
    GridSnapshot() = default;
    // `rows[r][c]`: the cell of column c, row r; rows may be shorter than others. `marked[r]`:
    // the page's mark on row r (the ping grid marks the row of an entry that did not resolve).
    explicit GridSnapshot(std::vector<std::vector<std::string>> rows,
                          std::vector<bool> marked = {});

    // The grid's RowCount, its last (empty) row included.
    int RowCount() const;
    // The cell's bytes; empty for a cell past the grid's end.
    const std::string& Cell(int col, int row) const;
    bool Marked(int row) const;

  private:
    std::vector<std::vector<std::string>> rows_;
    std::vector<bool> marked_;
};

enum class Report {
    // ping_export
    PingRunningList,     // RadioButton1, text
    PingNonRunningList,  // RadioButton2, text
    PingRunningHtml,     // RadioButton3
    PingNonRunningHtml,  // RadioButton4
    PingAllHtml,         // RadioButton5
    // nametoip_export
    NameToIpAddressList,  // RadioButton1, text
    NameToIpNameList,     // RadioButton2, text
    NameToIpRunningHtml,  // RadioButton3
    NameToIpAllHtml,      // RadioButton4
    // country_export
    CountrySuccessHtml,  // RadioButton3
    CountryAllHtml,      // RadioButton4
    // monitor_export
    MonitorHistory,  // RadioButton3, text
};

bool IsHtml(Report kind);

// The whole file of report `kind` over `grid`. `pingCount` is the echo count of the last ping
// run (ping lists only); `createdAt` is the creation line's "<short date> <long time>" (HTML
// only).
std::string Write(Report kind, const GridSnapshot& grid, int pingCount,
                  const std::string& createdAt);

}  // namespace orv::report
