#include "app/app_windows.h"

#include "app/page_country.h"
#include "app/page_iptodomain.h"
#include "app/page_monitor.h"
#include "app/page_ping.h"
#include "app/page_scanner.h"
#include "controls/dialogs.h"

namespace orv {

namespace {
// A window whose content is not there yet: it opens and closes, nothing more.
std::unique_ptr<QDialog> Shell(const char* name) {
    auto d = std::make_unique<QDialog>();
    d->setObjectName(name);
    return d;
}
}  // namespace

AppWindows::~AppWindows() {
    // Dialogs first, the main window last, the reverse of their creation.
    localinfo.reset();
    filter_help.reset();
    monitor_export.reset();
    country_export.reset();
    nametoip_export.reset();
    ip_update.reset();
    ip_add.reset();
    about.reset();
    ping_export.reset();
    ping_update.reset();
    ping_add.reset();
    whereis_update.reset();
    whereis_add.reset();
    main.reset();
}

std::unique_ptr<AppWindows> AppWindows::Create(const std::string& programFolder,
                                               ScannerControl* scanner) {
    auto w = std::make_unique<AppWindows>();
    w->main = std::make_unique<Tmain>(programFolder, scanner);
    w->whereis_add =
        std::make_unique<Twhereis_add>(TListEditing::Find(w->main.get(), EditedList::Whereis));
    w->whereis_update =
        std::make_unique<Twhereis_update>(TListEditing::Find(w->main.get(), EditedList::Whereis));
    w->ping_add = std::make_unique<Tping_add>(TListEditing::Find(w->main.get(), EditedList::Ping));
    w->ping_update =
        std::make_unique<Tping_update>(TListEditing::Find(w->main.get(), EditedList::Ping));
    w->ping_export = std::make_unique<Tping_export>(w->main->batch_ping_tab);
    w->about = std::make_unique<Tabout>();
    w->ip_add = std::make_unique<Tip_add>(TListEditing::Find(w->main.get(), EditedList::Ip));
    w->ip_update = std::make_unique<Tip_update>(TListEditing::Find(w->main.get(), EditedList::Ip));
    w->nametoip_export = std::make_unique<Tnametoip_export>(w->main->ip_to_domain_converter_tab);
    w->country_export = std::make_unique<Tcountry_export>(w->main->country_lookup_tab);
    w->monitor_export = std::make_unique<Tmonitor_export>(w->main->connection_monitor_tab);
    w->filter_help = std::make_unique<Tfilter_help>();
    w->localinfo = Shell("localinfo");
    Tabout* about = w->about.get();
    Tmain* main = w->main.get();
    about->OpenWebSite = [main] { main->BatchIPWebsite1Click(); };
    w->main->ShowAbout = [about] { ui::CurrentDialogs().ExecModal(about); };
    TBatchPingPage* ping = w->main->batch_ping_tab;
    QDialog* pingExport = w->ping_export.get();
    ping->ShowExport = [ping, pingExport] { ping->Context().Dialogs().ExecModal(pingExport); };
    TIpToDomainPage* converter = w->main->ip_to_domain_converter_tab;
    QDialog* converterExport = w->nametoip_export.get();
    converter->ShowExport = [converter, converterExport] {
        converter->Context().Dialogs().ExecModal(converterExport);
    };
    w->main->country_lookup_tab->country_export = w->country_export.get();
    w->main->connection_monitor_tab->monitor_export = w->monitor_export.get();
    w->main->website_scanner_tab->filter_help = w->filter_help.get();
    return w;
}

}  // namespace orv
