// Hands a web address, a "mailto:" address or a local file to the desktop's default handler.
#pragma once

#include <string>

namespace orv {

// Opens `target` (a URL with scheme, or a local path) with the desktop's default application.
// Returns false when no handler took it; the caller decides whether that is worth a word.
bool ShellOpen(const std::string& target);

// Tests replace the desktop with a recorder; nullptr restores it.
using ShellOpenHook = bool (*)(const std::string& target);
void SetShellOpenHook(ShellOpenHook hook);

}  // namespace orv
