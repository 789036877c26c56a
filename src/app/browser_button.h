// The browser buttons of the tool pages: each takes the page open in the web browser.
#pragma once

#include <optional>
#include <string>

namespace orv {

class TToolPage;

// The address of the page open in the web browser, asked once. When there is none the user is
// told so, in a box of the main window, and nothing is returned.
std::optional<std::string> BrowserUrlForButton(TToolPage& page);

}  // namespace orv
