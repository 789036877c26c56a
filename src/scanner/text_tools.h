// Small text routines of the scanner (bytes; ASCII case mapping is common/ascii.h), the writer of
// the system's per-server connection limits and the naming of files on disk.
#pragma once

#include <string>
#include <string_view>

namespace orv::scan {

inline bool Contains(std::string_view s, std::string_view what) {
    return s.find(what) != std::string_view::npos;
}

// Position (from 1) of the last `c` in `text`; 0 when absent or the text is empty.
int LastCharPos(char c, std::string_view text);
void ReplaceChar(char from, char to, std::string& text);

// Writes the current user's "MaxConnectionsPerServer" = count and
// "MaxConnectionsPer1_0Server" = count + 2 under the Internet settings key; failures are
// ignored.
void SetConnectionLimits(int count);

// A results file name from a date and time text in the day-first short-date and long-time
// format ("dd/mm/yyyy hh:mm:ss" gives "yyyy-mm-dd_hh.mm.ss.txt").
std::string ResultsFileName(std::string_view dateTimeText);
// The same from the current date and time.
std::string ResultsFileName();

// The local file of a downloaded page: `hostAndPath` ("host/dir/" or "host/dir/file.htm")
// under `directory`, "index.html" standing for a directory.
std::string LocalPathFor(std::string_view directory, std::string_view hostAndPath);

}  // namespace orv::scan
