#include "app/browser_button.h"

#include "app/page_frame.h"
#include "lookup/browser_url.h"

namespace orv {

std::optional<std::string> BrowserUrlForButton(TToolPage& page) {
    std::string url = page.Context().browserUrl();
    if (url != kNoBrowserPage)
        return url;
    page.Context().Dialogs().Message(page.window(), "Internet Explorer is not running!", "",
                                     ui::Icon::Warning, ui::Buttons::Ok);
    return std::nullopt;
}

}  // namespace orv
