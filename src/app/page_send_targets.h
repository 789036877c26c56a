// The send-to targets as the main window offers them: each target makes its page the active
// one and runs that page's own operation.
#pragma once

#include "app/send_to.h"

namespace orv {

namespace ui {
class TPageControl;
}
class TIpToDomainPage;
class TBatchPingPage;
class TTracertPage;
class TWhoisPage;
class TCountryLookupPage;
class TWebsiteScannerPage;

class TPageSendTargets final : public SendTargets {
  public:
    struct Pages {
        TIpToDomainPage* ipToDomain;
        TBatchPingPage* ping;
        TTracertPage* tracert;
        TWhoisPage* whois;
        TCountryLookupPage* country;
        TWebsiteScannerPage* scanner;
    };
    // Neither the page control nor the pages are owned.
    TPageSendTargets(ui::TPageControl* pageControl, Pages pages)
        : pageControl_(pageControl), pages_(pages) {}

    void ShowTarget(SendTarget target) override;
    void RunTarget(SendTarget target, const QString& text) override;
    void AwaitTarget(SendTarget target, const QString& text) override;
    void AwaitDropped(SendTarget target) override;

  private:
    ui::TPageControl* pageControl_;
    Pages pages_;
};

}  // namespace orv
