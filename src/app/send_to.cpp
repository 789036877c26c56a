#include "app/send_to.h"

#include <QListWidget>

#include "app/page_context.h"
#include "controls/stringgrid.h"
#include "controls/widgets.h"
#include "lookup/address_ranges.h"
#include "lookup/connections.h"
#include "lookup/name_resolution.h"

namespace orv {

// clang-format off
const std::array<SendToItem, kSendToItemCount> kSendToItems = {{
    // pop_domain
    {"pop_domain", "Ping1", "Ping", SendSource::Box, -1, SendTransform::None, SendTarget::PingName},
    {"pop_domain", "CountryLookup1", "Country Lookup", SendSource::Box, -1, SendTransform::None, SendTarget::Country},
    {"pop_domain", "racert1", "Tracert", SendSource::Box, -1, SendTransform::None, SendTarget::Trace},
    {"pop_domain", "Whois1", "Whois", SendSource::Box, -1, SendTransform::None, SendTarget::Whois},
    {"pop_domain", "WebsiteScanner1", "Website Scanner", SendSource::Box, -1, SendTransform::None, SendTarget::Scan},
    // pop_ip
    {"pop_ip", "MenuItem1", "Ping", SendSource::Box, -1, SendTransform::None, SendTarget::PingAddress},
    {"pop_ip", "MenuItem4", "Country Lookup", SendSource::Box, -1, SendTransform::None, SendTarget::Country},
    {"pop_ip", "MenuItem2", "Tracert", SendSource::Box, -1, SendTransform::None, SendTarget::Trace},
    {"pop_ip", "MenuItem3", "Whois", SendSource::Box, -1, SendTransform::None, SendTarget::Whois},
    {"pop_ip", "MenuItem5", "Website Scanner", SendSource::Box, -1, SendTransform::None, SendTarget::Scan},
    // PopupMenu1
    {"PopupMenu1", "Ping2", "Ping", SendSource::ListEntry, -1, SendTransform::None, SendTarget::PingName},
    {"PopupMenu1", "CountryLookup2", "Country Lookup", SendSource::ListEntry, -1, SendTransform::None, SendTarget::Country},
    {"PopupMenu1", "racert3", "Tracert", SendSource::ListEntry, -1, SendTransform::None, SendTarget::Trace},
    {"PopupMenu1", "Whois3", "Whois", SendSource::ListEntry, -1, SendTransform::None, SendTarget::Whois},
    {"PopupMenu1", "WebsiteScanner3", "Website Scanner", SendSource::ListEntry, -1, SendTransform::None, SendTarget::Scan},
    // Pop_iptodomain_results
    {"Pop_iptodomain_results", "MenuItem43", "Ping", SendSource::GridCell, 0, SendTransform::None, SendTarget::PingName},
    {"Pop_iptodomain_results", "MenuItem46", "Country Lookup", SendSource::GridCell, 0, SendTransform::None, SendTarget::Country},
    {"Pop_iptodomain_results", "MenuItem44", "Tracert", SendSource::GridCell, 0, SendTransform::None, SendTarget::Trace},
    {"Pop_iptodomain_results", "MenuItem45", "Whois", SendSource::GridCell, 0, SendTransform::None, SendTarget::Whois},
    {"Pop_iptodomain_results", "MenuItem47", "Website Scanner", SendSource::GridCell, 0, SendTransform::None, SendTarget::Scan},
    // Pop_domain_ping
    {"Pop_domain_ping", "MenuItem28", "Convert Domain to IP", SendSource::Box, -1, SendTransform::None, SendTarget::NameToAddress},
    {"Pop_domain_ping", "MenuItem36", "Country Lookup", SendSource::Box, -1, SendTransform::None, SendTarget::Country},
    {"Pop_domain_ping", "MenuItem34", "Tracert", SendSource::Box, -1, SendTransform::None, SendTarget::Trace},
    {"Pop_domain_ping", "MenuItem35", "Whois", SendSource::Box, -1, SendTransform::None, SendTarget::Whois},
    {"Pop_domain_ping", "MenuItem37", "Website Scanner", SendSource::Box, -1, SendTransform::None, SendTarget::Scan},
    // pop_ip_ping
    {"pop_ip_ping", "MenuItem38", "Convert IP to Domain", SendSource::Box, -1, SendTransform::None, SendTarget::AddressToName},
    {"pop_ip_ping", "MenuItem41", "Country Lookup", SendSource::Box, -1, SendTransform::None, SendTarget::Country},
    {"pop_ip_ping", "MenuItem39", "Tracert", SendSource::Box, -1, SendTransform::None, SendTarget::Trace},
    {"pop_ip_ping", "MenuItem42", "Website Scanner", SendSource::Box, -1, SendTransform::None, SendTarget::Scan},
    // PopupMenu2
    {"PopupMenu2", "ConvertDomaintoIP2", "Convert Domain to IP", SendSource::ListEntry, -1, SendTransform::None, SendTarget::NameToAddress},
    {"PopupMenu2", "ConvertIPtoDomain1", "Convert IP to Domain", SendSource::ListEntry, -1, SendTransform::None, SendTarget::AddressToName},
    {"PopupMenu2", "CountryLoop1", "Country Lookup", SendSource::ListEntry, -1, SendTransform::None, SendTarget::Country},
    {"PopupMenu2", "racert2", "Tracert", SendSource::ListEntry, -1, SendTransform::None, SendTarget::Trace},
    {"PopupMenu2", "Whois2", "Whois", SendSource::ListEntry, -1, SendTransform::None, SendTarget::Whois},
    {"PopupMenu2", "WebsiteScanner2", "Website Scanner", SendSource::ListEntry, -1, SendTransform::None, SendTarget::Scan},
    // pop_ping_results
    {"pop_ping_results", "MenuItem48", "Convert Domain to IP", SendSource::GridCell, 1, SendTransform::None, SendTarget::NameToAddress},
    {"pop_ping_results", "ConvertIPtoDomain2", "Convert IP to Domain", SendSource::GridCell, 1, SendTransform::None, SendTarget::AddressToName},
    {"pop_ping_results", "MenuItem51", "Country Lookup", SendSource::GridCell, 1, SendTransform::None, SendTarget::Country},
    {"pop_ping_results", "MenuItem49", "Tracert", SendSource::GridCell, 1, SendTransform::None, SendTarget::Trace},
    {"pop_ping_results", "MenuItem50", "Whois", SendSource::GridCell, 1, SendTransform::None, SendTarget::Whois},
    {"pop_ping_results", "MenuItem52", "Website Scanner", SendSource::GridCell, 1, SendTransform::None, SendTarget::Scan},
    // pop_tracert
    {"pop_tracert", "ConvertDomaintoIP1", "Convert Domain to IP", SendSource::Box, -1, SendTransform::None, SendTarget::NameToAddress},
    {"pop_tracert", "MenuItem7", "Convert IP to Domain", SendSource::Box, -1, SendTransform::None, SendTarget::AddressToName},
    {"pop_tracert", "MenuItem6", "Ping", SendSource::Box, -1, SendTransform::None, SendTarget::PingName},
    {"pop_tracert", "MenuItem9", "Country Lookup", SendSource::Box, -1, SendTransform::None, SendTarget::Country},
    {"pop_tracert", "MenuItem8", "Whois", SendSource::Box, -1, SendTransform::None, SendTarget::Whois},
    {"pop_tracert", "MenuItem10", "Website Scanner", SendSource::Box, -1, SendTransform::None, SendTarget::Scan},
    // Pop_tracert_results
    {"Pop_tracert_results", "MenuItem53", "Convert IP to Domain", SendSource::HopIp, 1, SendTransform::None, SendTarget::AddressToName},
    {"Pop_tracert_results", "MenuItem57", "Country Lookup", SendSource::HopIp, 1, SendTransform::None, SendTarget::Country},
    {"Pop_tracert_results", "MenuItem54", "Ping", SendSource::HopIp, 1, SendTransform::None, SendTarget::PingAddress},
    {"Pop_tracert_results", "MenuItem55", "Website Scanner", SendSource::HopIp, 1, SendTransform::None, SendTarget::Scan},
    // pop_whois
    {"pop_whois", "MenuItem11", "Convert Domain to IP", SendSource::Box, -1, SendTransform::WwwPrefix, SendTarget::NameToAddress},
    {"pop_whois", "MenuItem13", "Ping", SendSource::Box, -1, SendTransform::WwwPrefix, SendTarget::PingName},
    {"pop_whois", "MenuItem15", "Country Lookup", SendSource::Box, -1, SendTransform::WwwPrefix, SendTarget::Country},
    {"pop_whois", "MenuItem12", "Tracert", SendSource::Box, -1, SendTransform::WwwPrefix, SendTarget::Trace},
    {"pop_whois", "MenuItem16", "Website Scanner", SendSource::Box, -1, SendTransform::WwwPrefix, SendTarget::Scan},
    // Pop_country_lookup
    {"Pop_country_lookup", "MenuItem14", "Convert Domain to IP", SendSource::Box, -1, SendTransform::None, SendTarget::NameToAddress},
    {"Pop_country_lookup", "MenuItem17", "Convert IP to Domain", SendSource::Box, -1, SendTransform::None, SendTarget::AddressToName},
    {"Pop_country_lookup", "MenuItem18", "Ping", SendSource::Box, -1, SendTransform::None, SendTarget::PingName},
    {"Pop_country_lookup", "MenuItem20", "Tracert", SendSource::Box, -1, SendTransform::None, SendTarget::Trace},
    {"Pop_country_lookup", "MenuItem19", "Whois", SendSource::Box, -1, SendTransform::None, SendTarget::Whois},
    {"Pop_country_lookup", "MenuItem21", "Website Scanner", SendSource::Box, -1, SendTransform::None, SendTarget::Scan},
    // PopupMenu3
    {"PopupMenu3", "ConvertDomaintoIP3", "Convert Domain to IP", SendSource::ListEntry, -1, SendTransform::None, SendTarget::NameToAddress},
    {"PopupMenu3", "ConvertIPtoDomain3", "Convert IP to Domain", SendSource::ListEntry, -1, SendTransform::None, SendTarget::AddressToName},
    {"PopupMenu3", "Ping3", "Ping", SendSource::ListEntry, -1, SendTransform::None, SendTarget::PingName},
    {"PopupMenu3", "racert4", "Tracert", SendSource::ListEntry, -1, SendTransform::None, SendTarget::Trace},
    {"PopupMenu3", "Whois4", "Whois", SendSource::ListEntry, -1, SendTransform::None, SendTarget::Whois},
    {"PopupMenu3", "WebsiteScanner4", "Website Scanner", SendSource::ListEntry, -1, SendTransform::None, SendTarget::Scan},
    // pop_country_results
    {"pop_country_results", "MenuItem62", "Convert Domain to IP", SendSource::GridCell, 0, SendTransform::None, SendTarget::NameToAddress},
    {"pop_country_results", "MenuItem63", "Convert IP to Domain", SendSource::GridCell, 0, SendTransform::None, SendTarget::AddressToName},
    {"pop_country_results", "MenuItem64", "Ping", SendSource::GridCell, 0, SendTransform::None, SendTarget::PingName},
    {"pop_country_results", "MenuItem65", "Tracert", SendSource::GridCell, 0, SendTransform::None, SendTarget::Trace},
    {"pop_country_results", "MenuItem66", "Whois", SendSource::GridCell, 0, SendTransform::None, SendTarget::Whois},
    {"pop_country_results", "MenuItem67", "Website Scanner", SendSource::GridCell, 0, SendTransform::None, SendTarget::Scan},
    // pop_scanner
    {"pop_scanner", "MenuItem22", "Convert Domain to IP", SendSource::Box, -1, SendTransform::CutAtSlash, SendTarget::NameToAddress},
    {"pop_scanner", "MenuItem24", "Ping", SendSource::Box, -1, SendTransform::CutAtSlash, SendTarget::PingName},
    {"pop_scanner", "MenuItem26", "Country Lookup", SendSource::Box, -1, SendTransform::CutAtSlash, SendTarget::Country},
    {"pop_scanner", "MenuItem27", "Tracert", SendSource::Box, -1, SendTransform::CutAtSlash, SendTarget::Trace},
    {"pop_scanner", "MenuItem25", "Whois", SendSource::Box, -1, SendTransform::CutAtSlash, SendTarget::Whois},
    // pop_monitor
    {"pop_monitor", "MenuItem29", "Convert IP to Domain", SendSource::GridCell, 4, SendTransform::TrimPaddedIp, SendTarget::AddressToName},
    {"pop_monitor", "MenuItem30", "Ping", SendSource::GridCell, 4, SendTransform::TrimPaddedIp, SendTarget::PingAddress},
    {"pop_monitor", "MenuItem33", "Country Lookup", SendSource::GridCell, 4, SendTransform::TrimPaddedIp, SendTarget::Country},
    {"pop_monitor", "MenuItem31", "Tracert", SendSource::GridCell, 4, SendTransform::TrimPaddedIp, SendTarget::Trace},
    {"pop_monitor", "MenuItem32", "Whois", SendSource::GridCell, 4, SendTransform::TrimPaddedIp, SendTarget::Whois},
}};
// clang-format on

namespace {

// The name of a dotted address for the Whois box, looked up off the main thread.
class WhoisNaming final : public task::WorkerThread {
  public:
    WhoisNaming(SendTargets* targets, QString text, std::string address)
        : targets_(targets), text_(std::move(text)), address_(std::move(address)) {}

  protected:
    void Execute() override {
        std::optional<std::string> name = iptoname(address_);
        Synchronize([targets = targets_, text = text_, name] {
            targets->RunPending(SendTarget::Whois, WhoisSendText(text, name));
        });
    }

  private:
    SendTargets* targets_;
    QString text_;
    std::string address_;
};

const ui::TStringGrid* Grid(const QWidget* control) {
    return qobject_cast<const ui::TStringGrid*>(control);
}

}  // namespace

int TargetPageIndex(SendTarget target) {
    switch (target) {
        case SendTarget::NameToAddress:
        case SendTarget::AddressToName:
            return 0;
        case SendTarget::PingName:
        case SendTarget::PingAddress:
            return 1;
        case SendTarget::Trace:
            return 2;
        case SendTarget::Whois:
            return 3;
        case SendTarget::Country:
            return 4;
        case SendTarget::Scan:
            return 5;
    }
    return -1;
}

QString TransformSendText(SendTransform transform, const QString& text) {
    switch (transform) {
        case SendTransform::None:
            break;
        case SendTransform::WwwPrefix:
            return "www." + text;
        case SendTransform::CutAtSlash: {
            const qsizetype slash = text.indexOf(u'/');
            return slash < 0 ? text : text.left(slash);
        }
        case SendTransform::TrimPaddedIp:
            return QString::fromStdString(TrimPaddedIp(text.toStdString()));
    }
    return text;
}

std::optional<QString> TakeSendText(const SendToItem& item, const QWidget* control) {
    std::optional<QString> taken;
    switch (item.source) {
        case SendSource::Box:
            if (auto* edit = qobject_cast<const QLineEdit*>(control))
                taken = edit->text();
            break;
        case SendSource::ListEntry:
            // A row that is only current (the list got the focus) is not a selected entry.
            if (auto* list = qobject_cast<const QListWidget*>(control)) {
                const QListWidgetItem* it = list->currentItem();
                if (it && it->isSelected())
                    taken = it->text();
            }
            break;
        case SendSource::GridCell:
            if (const ui::TStringGrid* g = Grid(control)) {
                const int r = g->Row();
                if (r >= g->FixedRows() && r < g->RowCount() && !g->Cells(item.column, r).isEmpty())
                    taken = g->Cells(item.column, r);
            }
            break;
        case SendSource::HopIp:
            // Every hop's row has its hop number; the empty row kept while there is none has not.
            if (const ui::TStringGrid* g = Grid(control)) {
                const int r = g->Row();
                if (r >= g->FixedRows() && r < g->RowCount() && !g->Cells(0, r).isEmpty())
                    taken = g->Cells(item.column, r);
            }
            break;
    }
    if (!taken)
        return std::nullopt;
    return TransformSendText(item.transform, *taken);
}

bool IsDottedAddress(const QString& text, std::string* canonical) {
    if (text.count(u'.') != 3)
        return false;
    const AddressCheck check = CheckAddressFields(text);
    if (check.result != AddressCheck::Ok)
        return false;
    if (canonical)
        *canonical = check.Canonical().toStdString();
    return true;
}

QString WhoisSendText(const QString& text, const std::optional<std::string>& nameOfAddress) {
    if (!nameOfAddress)
        return QString::fromStdString(GetBaseDomain(text.toStdString()));
    if (*nameOfAddress == kFailMark || nameOfAddress->empty())
        return text;
    return QString::fromStdString(GetBaseDomain(*nameOfAddress));
}

QString WithoutPort(const QString& text) {
    const qsizetype colon = text.indexOf(u':');
    if (colon < 0 || colon + 1 == text.size() || colon != text.lastIndexOf(u':'))
        return text;
    for (qsizetype i = colon + 1; i < text.size(); ++i)
        if (text[i] < u'0' || text[i] > u'9')
            return text;
    return text.left(colon);
}

void SendTargets::Send(SendTarget target, const QString& taken,
                       const std::shared_ptr<task::MainQueue>& queue) {
    // A Whois still waiting for its name would land after this newer send.
    DropPending();
    ShowTarget(target);
    const QString text = target == SendTarget::Whois ? WithoutPort(taken) : taken;
    std::string address;
    if (target != SendTarget::Whois || !IsDottedAddress(text, &address)) {
        RunTarget(target, target == SendTarget::Whois ? WhoisSendText(text, std::nullopt) : text);
        return;
    }
    if (!queue) {
        RunTarget(target, WhoisSendText(text, iptoname(address)));
        return;
    }
    pending_ = true;
    AwaitTarget(target, text);
    naming_.Start(std::make_shared<WhoisNaming>(this, text, address), queue);
}

void SendTargets::DropPending() {
    naming_.Halt();
    if (!pending_)
        return;
    pending_ = false;
    AwaitDropped(SendTarget::Whois);
}

void SendTargets::RunPending(SendTarget target, const QString& text) {
    pending_ = false;
    RunTarget(target, text);
}

void SendToClick(const SendToItem& item, const QWidget* control, const PageContext& context) {
    std::optional<QString> text = TakeSendText(item, control);
    if (!text || !context.sendTargets)
        return;
    context.sendTargets->Send(item.target, *text, context.queue);
}

void AddSendToItems(ui::TPopupMenu* popup, const char* popupName, const QWidget* control,
                    const PageContext& context) {
    popup->setObjectName(QString::fromLatin1(popupName));
    bool first = true;
    for (const SendToItem& item : kSendToItems) {
        if (std::string_view(item.popup) != popupName)
            continue;
        if (first && item.source == SendSource::ListEntry)
            popup->addSeparator();
        first = false;
        QAction* a = popup->AddItem(QString::fromLatin1(item.caption), [&item, control, &context] {
            SendToClick(item, control, context);
        });
        a->setObjectName(QString::fromLatin1(item.name));
    }
}

}  // namespace orv
