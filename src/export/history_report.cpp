// The connection history: an empty first line, then one line per record with the columns
// joined by fixed runs of blanks (three after the date, four elsewhere), unpadded.
#include <algorithm>
#include <string>

#include "export/report_writers.h"

namespace orv::report::detail {

std::string WriteHistory(const GridSnapshot& grid) {
    std::string out;
    const int records = std::max(grid.RowCount() - 1, 0);
    out.reserve(2 + static_cast<std::size_t>(records) * 128);
    Line(out, "");
    for (int r = 0; r < records; ++r) {
        out.append(grid.Cell(0, r));
        out.append("   ");
        out.append(grid.Cell(1, r));
        for (int c = 2; c < 8; ++c) {
            out.append("    ");
            out.append(grid.Cell(c, r));
        }
        out.append("\r\n");
    }
    return out;
}

}  // namespace orv::report::detail
