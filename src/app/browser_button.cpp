#include "app/browser_button.h"

#include <QLineEdit>
#include <QPointer>

#include "app/page_frame.h"
#include "app/send_to.h"
#include "lookup/browser_url.h"
#include "lookup/name_resolution.h"

namespace orv {

namespace {

class BrowserAsk final : public task::WorkerThread {
  public:
    BrowserAsk(std::function<std::string()> ask, bool whois,
               std::function<void(const std::optional<BrowserPage>&)> answer)
        : ask_(std::move(ask)), whois_(whois), answer_(std::move(answer)) {}

  protected:
    void Execute() override {
        std::optional<BrowserPage> page;
        if (std::string url = ask_(); url != kNoBrowserPage) {
            page = BrowserPage{url, HostOfUrl(url), {}};
            if (whois_)
                page->whoisDomain = WhoisDomainOfHost(page->host);
        }
        Synchronize([answer = answer_, page = std::move(page)] { answer(page); });
    }

  private:
    std::function<std::string()> ask_;
    bool whois_;
    std::function<void(const std::optional<BrowserPage>&)> answer_;
};

}  // namespace

BrowserLink::BrowserLink(browser::Places places) : conv_(std::move(places)) {}

std::string BrowserLink::GetBrowserUrl() {
    std::lock_guard lock(m_);
    browser::TDdeClientConv& conv = conv_;
    if (!conv.SetDdeLink("Iexplore", "WWW_GetWindowInfo"))
        return kNoBrowserPage;
    conv.OpenDdeLink();
    // The reply is asked for once and every test is made on that one reply.
    std::string url = UrlFromWindowInfo(conv.RequestDdeItem("-1"));
    conv.CloseDdeLink();
    return url;
}

QString WhoisDomainOfHost(const std::string& host) {
    const QString text = WithoutPort(QString::fromStdString(host));
    std::string address;
    if (!IsDottedAddress(text, &address))
        return WhoisSendText(text, std::nullopt);
    return WhoisSendText(text, iptoname(address));
}

void AskBrowser(task::TaskSlot& slot, const std::shared_ptr<task::MainQueue>& queue,
                std::function<std::string()> ask, bool whois,
                std::function<void(const std::optional<BrowserPage>&)> answer) {
    slot.Start(std::make_shared<BrowserAsk>(std::move(ask), whois, std::move(answer)), queue);
}

void BrowserButtonPress(TToolPage& page, QLineEdit* box, bool whois,
                        std::function<void(const BrowserPage&)> use) {
    // Typing from now on marks the box.
    box->setModified(false);
    AskBrowser(page.BrowserTask(), page.Context().queue, page.Context().browserUrl, whois,
               [&page, box = QPointer<QLineEdit>(box),
                use = std::move(use)](const std::optional<BrowserPage>& found) {
                   if (!box || box->isModified())
                       return;
                   if (found) {
                       use(*found);
                       return;
                   }
                   page.Context().Dialogs().Message(page.window(),
                                                    "Internet Explorer is not running!", "",
                                                    ui::Icon::Warning, ui::Buttons::Ok);
               });
}

void PrefillBox(QLineEdit* box, const QString& text) {
    if (box->isModified() || !box->text().isEmpty())
        return;
    box->setText(text);
}

}  // namespace orv
