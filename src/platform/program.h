// Where the program lives.
#pragma once

#include <string>

namespace orv {

// The folder of the running executable, ending in "/". "./" when it cannot be found.
std::string ExecutableFolder();
// The running executable's file name without folder and extension ("orvelan").
std::string ExecutableBaseName();

}  // namespace orv
