#include "app/page_send_targets.h"

#include "app/page_country.h"
#include "app/page_iptodomain.h"
#include "app/page_ping.h"
#include "app/page_scanner.h"
#include "app/page_tracert.h"
#include "app/page_whois.h"
#include "controls/pagecontrol.h"

namespace orv {

void TPageSendTargets::ShowTarget(SendTarget target) {
    QWidget* const byIndex[] = {pages_.ipToDomain, pages_.ping,    pages_.tracert,
                                pages_.whois,      pages_.country, pages_.scanner};
    pageControl_->SetActivePage(byIndex[TargetPageIndex(target)]);
}

void TPageSendTargets::RunTarget(SendTarget target, const QString& text) {
    switch (target) {
        case SendTarget::NameToAddress:
            pages_.ipToDomain->ConvertDomain(text);
            break;
        case SendTarget::AddressToName:
            pages_.ipToDomain->ConvertIp(text);
            break;
        case SendTarget::PingName:
            pages_.ping->PingDomain(text);
            break;
        case SendTarget::PingAddress:
            pages_.ping->PingIp(text);
            break;
        case SendTarget::Trace:
            pages_.tracert->TraceTo(text);
            break;
        case SendTarget::Whois:
            pages_.whois->QueryDomain(text);
            break;
        case SendTarget::Country:
            pages_.country->LookUpCountry(text);
            break;
        case SendTarget::Scan:
            pages_.scanner->ScanSite(text);
            break;
    }
}

void TPageSendTargets::AwaitTarget(SendTarget target, const QString& text) {
    if (target == SendTarget::Whois)
        pages_.whois->AwaitQuery(text);
}

void TPageSendTargets::AwaitDropped(SendTarget target) {
    if (target == SendTarget::Whois)
        pages_.whois->AwaitEnded();
}

}  // namespace orv
