#include "app/page_ping.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QStyle>
#include <QStyleOptionFrame>
#include <algorithm>
#include <climits>
#include <optional>
#include <utility>

#include "app/browser_button.h"
#include "app/list_editing.h"
#include "app/send_to.h"
#include "app/typed_address.h"
#include "common/boundary_guard.h"
#include "controls/dialogs.h"
#include "lookup/address_ranges.h"
#include "lookup/browser_url.h"

namespace orv {

namespace {

const char* const kHeadings[] = {"Status", "IP or Domain/Host Name", "Bytes", "Time(ms)",
                                 "Failed Reason"};
constexpr const char* kDefaultSeconds = "3";

// Seconds between continuous runs: a whole number of at least one. Zero, "00" or a negative
// number would make the timer fire without pause (or never), so they count as bad input.
std::optional<int> ContinuousSeconds(const QString& s) {
    std::optional<int> v = DecimalInteger(s);
    if (!v || *v < 1)
        return std::nullopt;
    return v;
}

void Hint(QWidget* w, const char* text) {
    w->setToolTip(QString::fromLatin1(text));
}

QStringList Steps(int from, int to, int step) {
    QStringList out;
    for (int v = from; v <= to; v += step)
        out << QString::number(v);
    return out;
}

// The sender of the program: the ICMP layer on the handle opened at start-up.
class IcmpEchoLayer final : public EchoLayer {
  public:
    explicit IcmpEchoLayer(const PageContext& context) : context_(context) {}

    icmp::EchoFn Open(std::string& why) override {
        // Read at each run: start-up opens the handle after the page is built.
        icmp::IcmpHandle h = context_.icmp;
        if (h == icmp::kInvalidHandle) {
            why = icmp::IcmpUnavailableReason();
            return {};
        }
        return [h](net::InAddr destination, const void* data, std::size_t size,
                   const icmp::IpOptions* options, void* reply, std::size_t replySize,
                   std::uint32_t timeoutMs) {
            return icmp::IcmpSendEcho(h, destination, data, size, options, reply, replySize,
                                      timeoutMs);
        };
    }

  private:
    const PageContext& context_;
};

// Keeps a line edit wide enough to show `text` whole, in whatever font and style it ends up
// with (a page takes the window's font only once it is placed in the window).
class ShowWhole final : public QObject {
  public:
    ShowWhole(QLineEdit* edit, QString text) : QObject(edit), text_(std::move(text)) {
        edit->installEventFilter(this);
        Fit(edit);
    }
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::FontChange || e->type() == QEvent::StyleChange)
            Guarded("ShowWhole::eventFilter", [&] { Fit(static_cast<QLineEdit*>(watched)); });
        return false;
    }

  private:
    void Fit(QLineEdit* edit) const {
        QStyleOptionFrame opt;
        opt.initFrom(edit);
        opt.lineWidth = edit->hasFrame()
                            ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, edit)
                            : 0;
        opt.state |= QStyle::State_Sunken;
        const QFontMetrics fm = edit->fontMetrics();
        const QMargins textMargins = edit->textMargins();
        const QMargins contents = edit->contentsMargins();
        constexpr int kInnerMargin = 2;  // the line edit's own gap on each side of the text
        constexpr int kCursor = 1;       // room for the cursor after the last character
        int w = fm.horizontalAdvance(text_) + 2 * kInnerMargin + kCursor + textMargins.left() +
                textMargins.right() + contents.left() + contents.right();
        int h = fm.height() + textMargins.top() + textMargins.bottom() + contents.top() +
                contents.bottom();
        edit->setMinimumWidth(
            edit->style()->sizeFromContents(QStyle::CT_LineEdit, &opt, QSize(w, h), edit).width());
    }

    QString text_;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// ping_thread

ping_thread::ping_thread(TBatchPingPage* page, icmp::EchoFn send, int pingCount, bool showAllFirst)
    : page_(page), send_(std::move(send)), pingCount_(pingCount), showAll_(showAllFirst) {}

bool ping_thread::TakeShowAll() {
    return std::exchange(showAll_, false);
}

void ping_thread::Execute() {
    struct Entry {
        bool present = false;
        QString text;
        QByteArray bytes;  // as the list has it, for the exports
        std::uint32_t timeoutMs = 0;
    };
    QPointer<TBatchPingPage> page = page_;
    std::int32_t finished = 0, successful = 0, failed = 0;
    // The list is read afresh before each entry: entries added during the run are pinged too.
    for (int i = 0;; ++i) {
        std::optional<Entry> next = Query<Entry>([page, i] {
            Entry e;
            if (!page || i >= page->ListBox2->Count())
                return e;
            e.present = true;
            e.text = page->ListBox2->Item(i);
            e.bytes = page->ListBox2->ItemBytes(i);
            e.timeoutMs = page->ComboBox2->Text().toUInt();
            return e;
        });
        if (!next || !next->present)
            return;
        const QString entry = next->text;
        const QByteArray entryBytes = next->bytes;

        // Resolved once: every echo of the entry goes to the same address, so a resolving
        // entry always takes exactly ping_count rows.
        net::NameLookup lookup = net::LookupName(entry.toStdString());
        if (Halted())
            return;
        if (!lookup.host || lookup.host->addresses.empty()) {
            ++finished;
            ++failed;
            // A silent name server is not a misspelt name: the row says which it was.
            const QString reason = QString::fromLatin1(
                net::LookupErrorText(lookup.host ? net::LookupError::NotFound : lookup.error));
            const std::int32_t showSuccessful = TakeShowAll() ? successful : -1;
            bool go =
                Synchronize([page, entry, entryBytes, reason, finished, showSuccessful, failed] {
                    if (!page)
                        return;
                    page->AppendRow({"X", entry, "", "", reason}, entryBytes, true);
                    page->ShowCounters(finished, showSuccessful, failed);
                });
            if (!go)
                return;
            continue;
        }
        const net::InAddr destination = lookup.host->addresses.front();

        for (int k = 0; k < pingCount_; ++k) {
            PingReplyBuffer buffer{};
            icmp::IpOptions options;
            options.ttl = 64;
            options.tos = 0;
            options.flags = 0;
            std::uint32_t answers = send_(destination, kPingPayload, kPingPayloadSize, &options,
                                          &buffer, sizeof buffer, next->timeoutMs);
            if (Halted())
                return;
            const EchoOutcome echo = ClassifyEcho(answers, buffer);
            const QString bytes = QString::number(echo.bytes);
            const QString time = QString::number(echo.timeMs);
            QStringList cells;
            std::int32_t showFinished = -1, showSuccessful = -1, showFailed = -1;
            switch (echo.kind) {
                case EchoOutcome::Kind::Answered:
                    cells = {"Running", entry, bytes, time, ""};
                    showFinished = ++finished;
                    showSuccessful = ++successful;
                    break;
                case EchoOutcome::Kind::Failed:
                    cells = {"X", entry, bytes, time, QString::fromStdString(echo.reason)};
                    showFinished = ++finished;
                    showFailed = ++failed;
                    break;
                case EchoOutcome::Kind::Other:
                    // Some other data came back: the row stays empty and counts nothing.
                    break;
            }
            if (TakeShowAll()) {
                showFinished = finished;
                showSuccessful = successful;
                showFailed = failed;
            }
            bool go =
                Synchronize([page, cells, entryBytes, showFinished, showSuccessful, showFailed] {
                    if (!page)
                        return;
                    page->AppendRow(cells, entryBytes, false);
                    page->ShowCounters(showFinished, showSuccessful, showFailed);
                });
            if (!go)
                return;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// The page

TBatchPingPage::TBatchPingPage(PageContext& context, QWidget* parent)
    : TToolPage(context, "Batch Ping", "Batch Ping", "batch_ping", parent),
      icmpLayer_(std::make_unique<IcmpEchoLayer>(context)) {
    CreateInputs();
    CreateRunControls();
    LayOutPage();
    // The list's editing, import and total.
    ListEditing2 = TListEditing::Attach(Context(), EditedList::Ping, ListBox2, Label19,
                                        SpeedButton2, PopupMenu2);
    BuildPopups();
    WireHandlers();
}

// The send-to popups of the two boxes, the list (after its editing items) and the grid.
void TBatchPingPage::BuildPopups() {
    Pop_domain_ping = new ui::TPopupMenu(this);
    AddSendToItems(Pop_domain_ping, "Pop_domain_ping", Edit7, Context());
    Pop_domain_ping->AttachTo(Edit7);
    pop_ip_ping = new ui::TPopupMenu(this);
    AddSendToItems(pop_ip_ping, "pop_ip_ping", Edit8, Context());
    pop_ip_ping->AttachTo(Edit8);
    AddSendToItems(PopupMenu2, "PopupMenu2", ListBox2, Context());
    pop_ping_results = new ui::TPopupMenu(this);
    AddSendToItems(pop_ping_results, "pop_ping_results", StringGrid1, Context());
    pop_ping_results->AttachTo(StringGrid1);
}

void TBatchPingPage::CreateInputs() {
    // Single name and single address.
    Edit7 = new ui::TEdit;
    Hint(Edit7, "Right Click to Get More");
    SpeedButton7 = new ui::TSpeedButton("Ping", "Convert");
    SpeedButton21 =
        new ui::TSpeedButton("IE", "Ping the domain currently open in the Internet Explorer");
    Edit8 = new ui::TEdit;
    Hint(Edit8, "Right Click to Get More");
    SpeedButton18 = new ui::TSpeedButton("Ping", "Convert");
    CheckBox4 = new ui::TCheckBox("IP Neighborhood");
    ComboBox4 = new ui::TComboBox(false);
    ComboBox4->SetItems(Steps(10, 250, 10));
    ComboBox4->SetText("20");

    // List maker.
    Edit2 = new ui::TEdit;
    new ShowWhole(Edit2, "255.255.255");
    Edit4 = new ui::TEdit;
    Edit4->SetText("0");
    Edit5 = new ui::TEdit;
    Edit5->SetText("255");
    for (ui::TEdit* e : {Edit4, Edit5}) {
        e->setMaximumWidth(40);
        new ShowWhole(e, "255");
    }
    SpeedButton8 = new ui::TSpeedButton("Create", "Create");

    // The list.
    ListBox2 = new ui::TListBox;
    Hint(ListBox2, "Right Click to Get More");
    Label19 = new ui::TLabel;
    SpeedButton2 = new ui::TSpeedButton("Import", "");
    PopupMenu2 = new ui::TPopupMenu(this);
}

void TBatchPingPage::CreateRunControls() {
    // Run control and options.
    ping_start_button = new ui::TSpeedButton("Start", "Start");
    ping_stop_button = new ui::TSpeedButton("Stop", "Stop");
    Label54 = new ui::TLabel;
    ComboBox1 = new ui::TComboBox(false);
    ComboBox1->SetItems(Steps(1, 6, 1));
    ComboBox1->SetText("2");
    ComboBox2 = new ui::TComboBox(false);
    ComboBox2->SetItems(Steps(1000, 5000, 500));
    ComboBox2->SetText("2500");
    CheckBox6 = new ui::TCheckBox("Continuous");
    Edit9 = new ui::TEdit;
    Edit9->SetText(kDefaultSeconds);
    Edit9->setEnabled(false);
    new ShowWhole(Edit9, "99");
    Edit9->setMaximumWidth(Edit9->minimumWidth());
    Timer1 = new ui::TTimer(this);
    Timer1->setSingleShot(false);

    // Results.
    StringGrid1 = new ui::TStringGrid(5, 2, 1);
    StringGrid1->SetOptions({});  // whole rows are selected; nothing is sized or typed
    for (int c = 0; c < 5; ++c)
        StringGrid1->SetCells(c, 0, kHeadings[c]);
    StringGrid1->SetDefaultRowHeight(18);
    Label33 = new ui::TLabel;
    Label20 = new ui::TLabel;
    Label30 = new ui::TLabel;
    Label60 = new ui::TLabel("Total Count");
    Label59 = new ui::TLabel("0");
    SpeedButton12 = new ui::TSpeedButton("Export", "Export the result to a file");
}

// Inputs across the top, the list on the left, run control and results on the right.
void TBatchPingPage::LayOutPage() {
    auto* layout = new QVBoxLayout(Body());
    layout->setContentsMargins(6, 4, 6, 6);
    layout->setSpacing(4);
    layout->addLayout(LayOutInputRow());
    auto* middle = new QHBoxLayout;
    middle->setSpacing(6);
    middle->addWidget(LayOutListColumn());
    middle->addLayout(LayOutResults(), 1);
    layout->addLayout(middle, 1);
    KeepStatusRoom(Label54);
}

QLayout* TBatchPingPage::LayOutInputRow() {
    auto* top = new QGridLayout;
    top->setHorizontalSpacing(4);
    top->setVerticalSpacing(2);
    top->addWidget(new ui::TLabel("Domain  Name"), 0, 0);
    top->addWidget(Edit7, 0, 1);
    top->addWidget(SpeedButton7, 0, 2);
    top->addWidget(SpeedButton21, 0, 3);
    top->addWidget(new ui::TLabel("IP Address"), 0, 4);
    top->addWidget(Edit8, 0, 5);
    top->addWidget(SpeedButton18, 0, 6);
    auto* neighborhood = new QHBoxLayout;
    neighborhood->addWidget(CheckBox4);
    neighborhood->addWidget(ComboBox4);
    neighborhood->addStretch(1);
    top->addLayout(neighborhood, 1, 5, 1, 2);
    top->setColumnStretch(1, 1);
    top->setColumnStretch(5, 1);
    return top;
}

QWidget* TBatchPingPage::LayOutListColumn() {
    auto* left = new QVBoxLayout;
    left->setSpacing(2);
    left->addWidget(new ui::TLabel("Create an IP Address List "));
    auto* maker = new QGridLayout;
    maker->setHorizontalSpacing(2);
    maker->addWidget(new ui::TLabel("From"), 0, 2);
    maker->addWidget(new ui::TLabel("To"), 0, 4);
    maker->addWidget(Edit2, 1, 0);
    maker->addWidget(new ui::TLabel("."), 1, 1);
    maker->addWidget(Edit4, 1, 2);
    maker->addWidget(new ui::TLabel("-"), 1, 3);
    maker->addWidget(Edit5, 1, 4);
    // Below the boxes: beside them it left the prefix box too narrow for its text.
    maker->addWidget(SpeedButton8, 2, 0, 1, 5, Qt::AlignRight);
    maker->setColumnStretch(0, 1);
    left->addLayout(maker);
    left->addWidget(ListBox2, 1);
    auto* total = new QHBoxLayout;
    total->addWidget(new ui::TLabel("Total"));
    total->addWidget(Label19, 1);
    total->addWidget(SpeedButton2);
    left->addLayout(total);
    auto* leftBox = new QWidget;
    leftBox->setLayout(left);
    leftBox->setFixedWidth(165);
    left->setContentsMargins(0, 0, 0, 0);
    return leftBox;
}

QLayout* TBatchPingPage::LayOutResults() {
    auto* right = new QVBoxLayout;
    right->setSpacing(2);
    auto* options = new QGridLayout;
    options->setHorizontalSpacing(6);
    options->setVerticalSpacing(1);
    options->addWidget(ping_start_button, 1, 0);
    options->addWidget(ping_stop_button, 1, 1);
    // The status sits over Start and Stop, beside the captions: the row of the buttons has no
    // room to spare at the window's size, and a text appearing there pushed the boxes aside.
    options->addWidget(Label54, 0, 0, 1, 3, Qt::AlignLeft | Qt::AlignVCenter);
    options->addWidget(new ui::TLabel("Ping Count"), 0, 3);
    options->addWidget(ComboBox1, 1, 3);
    options->addWidget(new ui::TLabel("Time out (ms)"), 0, 4);
    options->addWidget(ComboBox2, 1, 4);
    auto* continuous = new QHBoxLayout;
    continuous->setSpacing(3);
    continuous->addWidget(CheckBox6);
    continuous->addWidget(new ui::TLabel("Per"));
    continuous->addWidget(Edit9);
    continuous->addWidget(new ui::TLabel("s"));
    options->addLayout(continuous, 1, 5);
    options->setColumnStretch(2, 1);
    right->addLayout(options);
    right->addWidget(StringGrid1, 1);
    auto* counters = new QHBoxLayout;
    counters->setSpacing(4);
    auto counter = [counters](const char* caption, ui::TLabel* value) {
        counters->addWidget(new ui::TLabel(caption));
        value->setMinimumWidth(36);
        counters->addWidget(value);
    };
    counter("Finished", Label33);
    counter("Successful", Label20);
    counter("Failed", Label30);
    counters->addWidget(Label60);
    Label59->setMinimumWidth(36);
    counters->addWidget(Label59);
    counters->addStretch(1);
    counters->addWidget(SpeedButton12);
    right->addLayout(counters);
    return right;
}

void TBatchPingPage::WireHandlers() {
    Edit7->OnEnter = [this] { SpeedButton7Click(); };
    SpeedButton7->OnClick = [this] { SpeedButton7Click(); };
    Edit8->OnEnter = [this] { SpeedButton18Click(); };
    SpeedButton18->OnClick = [this] { SpeedButton18Click(); };
    Edit2->OnEnter = [this] { SpeedButton8Click(); };
    Edit5->OnEnter = [this] { SpeedButton8Click(); };
    SpeedButton8->OnClick = [this] { SpeedButton8Click(); };
    ping_start_button->OnClick = [this] { ping_start_buttonClick(); };
    ping_stop_button->OnClick = [this] { ping_stop_buttonClick(); };
    CheckBox6->OnClick = [this] { CheckBox6Click(); };
    connect(Edit9, &QLineEdit::textChanged, this,
            GuardedSlot("TBatchPingPage::Edit9Change", [this] { Edit9Change(); }));
    Timer1->OnTimer = [this] { Timer1Timer(); };
    SpeedButton12->OnClick = [this] { SpeedButton12Click(); };
    SpeedButton21->OnClick = [this] { SpeedButton21Click(); };
}

TBatchPingPage::~TBatchPingPage() {
    Timer1->stop();
}

EchoLayer& TBatchPingPage::Echo() const {
    return echo_ ? *echo_ : *icmpLayer_;
}

void TBatchPingPage::AppendRow(const QStringList& cells, const QByteArray& entryBytes,
                               bool unresolved) {
    const int r = StringGrid1->RowCount() - 1;  // the empty last row
    for (const QString& c : cells)
        if (StringGrid1->AddToRow(r, c) == 1)
            StringGrid1->Model().SetCellBytes(1, r, entryBytes);
    // The reports read an unresolved entry as a block of one row.
    StringGrid1->Model().SetRowMark(r, unresolved);
    StringGrid1->SetRowCount(r + 2);
    StringGrid1->SetRow(r);
    // Rows 1 .. RowCount-2, the one just added included.
    Label59->SetCaption(QString::number(StringGrid1->RowCount() - 2));
}

void TBatchPingPage::ShowCounters(std::int32_t finished, std::int32_t successful,
                                  std::int32_t failed) {
    if (finished >= 0)
        Label33->SetCaption(QString::number(finished));
    if (successful >= 0)
        Label20->SetCaption(QString::number(successful));
    if (failed >= 0)
        Label30->SetCaption(QString::number(failed));
}

void TBatchPingPage::HaltRun() {
    Timer1->SetEnabled(false);
    ping_thread_.Halt();
}

void TBatchPingPage::StartRun(bool fresh) {
    std::string why;
    icmp::EchoFn send = Echo().Open(why);
    if (!send || !Context().queue) {
        if (why.empty())
            why = "ICMP echo is not available.";
        Context().Dialogs().ErrorBox(this, QString::fromStdString(why));
        return;
    }
    // Whatever starts a run ends the one before it, and a pending continuous run: two runs
    // never write one grid.
    HaltRun();
    if (fresh) {
        StringGrid1->Model().Clear();
        StringGrid1->SetRowCount(2);
        for (int c = 0; c < 5; ++c)
            StringGrid1->SetCells(c, 0, kHeadings[c]);
        Label33->SetCaption("");
        Label20->SetCaption("");
        Label30->SetCaption("");
    }
    ping_start_button->setEnabled(false);
    Label54->SetCaption("Working...");
    ping_count = ComboBox1->Text().toInt();
    // A repeat keeps the previous run's counts on show until its own first row replaces all
    // three; a fresh run starts from cleared labels.
    QPointer<TBatchPingPage> self(this);
    ping_thread_.Start(std::make_shared<ping_thread>(this, std::move(send), ping_count, !fresh),
                       Context().queue, [self] {
                           if (self)
                               self->ping_button_active();
                       });
}

void TBatchPingPage::ping_start_buttonClick() {
    if (ListBox2->Count() == 0) {
        Context().Dialogs().Warn(this, " Please add the IP address or domain/host name ");
        return;
    }
    StartRun(true);
}

void TBatchPingPage::ping_stop_buttonClick() {
    Timer1->SetEnabled(false);
    if (ping_thread_.Empty())
        return;
    ping_thread_.Halt();
    Label54->SetCaption("Done!");
    ping_start_button->setEnabled(true);
}

void TBatchPingPage::ping_button_active() {
    ping_start_button->setEnabled(true);
    Label54->SetCaption("Done!");
    if (!CheckBox6->Checked())
        return;
    std::optional<int> seconds = ContinuousSeconds(Edit9->Text());
    if (!seconds) {
        Context().Dialogs().Warn(this, " Please enter the integer! ");
        Edit9->SetText(kDefaultSeconds);
        seconds = ContinuousSeconds(Edit9->Text());
    }
    const long long ms = std::min<long long>(static_cast<long long>(*seconds) * 1000, INT_MAX);
    Timer1->SetInterval(static_cast<int>(ms));
    Timer1->SetEnabled(true);
}

void TBatchPingPage::Timer1Timer() {
    // Disarmed first, so a run that cannot start does not come back every few seconds.
    Timer1->SetEnabled(false);
    // The next continuous run appends below the rows already there.
    StartRun(false);
}

void TBatchPingPage::SpeedButton7Click() {
    ListBox2->SetItems({Edit7->Text()});
    ping_stop_buttonClick();
    ping_start_buttonClick();
}

void TBatchPingPage::PingDomain(const QString& name) {
    Edit7->SetText(name);
    SpeedButton7Click();
}

void TBatchPingPage::PingIp(const QString& address) {
    Edit8->SetText(address);
    SpeedButton18Click();
}

void TBatchPingPage::SpeedButton18Click() {
    const QString text = Edit8->Text();
    if (text.isEmpty())
        return;
    AddressCheck check = CheckAddressInput(Context().Dialogs(), this, text);
    if (check.result != AddressCheck::Ok)
        return;
    ListBox2->Clear();
    if (CheckBox4->Checked()) {
        Neighborhood n = NeighborhoodList(check.fields, ComboBox4->Text().toInt());
        ListBox2->SetItems(n.addresses);
        if (!n.complete)
            return;
    } else {
        ListBox2->SetItems({text});
    }
    Label19->SetCaption(QString::number(ListBox2->Count()));
    ping_stop_buttonClick();
    ping_start_buttonClick();
}

void TBatchPingPage::SpeedButton8Click() {
    AddressList list = MakeAddressList(Edit2->Text(), Edit4->Text(), Edit5->Text());
    // The two texts differ by their trailing blanks.
    if (list.result == AddressList::NotInteger) {
        Context().Dialogs().Message(this, "Please insert number 0-255! ", "Error", ui::Icon::Error,
                                    ui::Buttons::Ok);
        return;
    }
    if (list.result == AddressList::OutOfRange) {
        Context().Dialogs().Message(this, "Please insert number 0-255!  ", "Error", ui::Icon::Error,
                                    ui::Buttons::Ok);
        return;
    }
    ListBox2->SetItems(list.entries);
    Label19->SetCaption(QString::number(ListBox2->Count()));
}

void TBatchPingPage::CheckBox6Click() {
    const bool on = CheckBox6->Checked();
    Edit9->setEnabled(on);
    Label60->setVisible(on);
    Label59->setVisible(on);
}

void TBatchPingPage::Edit9Change() {
    if (ContinuousSeconds(Edit9->Text()))
        return;
    Context().Dialogs().Warn(this, " Please enter the integer! ");
    Edit9->SetText(kDefaultSeconds);
}

void TBatchPingPage::SpeedButton12Click() {
    if (ShowExport)
        ShowExport();
}

void TBatchPingPage::LayOutGrid() {
    LayOutColumns(StringGrid1, {{"Status", 50},
                                {"IP or Domain/Host Name", 150},
                                {"Bytes", 40},
                                {"Time(ms)", 65},
                                {"Failed Reason", 2000}});
}

void TBatchPingPage::SpeedButton21Click() {
    const std::optional<std::string> url = BrowserUrlForButton(*this);
    if (!url)
        return;
    Edit7->SetText(QString::fromStdString(HostOfUrl(*url)));
    SpeedButton7Click();
}

void TBatchPingPage::PrefillFromBrowser(const std::function<std::string()>& host) {
    Edit7->SetText(QString::fromStdString(host()));
}

}  // namespace orv
