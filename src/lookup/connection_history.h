// The "is it new" index of the Connection Monitor's history. A connection counts as seen when
// some history row holds its local port, remote address, remote port and state; the local
// address, date and time take no part. The history itself lives in the page's grid: the index
// keeps the keys of its rows, counts the rows it stands for, and is built again from the rows
// when the history was changed by anything but the page's own appends and clears.
#pragma once

#include <functional>
#include <string>
#include <unordered_set>

#include "lookup/connections.h"

namespace orv {

class ConnectionHistory {
  public:
    // The compared texts of one history row.
    struct Fields {
        std::string localPort, remoteAddress, remotePort, state;
    };
    // Reads the compared texts of history row `row`.
    using RowReader = std::function<Fields(int row)>;

    // The history was changed by someone else: the next Sync builds the index again.
    void MarkChanged() { changed_ = true; }
    // Builds the index again from the `rows` rows of the history, unless it already stands for
    // them. Every row counts, the empty last one included, as a look through the rows would.
    void Sync(int rows, const RowReader& read);
    // Whether a row holds the compared texts of `record`.
    bool Holds(const TTcpConnStatus& record) const;
    // A row holding `record` was added; the history now has `rows` rows.
    void Added(const TTcpConnStatus& record, int rows);
    // The history is one empty row again.
    void Clear();

    // Rows the index stands for; none until the first Sync or Clear.
    int Rows() const { return rows_; }

  private:
    // The compared fields as one unambiguous key, in a buffer reused for look-ups.
    const std::string& KeyOf(const std::string& localPort, const std::string& remoteAddress,
                             const std::string& remotePort, const std::string& state) const;

    std::unordered_set<std::string> seen_;
    int rows_ = 0;
    bool changed_ = false;
    mutable std::string key_;
};

}  // namespace orv
