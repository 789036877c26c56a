#include "app/page_iptodomain.h"

#include <QAction>
#include <QBoxLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <exception>
#include <optional>

#include "app/browser_button.h"
#include "app/fonts.h"
#include "app/list_editing.h"
#include "app/send_to.h"
#include "app/typed_address.h"
#include "controls/dialogs.h"
#include "lookup/browser_url.h"
#include "platform/resolver.h"
#include "platform/shell.h"

namespace orv {

namespace {

const QString kUnknown = QStringLiteral("Unknown");

// A resolver fault counts as "not found", like an answer without an entry.
std::optional<net::HostEntry> ByName(const std::string& name) {
    try {
        auto e = net::gethostbyname(name);
        if (e && !e->addresses.empty())
            return e;
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

std::optional<net::HostEntry> ByAddr(const std::string& address) {
    try {
        return net::gethostbyaddr(net::inet_addr(address));
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

void ErrorMessage(TToolPage* page, const char* text) {
    page->Context().Dialogs().Message(page, QString::fromLatin1(text), QStringLiteral("Error"),
                                      ui::Icon::Error, ui::Buttons::Ok);
}

ui::TLabel* Text(const char* text) {
    return new ui::TLabel(QString::fromLatin1(text));
}

ui::TSpeedButton* Button(const char* caption, const char* hint) {
    auto* b = new ui::TSpeedButton(QString::fromLatin1(caption), QString::fromLatin1(hint));
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return b;
}

ui::TLabel* Counter() {
    auto* l = new ui::TLabel;
    l->setMinimumWidth(40);
    l->setFrameShape(QFrame::StyledPanel);
    return l;
}

}  // namespace

void findip_thread::Execute() {
    TIpToDomainPage* page = page_;
    std::optional<net::HostEntry> e = ByName(name_);
    if (!e) {
        Synchronize([page] { ErrorMessage(page, "Host does not exist!  "); });
        return;
    }
    QStringList lines;
    for (net::InAddr a : e->addresses)
        lines << QString::fromStdString(net::inet_ntoa(a));
    QString host = ui::TextOfBytes(e->name);
    Synchronize([page, lines, host] {
        for (const QString& l : lines)
            page->Memo1->Add(l);
        page->host_edit->SetText(host);
    });
}

void findname_thread::Execute() {
    TIpToDomainPage* page = page_;
    std::optional<net::HostEntry> e = ByAddr(address_);
    if (!e) {
        Synchronize([page] { ErrorMessage(page, "Can't get the domain/host name!  "); });
        return;
    }
    QString name = ui::TextOfBytes(e->name);
    Synchronize([page, name] { page->Edit1->SetText(name); });
}

bool nametoip_thread::Row(const QByteArray& name, const QByteArray& address, bool ok) {
    ++finished_;
    ++(ok ? successful_ : failed_);
    TIpToDomainPage* page = page_;
    return Synchronize([page, name, address, f = finished_, s = successful_, x = failed_] {
        ui::TStringGrid* g = page->StringGrid2;
        const int r = g->RowCount() - 1;
        g->SetCells(0, r, ui::TextOfBytes(name));
        g->Model().SetCellBytes(0, r, name);
        g->SetCells(1, r, ui::TextOfBytes(address));
        g->Model().SetCellBytes(1, r, address);
        g->SetRowCount(r + 2);
        g->SetRow(r);
        page->Label18->SetCaption(QString::number(f));
        page->Label16->SetCaption(QString::number(s));
        page->Label17->SetCaption(QString::number(x));
    });
}

void nametoip_thread::Execute() {
    TIpToDomainPage* page = page_;
    const bool forward = mode_ == "nametoip";
    for (int i = 0;; ++i) {
        // The entry's text to look up, and its bytes as the list has them for the grid.
        using Entry = std::pair<QString, QByteArray>;
        std::optional<std::optional<Entry>> entry =
            Query<std::optional<Entry>>([page, i]() -> std::optional<Entry> {
                if (i >= page->ListBox1->Count())
                    return std::nullopt;
                return Entry{page->ListBox1->Item(i), page->ListBox1->ItemBytes(i)};
            });
        if (!entry)
            return;  // halted, or the window is gone
        if (!*entry)
            return;  // past the last entry
        const QString& text = (*entry)->first;
        const QByteArray& bytes = (*entry)->second;
        const QByteArray unknown = kUnknown.toUtf8();
        if (forward) {
            std::optional<net::HostEntry> e = ByName(text.toStdString());
            if (!e) {
                if (!Row(bytes, unknown, false))
                    return;
                continue;
            }
            for (net::InAddr a : e->addresses)
                if (!Row(bytes, QByteArray::fromStdString(net::inet_ntoa(a)), true))
                    return;
        } else {
            std::optional<net::HostEntry> e = ByAddr(text.toStdString());
            bool ok = e ? Row(QByteArray::fromStdString(e->name), bytes, true)
                        : Row(unknown, bytes, false);
            if (!ok)
                return;
        }
    }
}

TIpToDomainPage::TIpToDomainPage(PageContext& context, QWidget* parent)
    : TToolPage(context, "IP-to-Domain Converter", "IP Domain Converter", "ip_domain_converter",
                parent) {
    auto* layout = new QVBoxLayout(Body());
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(6);
    auto* single = new QHBoxLayout;
    single->addWidget(BuildNameToAddress(), 1);
    single->addWidget(BuildAddressToName(), 1);
    layout->addLayout(single);
    auto* lower = new QHBoxLayout;
    lower->addWidget(BuildList());
    lower->addLayout(BuildBatch(), 1);
    layout->addLayout(lower, 1);
    BuildPopups();
    WireHandlers();
}

QWidget* TIpToDomainPage::BuildNameToAddress() {
    domain_edit = new ui::TEdit;
    domain_edit->setToolTip("Right Click to Get More");
    nametoip_button = Button("Convert", "Convert");
    Memo1 = new ui::TMemo;
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setFixedHeight(52);
    host_edit = new ui::TEdit;

    auto* box = new QGroupBox;
    auto* g = new QGridLayout(box);
    g->setContentsMargins(6, 6, 6, 6);
    g->addWidget(Text("Domain  Name"), 0, 0);
    g->addWidget(domain_edit, 0, 1);
    g->addWidget(nametoip_button, 0, 2);
    g->addWidget(Text("IP Address"), 1, 0, Qt::AlignTop);
    g->addWidget(Memo1, 1, 1, 1, 2);
    g->addWidget(Text("Host Name"), 2, 0);
    g->addWidget(host_edit, 2, 1, 1, 2);
    g->setColumnStretch(1, 1);
    return box;
}

// The reverse conversion, with the IP Neighborhood and the browser link under it.
QWidget* TIpToDomainPage::BuildAddressToName() {
    ip_edit = new ui::TEdit;
    ip_edit->SetText("127.0.0.1");
    ip_edit->setToolTip("Right Click to Get More");
    iptoname_button = Button("Convert", "Convert");
    Edit1 = new ui::TEdit;
    CheckBox3 = new ui::TCheckBox("IP Neighborhood");
    ComboBox3 = new ui::TComboBox(false);
    QStringList sizes;
    for (int n = 10; n <= 250; n += 10)
        sizes << QString::number(n);
    ComboBox3->SetItems(sizes);
    ComboBox3->SetText("20");
    Label35 = new ui::TLabel(
        "IP Neighborhood will take an IP address and do a resolve for the last and next number "
        "IPs. This is not often found, but can be very useful to see what other website domains "
        "are hosted by the same ISP");
    Label35->setWordWrap(true);
    Label35->setFont(PageFont(8));
    SpeedButton20 = Button("Browser", "Convert the domain currently open in the Internet Explorer");

    auto* box = new QGroupBox;
    auto* g = new QGridLayout(box);
    g->setContentsMargins(6, 6, 6, 6);
    g->addWidget(Text("IP Address"), 0, 0);
    g->addWidget(ip_edit, 0, 1);
    g->addWidget(iptoname_button, 0, 2);
    g->addWidget(Text("Domain / Host Name"), 1, 0);
    g->addWidget(Edit1, 1, 1, 1, 2);
    auto* hood = new QHBoxLayout;
    hood->addWidget(CheckBox3);
    hood->addWidget(ComboBox3);
    hood->addWidget(Text("IPs"));
    hood->addStretch(1);
    hood->addWidget(SpeedButton20);
    g->addLayout(hood, 2, 0, 1, 3);
    g->addWidget(Label35, 3, 0, 1, 3);
    g->setColumnStretch(1, 1);
    return box;
}

// The batch list with its import button, total and editing.
QWidget* TIpToDomainPage::BuildList() {
    ListBox1 = new ui::TListBox;
    ListBox1->setToolTip("Right Click to Get More");
    Label15 = new ui::TLabel;
    SpeedButton1 = Button("Import", "");
    PopupMenu1 = new ui::TPopupMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    ListEditing1 = TListEditing::Attach(Context(), EditedList::Ip, ListBox1, Label15, SpeedButton1,
                                        PopupMenu1);

    auto* col = new QVBoxLayout;
    col->setContentsMargins(0, 0, 0, 0);
    auto* head = new QHBoxLayout;
    head->addWidget(SpeedButton1);
    head->addStretch(1);
    head->addWidget(Text("Total"));
    head->addWidget(Label15);
    col->addLayout(head);
    col->addWidget(ListBox1, 1);
    auto* w = new QWidget;
    w->setLayout(col);
    w->setFixedWidth(190);
    return w;
}

// The batch buttons and status, the result grid and its counters.
QLayout* TIpToDomainPage::BuildBatch() {
    B_nametoip_start_button = Button("Start", "Start");
    b_iptoname_start_button = Button("Start", "Start");
    B_nametoip_end_button = Button("Stop", "Stop");
    SpeedButton5 = Button("Stop", "Stop");
    Label52 = new ui::TLabel;
    Label52->setMinimumWidth(70);
    StringGrid2 = new ui::TStringGrid(2, 2, 1);
    StringGrid2->SetOptions({});  // whole rows are selected; nothing is sized or typed
    StringGrid2->SetDefaultRowHeight(18);
    Label18 = Counter();
    Label16 = Counter();
    Label17 = Counter();
    SpeedButton6 = Button("Export", "Export the result to a file");

    auto* col = new QVBoxLayout;
    auto* g = new QGridLayout;
    g->addWidget(Text("From Domain / Host Name to IP Address"), 0, 0);
    g->addWidget(B_nametoip_start_button, 0, 1);
    g->addWidget(B_nametoip_end_button, 0, 2);
    g->addWidget(Text("From IP Address to Domain / Host Name"), 1, 0);
    g->addWidget(b_iptoname_start_button, 1, 1);
    g->addWidget(SpeedButton5, 1, 2);
    g->addWidget(Label52, 0, 3, 2, 1);
    g->setColumnStretch(3, 1);
    col->addLayout(g);
    col->addWidget(StringGrid2, 1);
    auto* counters = new QHBoxLayout;
    counters->addWidget(Text("Finished"));
    counters->addWidget(Label18);
    counters->addWidget(Text("Successful"));
    counters->addWidget(Label16);
    counters->addWidget(Text("Failed"));
    counters->addWidget(Label17);
    counters->addStretch(1);
    counters->addWidget(SpeedButton6);
    col->addLayout(counters);
    return col;
}

// The send-to popups of the two boxes, the list (after its editing items) and the grid.
void TIpToDomainPage::BuildPopups() {
    pop_domain = new ui::TPopupMenu(this);
    AddSendToItems(pop_domain, "pop_domain", domain_edit, Context());
    pop_domain->AttachTo(domain_edit);
    pop_ip = new ui::TPopupMenu(this);
    AddSendToItems(pop_ip, "pop_ip", ip_edit, Context());
    pop_ip->AttachTo(ip_edit);
    AddSendToItems(PopupMenu1, "PopupMenu1", ListBox1, Context());
    Pop_iptodomain_results = new ui::TPopupMenu(this);
    AddSendToItems(Pop_iptodomain_results, "Pop_iptodomain_results", StringGrid2, Context());
    Pop_iptodomain_results->addSeparator();
    Brower1 = Pop_iptodomain_results->AddItem("Brower", [this] { Brower1Click(); });
    Brower1->setObjectName("Brower1");
    Pop_iptodomain_results->AttachTo(StringGrid2);
}

void TIpToDomainPage::WireHandlers() {
    domain_edit->OnEnter = [this] { nametoip_buttonClick(); };
    nametoip_button->OnClick = [this] { nametoip_buttonClick(); };
    ip_edit->OnEnter = [this] { iptoname_buttonClick(); };
    iptoname_button->OnClick = [this] { iptoname_buttonClick(); };
    B_nametoip_start_button->OnClick = [this] { B_nametoip_start_buttonClick(); };
    b_iptoname_start_button->OnClick = [this] { b_iptoname_start_buttonClick(); };
    B_nametoip_end_button->OnClick = [this] { B_nametoip_end_buttonClick(); };
    SpeedButton5->OnClick = [this] { B_nametoip_end_buttonClick(); };
    SpeedButton6->OnClick = [this] { SpeedButton6Click(); };
    SpeedButton20->OnClick = [this] { SpeedButton20Click(); };
}

void TIpToDomainPage::nametoip_buttonClick() {
    if (!Context().queue)
        return;
    Memo1->Clear();
    host_edit->clear();
    findip_thread_.Start(std::make_shared<findip_thread>(this, domain_edit->Text().toStdString()),
                         Context().queue);
}

void TIpToDomainPage::ConvertDomain(const QString& name) {
    domain_edit->SetText(name);
    nametoip_buttonClick();
}

void TIpToDomainPage::ConvertIp(const QString& address) {
    ip_edit->SetText(address);
    iptoname_buttonClick();
}

void TIpToDomainPage::iptoname_buttonClick() {
    if (!Context().queue)
        return;
    auto startLookup = [this](const QString& address) {
        Edit1->clear();
        findname_thread_.Start(std::make_shared<findname_thread>(this, address.toStdString()),
                               Context().queue);
    };
    const QString text = ip_edit->Text();
    if (text.isEmpty()) {
        // The lookup reports the failure itself.
        startLookup(text);
        return;
    }
    AddressCheck check = CheckAddressInput(Context().Dialogs(), this, text);
    if (check.result != AddressCheck::Ok)
        return;
    // The fields were read as decimal: look up exactly that address, not what the classic
    // parser would make of a leading zero (octal) in the text.
    startLookup(check.Canonical());
    if (!CheckBox3->Checked())
        return;
    ListBox1->Clear();
    Neighborhood n = NeighborhoodList(check.fields, ComboBox3->Text().toInt());
    ListBox1->SetItems(n.addresses);
    if (!n.complete)
        return;
    Label15->SetCaption(QString::number(ListBox1->Count()));
    B_nametoip_end_buttonClick();
    b_iptoname_start_buttonClick();
}

void TIpToDomainPage::B_nametoip_start_buttonClick() {
    StartBatch("nametoip");
}

void TIpToDomainPage::b_iptoname_start_buttonClick() {
    StartBatch("iptoname");
}

void TIpToDomainPage::StartBatch(const char* mode) {
    ConverterMode = mode;
    if (ListBox1->Count() == 0) {
        if (ConverterMode == "nametoip")
            Context().Dialogs().Warn(this, " Please import the domain/host names list(*.txt)! ");
        else
            Context().Dialogs().Message(this, " Please import the IP addresses list(*.txt)! ",
                                        "Brannoc", ui::Icon::Warning, ui::Buttons::Ok);
        return;
    }
    if (!Context().queue)
        return;
    // One batch at a time: a start that bypasses the disabled buttons still stops the old one
    // before the grid is cleared for the new one.
    nametoip_thread_.Halt();
    StringGrid2->Model().ClearColumn(0);
    StringGrid2->Model().ClearColumn(1);
    StringGrid2->SetRowCount(2);
    StringGrid2->SetCells(0, 0, "Domain / Host Name");
    StringGrid2->SetCells(1, 0, "IP Address");
    for (ui::TLabel* l : {Label18, Label16, Label17})
        l->SetCaption(QString());
    SetStartEnabled(false);
    Label52->SetCaption("Working...");
    nametoip_thread_.Start(std::make_shared<nametoip_thread>(this, ConverterMode), Context().queue,
                           [this] { ip_button_active(); });
}

void TIpToDomainPage::B_nametoip_end_buttonClick() {
    if (nametoip_thread_.Empty())
        return;
    nametoip_thread_.Halt();
    Label52->SetCaption("Done!");
    SetStartEnabled(true);
}

void TIpToDomainPage::ip_button_active() {
    SetStartEnabled(true);
    Label52->SetCaption("Done!");
}

void TIpToDomainPage::SetStartEnabled(bool on) {
    B_nametoip_start_button->setEnabled(on);
    b_iptoname_start_button->setEnabled(on);
}

void TIpToDomainPage::Brower1Click() {
    const int r = StringGrid2->Row();
    if (r < 0)
        return;
    const QString cell = StringGrid2->Cells(0, r);
    if (cell.isEmpty())
        return;
    ShellOpen("http://" + cell.toStdString());
}

void TIpToDomainPage::SpeedButton6Click() {
    if (ShowExport)
        ShowExport();
}

void TIpToDomainPage::A1Click() {
    ListEditing1->AddClick();
}
void TIpToDomainPage::UpdateItem1Click() {
    ListEditing1->UpdateClick();
}
void TIpToDomainPage::DeleteItem1Click() {
    ListEditing1->DeleteClick();
}
void TIpToDomainPage::DeleteAllItem1Click() {
    ListEditing1->ClearAllClick();
}
void TIpToDomainPage::ListBox1DblClick() {
    ListEditing1->DblClick();
}
void TIpToDomainPage::SpeedButton1Click() {
    ListEditing1->ImportClick();
}

void TIpToDomainPage::LayOutGrid() {
    LayOutColumns(StringGrid2, {{"Domain / Host Name", 200}, {"IP Address", 2000}});
}

void TIpToDomainPage::SpeedButton20Click() {
    const std::optional<std::string> url = BrowserUrlForButton(*this);
    if (!url)
        return;
    domain_edit->SetText(QString::fromStdString(HostOfUrl(*url)));
    nametoip_buttonClick();
}

void TIpToDomainPage::PrefillFromBrowser(const std::function<std::string()>& host) {
    domain_edit->SetText(QString::fromStdString(host()));
}

}  // namespace orv
