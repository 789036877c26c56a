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
               std::function<void(const std::optional<BrowserPage>&)> answer,
               std::function<void(const QString&)> lookingUp)
        : ask_(std::move(ask)),
          whois_(whois),
          answer_(std::move(answer)),
          lookingUp_(std::move(lookingUp)) {}

  protected:
    void Execute() override {
        std::optional<BrowserPage> page;
        if (std::string url = ask_(); url != kNoBrowserPage) {
            page = BrowserPage{url, HostOfUrl(url), {}};
            if (whois_)
                page->whoisDomain = WhoisDomain(page->host);
        }
        Synchronize([answer = answer_, page = std::move(page)] { answer(page); });
    }

  private:
    // The Whois box's text for `host`, as a send-to makes it: no port, the base domain; a
    // dotted address is named first, and one without a name is sent as it is.
    QString WhoisDomain(const std::string& host) {
        const QString text = WithoutPort(QString::fromStdString(host));
        std::string address;
        if (!IsDottedAddress(text, &address))
            return WhoisSendText(text, std::nullopt);
        if (lookingUp_)
            Synchronize([lookingUp = lookingUp_, text] { lookingUp(text); });
        return WhoisSendText(text, iptoname(address));
    }

    std::function<std::string()> ask_;
    bool whois_;
    std::function<void(const std::optional<BrowserPage>&)> answer_;
    std::function<void(const QString&)> lookingUp_;
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

void AskBrowser(task::TaskSlot& slot, const std::shared_ptr<task::MainQueue>& queue,
                std::function<std::string()> ask, bool whois,
                std::function<void(const std::optional<BrowserPage>&)> answer,
                std::function<void(const QString&)> lookingUp) {
    slot.Start(std::make_shared<BrowserAsk>(std::move(ask), whois, std::move(answer),
                                            std::move(lookingUp)),
               queue);
}

void BrowserButtonPress(TToolPage& page, QLineEdit* box, bool whois,
                        std::function<void(const BrowserPage&)> use,
                        std::function<void(const QString&)> lookingUp) {
    // Typing from now on marks the box.
    box->setModified(false);
    const QPointer<QLineEdit> watched(box);
    auto typed = [watched] { return !watched || watched->isModified(); };
    if (lookingUp)
        lookingUp = [typed, lookingUp = std::move(lookingUp)](const QString& text) {
            if (!typed())
                lookingUp(text);
        };
    AskBrowser(
        page.BrowserTask(), page.Context().queue, page.Context().browserUrl, whois,
        [&page, typed, use = std::move(use)](const std::optional<BrowserPage>& found) {
            if (typed())
                return;
            if (found) {
                use(*found);
                return;
            }
            page.Context().Dialogs().Message(page.window(), "Internet Explorer is not running!", "",
                                             ui::Icon::Warning, ui::Buttons::Ok);
        },
        std::move(lookingUp));
}

void PrefillBox(QLineEdit* box, const QString& text) {
    if (box->isModified() || !box->text().isEmpty())
        return;
    box->setText(text);
}

}  // namespace orv
