#include "export/reports.h"

#include "export/report_writers.h"

#include <utility>

namespace orv::report {

GridSnapshot::GridSnapshot(std::vector<std::vector<std::string>> rows, std::vector<bool> marked)
    : rows_(std::move(rows)), marked_(std::move(marked)) {}

bool GridSnapshot::Marked(int row) const {
    return row >= 0 && static_cast<std::size_t>(row) < marked_.size() &&
           marked_[static_cast<std::size_t>(row)];
}

int GridSnapshot::RowCount() const {
    return static_cast<int>(rows_.size());
}

const std::string& GridSnapshot::Cell(int col, int row) const {
    static const std::string empty;
    if (row < 0 || col < 0 || row >= RowCount())
        return empty;
    const auto& cells = rows_[static_cast<std::size_t>(row)];
    return static_cast<std::size_t>(col) < cells.size() ? cells[static_cast<std::size_t>(col)]
                                                        : empty;
}

bool IsHtml(Report kind) {
    switch (kind) {
        case Report::PingRunningList:
        case Report::PingNonRunningList:
        case Report::NameToIpAddressList:
        case Report::NameToIpNameList:
        case Report::MonitorHistory:
            return false;
        default:
            return true;
    }
}

std::string Write(Report kind, const GridSnapshot& grid, int pingCount,
                  const std::string& createdAt) {
    switch (kind) {
        case Report::PingRunningList:
        case Report::PingNonRunningList:
        case Report::PingRunningHtml:
        case Report::PingNonRunningHtml:
        case Report::PingAllHtml:
            return detail::WritePing(kind, grid, pingCount, createdAt);
        case Report::NameToIpAddressList:
        case Report::NameToIpNameList:
        case Report::NameToIpRunningHtml:
        case Report::NameToIpAllHtml:
        case Report::CountrySuccessHtml:
        case Report::CountryAllHtml:
            return detail::WriteLookup(kind, grid, createdAt);
        case Report::MonitorHistory:
            return detail::WriteHistory(grid);
    }
    return {};
}

}  // namespace orv::report
