// Pieces shared by the report writers: line output, the HTML skeleton and its row rules.
#pragma once

#include <string>
#include <string_view>

#include "export/reports.h"

namespace orv::report::detail {

// Every line of every report ends with CR LF.
inline void Line(std::string& out, std::string_view text) {
    out.append(text);
    out.append("\r\n");
}

// Appends `text` with &, <, >, " replaced by their entities; every other byte as it stands.
void AppendEscaped(std::string& out, std::string_view text);

// The two table layouts of the HTML reports: the ping reports centre the banner table and
// use the wide data table, the lookup reports the narrow one.
enum class Layout { Ping, Lookup };

// Everything above the heading row.
void HtmlHead(std::string& out, Layout layout, std::string_view title);
// Everything below the closing row of the data table.
void HtmlTail(std::string& out, const std::string& createdAt);

// Writes the data rows: alternating row colours and a running number, both counted over the
// rows actually written.
class HtmlRows {
  public:
    explicit HtmlRows(std::string& out) : out_(out) {}

    // Opens the next written row and writes its running-number cell.
    void Begin(bool red, std::string_view numberWidth);
    // One cell line; `last` closes the row on the same line.
    void Cell(std::string_view width, std::string_view text, bool last = false);

  private:
    std::string& out_;
    int written_ = 0;
    bool red_ = false;
};

std::string WritePing(Report kind, const GridSnapshot& grid, int pingCount,
                      const std::string& createdAt);
std::string WriteLookup(Report kind, const GridSnapshot& grid, const std::string& createdAt);
std::string WriteHistory(const GridSnapshot& grid);

}  // namespace orv::report::detail
