// The table of known file extensions: a link whose last segment ends in one of them is
// reported with that type; any other extension counts as a page ("htm").
#pragma once

#include <string_view>

namespace orv::scan {

struct FileType {
    const char* extension;    // lower case
    const char* description;  // text for people; the scanner never shows it
};

inline constexpr int kFileTypeCount = 550;
extern const FileType kFileTypes[kFileTypeCount];  // row n is kFileTypes[n - 1]

// The row (1-based) of `extension` between firstRow and lastRow, or -1. Exact, case-sensitive.
int FileTypeRow(std::string_view extension, int firstRow = 1, int lastRow = kFileTypeCount);
bool IsKnownFileType(std::string_view extension);

}  // namespace orv::scan
