// Saving and loading a whole side bar. The saved state is a JSON document whose root component
// is named "MXCOMPONENTSAVEDATA" whatever the bar's own name; it holds every stored value of the
// bar, its headers and buttons (in order, with their names) and the objects they own, pictures
// as PNG bytes, and a checksum over all of it, so a damaged file is refused rather than half
// applied. The members that use it are TmxSideBar's LoadFromStream, SaveToStream, LoadFromFile
// and SaveToFile.
#pragma once

#include <stdexcept>

namespace orv {

// The name of the root component of every saved bar.
inline constexpr char kSavedBarRootName[] = "MXCOMPONENTSAVEDATA";

// A stream that does not hold a saved bar: cut short, damaged, of another root or with a value
// the bar cannot take. The bar has not changed when it is raised.
class EReadError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A stream that took less than the whole saved bar.
class EWriteError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A file that cannot be created or opened; the message names it. Nothing was written or read.
class EFileStreamError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace orv
