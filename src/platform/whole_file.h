// Writing a file as a whole where the file system allows it: the bytes go to a new file beside
// the target, which is renamed over the target only once every byte is on disk, so a failure
// leaves the old file as it was. Where a second file cannot stand in for the old one (the
// folder may not be written, the file has other links, its owner or group could not be kept,
// no room for a second copy), the old file is rewritten in place instead.
#pragma once

#include <string>
#include <string_view>

namespace orv {

// Writes `bytes` as the file `path`; a symbolic link is followed and its target written.
// Created or replaced whole when it can be; otherwise the existing file is overwritten from
// its start and cut to the new length (a failure then leaves what was already written).
// Returns 0, or the system's error number of the step that failed.
int WriteWholeFile(const std::string& path, std::string_view bytes);

// What the standard error box says about a file that could not be written with error `err`:
// "File access denied", "Disk full", "Invalid filename", "Too many open files", "File not
// found", or "I/O error <err>" for the rest.
std::string FileErrorText(int err);

}  // namespace orv
