// The browser link as the tool pages use it: the browser buttons and the start-up pre-fill.
//
// Asking the browser waits (a debugging port, a session file of tens of MiB), so it runs on a
// worker and the page acts when the answer comes back, in the order a press has always had:
// the message when there is no page, else the input box, then the page's operations.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/browser_link.h"
#include "tasks/task_slot.h"
#include "tasks/worker.h"

class QLineEdit;

namespace orv {

class TToolPage;

// The one conversation with the web browser of a window, shared by the workers that ask it:
// one asks at a time. It depends on nothing of the window, so a worker may outlive the window.
class BrowserLink {
  public:
    explicit BrowserLink(browser::Places places = browser::UserPlaces());
    // The address of the page open in the web browser, or "XXX" when there is none. Any thread;
    // it waits for the browser, up to the link's bound.
    std::string GetBrowserUrl();

  private:
    std::mutex m_;
    browser::TDdeClientConv conv_;
};

// What the pages take from the browser's page.
struct BrowserPage {
    std::string url;
    std::string host;     // HostOfUrl(url)
    QString whoisDomain;  // the Whois box's text for the host; empty unless asked for
};

// Asks the browser on a worker: `ask` runs there (with the Whois look-up when `whois`), then
// `answer` runs on the main thread with the page, or with nothing when there is none. When the
// Whois text needs a name looked up, `lookingUp` (when set) gets the text first, on the main
// thread. Start halts the ask before it in `slot`.
void AskBrowser(task::TaskSlot& slot, const std::shared_ptr<task::MainQueue>& queue,
                std::function<std::string()> ask, bool whois,
                std::function<void(const std::optional<BrowserPage>&)> answer,
                std::function<void(const QString&)> lookingUp = {});

// A browser button of `page`: asks the browser on the page's browser task; with no page the
// user is told so in a box of the main window; otherwise `use` fills `box` and runs the page's
// tool. When the user types into `box` meanwhile, the answer is dropped: what they typed is the
// newer request. A second press replaces the first. `lookingUp`: see AskBrowser.
void BrowserButtonPress(TToolPage& page, QLineEdit* box, bool whois,
                        std::function<void(const BrowserPage&)> use,
                        std::function<void(const QString&)> lookingUp = {});

// The start-up pre-fill of one box: it comes late, so a box the user (or a send-to) has
// written in meanwhile keeps its text.
void PrefillBox(QLineEdit* box, const QString& text);

}  // namespace orv
