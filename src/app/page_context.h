// What a tool page gets from the window it lives in. A page is built with a context and never
// reaches for the window itself, so a test builds one page with a context of its own.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "controls/dialogs.h"
#include "platform/icmp.h"
#include "platform/inifile.h"
#include "tasks/worker.h"

namespace orv {

class SendTargets;

struct PageContext {
    // Where the page's worker threads deliver their writes.
    std::shared_ptr<task::MainQueue> queue;
    // settings.ini; nullptr until start-up has opened it.
    IniFile* settings = nullptr;
    // The program folder, ending in "/"; empty until start-up.
    std::string programFolder;
    // The list import dialog the three tool lists share (its folder and filter persist).
    ui::FileDialogSpec openList;
    // The ICMP handle of the whole run; invalid until start-up has opened it.
    icmp::IcmpHandle icmp = icmp::kInvalidHandle;
    // The browser link: the address of the page open in the web browser, "XXX" when there is
    // none. Each call asks the browser once and waits for it, so pages call it on a worker
    // (app/browser_button.h); it must not refer to the window, which may go first.
    std::function<std::string()> browserUrl = [] { return std::string("XXX"); };
    // The boxes and file dialogs; nullptr: the ones in force (ui::CurrentDialogs()).
    ui::Dialogs* dialogs = nullptr;
    // Where the send-to items deliver: the other tools' pages; nullptr: the items do nothing.
    SendTargets* sendTargets = nullptr;

    ui::Dialogs& Dialogs() const { return dialogs ? *dialogs : ui::CurrentDialogs(); }
};

}  // namespace orv
