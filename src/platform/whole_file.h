// Writing a file whole or not at all: the bytes go to a new file beside the target, which is
// renamed over the target only once every byte is on disk. A failure leaves the target as it
// was and removes the new file.
#pragma once

#include <string>
#include <string_view>

namespace orv {

// Writes `bytes` as the file `path` (created, or replaced atomically). Returns 0, or the
// system's error number of the step that failed.
int WriteWholeFile(const std::string& path, std::string_view bytes);

// What the standard error box says about a file that could not be written with error `err`:
// "File access denied", "Disk full", "Invalid filename", "Too many open files", "File not
// found", or "I/O error <err>" for the rest.
std::string FileErrorText(int err);

}  // namespace orv
