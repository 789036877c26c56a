#include "app/page_scanner.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QCoreApplication>
#include <QDialog>
#include <QRadioButton>
#include <QStringDecoder>
#include <QStyle>
#include <QTimer>

#include "app/browser_button.h"
#include "app/send_to.h"
#include "app/text_export.h"
#include "app/tool_row.h"
#include "common/boundary_guard.h"
#include "controls/dialogs.h"
#include "lookup/browser_url.h"
#include "platform/shell.h"

namespace orv {

namespace {

const char* const kNoUrlText = "Please enter the URL!   ";
const char* const kFinishedText = "Scanning is finished.";
constexpr int kGridFlushMs = 50;

// Bytes from the web: UTF-8 when they are valid UTF-8, otherwise one character per byte
// (`latin1` tells which). Either way the text encodes back to exactly the same bytes.
QString Decode(const std::string& bytes, bool* latin1 = nullptr) {
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    bool bytewise = utf8.hasError();
    if (bytewise)
        text = QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
    if (latin1)
        *latin1 = bytewise;
    return text;
}

bool HasControlChar(const QString& s) {
    for (QChar c : s)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return true;
    return false;
}

}  // namespace

TRadioGroup::TRadioGroup(const QString& caption, const QStringList& items, int itemIndex,
                         QWidget* parent)
    : QGroupBox(caption, parent), group_(new QButtonGroup(this)) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(6, 2, 6, 2);
    column->setSpacing(0);
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i]);
        group_->addButton(b, i);
        column->addWidget(b);
    }
    SetItemIndex(itemIndex);
    connect(group_, &QButtonGroup::idClicked, this, GuardedSlot("TRadioGroup::OnClick", [this] {
                if (OnClick)
                    OnClick();
            }));
}

int TRadioGroup::ItemIndex() const {
    return group_->checkedId();
}

void TRadioGroup::SetItemIndex(int i) {
    if (QAbstractButton* b = group_->button(i))
        b->setChecked(true);
}

int TRadioGroup::Count() const {
    return int(group_->buttons().size());
}

QRadioButton* TRadioGroup::Button(int i) const {
    return qobject_cast<QRadioButton*>(group_->button(i));
}

TWebsiteScannerPage::TWebsiteScannerPage(PageContext& context, QWidget* parent)
    : TToolPage(context, "Website Scanner", "Website Scanner", "website_scanner", parent),
      HttpScan1(new scan::THttpScan(this)),
      control_(*HttpScan1) {
    ApplyStoredSettings();
    ConnectScanner();

    auto* layout = new QVBoxLayout(Body());
    layout->setContentsMargins(8, 6, 8, 6);
    layout->setSpacing(4);
    layout->addLayout(BuildToolRow());
    layout->addWidget(BuildSettingsRow());
    BuildLinkGrid();
    layout->addWidget(Label55);
    layout->addWidget(StringGrid4, 1);
    ConnectControls();
}

void TWebsiteScannerPage::ApplyStoredSettings() {
    // The settings the main window keeps for its scanner.
    scan::THttpScan& s = *HttpScan1;
    s.setObjectName("HttpScan1");
    s.SetTimeOut(300);
    s.SetFileOfResults("/results.txt");
    s.SetLeavesFirst(false);
    s.SetAgent(scan::kDefaultAgent);
    s.SetHttpPort(80);
    s.SetRetries(3);
    s.SetLinkScan(scan::scanInitialSite);
    s.SetLinkReport(scan::reportCurrentSiteLinks);
    s.SetDepthSearchLevel(3);
    s.SetTypeFilterEnabled(false);
    s.SetProxyType(scan::PROXY_DEFAULT);
    s.SetProxyPort(80);
    s.SetMaxQueueSize(5000);
    s.SetSeekRobotsTxt(false);
    s.SetConcurrentDownloads(6);
}

void TWebsiteScannerPage::ConnectScanner() {
    scan::THttpScan& s = *HttpScan1;
    s.OnLinkFound = [this](QObject*, const std::string& UrlFound, const std::string& TypeLink,
                           const std::string&, const std::string&, const std::string&,
                           const std::string&, const std::string&, std::string&, char, int,
                           bool&) { HttpScan1LinkFound(UrlFound, TypeLink); };
    s.OnPageReceived = [this](QObject*, const std::string&, const std::string&,
                              const std::string& Head,
                              const std::string&) { HttpScan1PageReceived(Head); };
    s.OnFetchFailed = [this](QObject*, const std::string& Url, const std::string& Reason) {
        HttpScan1FetchFailed(Url, Reason);
    };
    s.OnWorking = [this](QObject*, bool Working_) { HttpScan1Working(Working_); };
    // The scanner's own boxes are plain messages under the application's title.
    s.OnShowMessage = [this](const std::string& text) {
        Context().Dialogs().Message(this, Decode(text), QCoreApplication::applicationName(),
                                    ui::Icon::None, ui::Buttons::Ok);
    };
    // After ShutdownScan: leave the event loop without closing the windows, so the close
    // handlers (and the settings they write) do not run on this path.
    s.OnTerminateApplication = [] { QCoreApplication::exit(0); };
}

QHBoxLayout* TWebsiteScannerPage::BuildToolRow() {
    button22 = new ui::TSpeedButton("Start", "Start", QStyle::SP_MediaPlay);
    button11 = new ui::TSpeedButton("Stop", "Stop", QStyle::SP_MediaStop);
    SpeedButton15 =
        new ui::TSpeedButton("Export", "Export the results to a file", QStyle::SP_DialogSaveButton);
    SpeedButton17 = new ui::TSpeedButton(
        "", "Scan web address currently open in the Internet Explorer", QStyle::SP_DesktopIcon);
    const ToolRow row =
        MakeToolRow(this, "Http://", {button22, button11, SpeedButton15, SpeedButton17});
    Edit111 = row.edit;
    pop_scanner = row.popup;
    AddSendToItems(pop_scanner, "pop_scanner", Edit111, Context());
    return row.layout;
}

QWidget* TWebsiteScannerPage::BuildSettingsRow() {
    // The settings row keeps a compact height; the grid takes what is left.
    auto* settingsBox = new QWidget;
    settingsBox->setFixedHeight(104);
    auto* settings = new QHBoxLayout(settingsBox);
    settings->setContentsMargins(0, 0, 0, 0);
    settings->setSpacing(6);
    RadioGroup2 =
        new TRadioGroup("Page Scan", {"All Links", "In the WebSite", "In the Same Path"}, 1);
    RadioGroup3 =
        new TRadioGroup("Links Type", {"All Links", "In the Website", "In the Same Path"}, 1);
    auto* filter = new QVBoxLayout;
    filter->setSpacing(2);
    auto* filterRow = new QHBoxLayout;
    CheckBox5 = new ui::TCheckBox("Filter");
    SpeedButton16 = new ui::TSpeedButton("", "Filter Help", QStyle::SP_MessageBoxQuestion);
    filterRow->addWidget(CheckBox5);
    filterRow->addStretch(1);
    filterRow->addWidget(SpeedButton16);
    Memo11 = new ui::TMemo;
    Memo11->setReadOnly(false);
    Memo11->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo11->setFixedWidth(110);
    filter->addLayout(filterRow);
    filter->addWidget(Memo11, 1);
    auto* head = new QVBoxLayout;
    head->setSpacing(2);
    head->addWidget(new ui::TLabel("Http Head"));
    Memo222 = new ui::TMemo;
    head->addWidget(Memo222, 1);
    settings->addWidget(RadioGroup2);
    settings->addWidget(RadioGroup3);
    settings->addLayout(filter);
    settings->addLayout(head, 1);
    return settingsBox;
}

void TWebsiteScannerPage::BuildLinkGrid() {
    Label55 = new ui::TLabel;
    StringGrid4 = new ui::TStringGrid(2, 1, 0);
    StringGrid4->SetOptions({});  // whole rows are selected; nothing is sized or typed
    StringGrid4->SetDefaultRowHeight(18);
    StringGrid4->setToolTip("Double click to open it ");
    // Links pour in one by one while pages are analysed: the grid shows (and scrolls to) the
    // new rows, and the progress line its count, about twenty times a second instead of once
    // per link.
    StringGrid4->Model().SetMinFlushInterval(kGridFlushMs);
    connect(&StringGrid4->Model(), &ui::StringGridModel::Flushed, this,
            GuardedSlot("TWebsiteScannerPage::ShowProgress", [this] { ShowProgress(); }));
    headTimer_.setSingleShot(true);
    headTimer_.setInterval(kGridFlushMs);
    connect(&headTimer_, &QTimer::timeout, this,
            GuardedSlot("TWebsiteScannerPage::ShowHead", [this] { ShowHead(); }));
}

void TWebsiteScannerPage::ConnectControls() {
    Edit111->OnEnter = [this] {
        // Enter does what the Start button does, and nothing while the button is disabled.
        if (button22->isEnabled())
            Button22Click();
    };
    button22->OnClick = [this] { Button22Click(); };
    button11->OnClick = [this] { Button11Click(); };
    SpeedButton15->OnClick = [this] { SpeedButton15Click(); };
    SpeedButton17->OnClick = [this] { SpeedButton17Click(); };
    SpeedButton16->OnClick = [this] { SpeedButton16Click(); };
    RadioGroup2->OnClick = [this] { RadioGroup2Click(); };
    RadioGroup3->OnClick = [this] { RadioGroup3Click(); };
    CheckBox5->OnClick = [this] { CheckBox5Click(); };
    connect(Memo11, &QPlainTextEdit::textChanged, this,
            GuardedSlot("TWebsiteScannerPage::Memo11Change", [this] { Memo11Change(); }));
    connect(
        StringGrid4, &QAbstractItemView::doubleClicked, this,
        GuardedSlot("TWebsiteScannerPage::StringGrid4DblClick", [this] { StringGrid4DblClick(); }));
}

TWebsiteScannerPage::~TWebsiteScannerPage() {
    // The scanner goes before the controls its events write to.
    HttpScan1->OnLinkFound = nullptr;
    HttpScan1->OnPageReceived = nullptr;
    HttpScan1->OnFetchFailed = nullptr;
    HttpScan1->OnWorking = nullptr;
    HttpScan1->OnShowMessage = nullptr;
    delete HttpScan1;
    HttpScan1 = nullptr;
}

void TWebsiteScannerPage::Button22Click() {
    if (Edit111->Text().isEmpty()) {
        Context().Dialogs().Warn(this, kNoUrlText);
        return;
    }
    std::string url = "http://" + Edit111->Text().toStdString();
    if (HttpScan1->IsStopping()) {
        // A stopping scanner would take the address and queue nothing: start once it is idle.
        pendingStart_ = url;
        button22->setEnabled(false);
        return;
    }
    // One scan at a time: while one works, a start does what the disabled button does.
    if (HttpScan1->IsWorking())
        return;
    StartScanAt(url);
}

void TWebsiteScannerPage::ScanSite(const QString& address) {
    Edit111->SetText(address);
    // A scan that is still stopping hands the start on to its end (see Button22Click).
    Button11Click();
    Button22Click();
}

void TWebsiteScannerPage::StartScanAt(const std::string& url) {
    HttpScan1->SetFileOfResults("");
    button22->setEnabled(false);
    HttpScan1->SetTypeFilter(Memo11->toPlainText().toStdString());
    if (HttpScan1->StartScan(url)) {
        LinkCount = 0;
        addressLatin1_.clear();
        StringGrid4->Model().Clear();
        StringGrid4->SetRowCount(1);
        StringGrid4->SetRow(0);
        pendingHead_.reset();
        Memo222->Clear();
    } else {
        // Refused; the scanner said why. The previous results stay.
        button22->setEnabled(true);
    }
}

void TWebsiteScannerPage::RunPendingStart() {
    if (!pendingStart_)
        return;
    if (HttpScan1->IsWorking())
        return;  // still winding down: the next idle notice tries again
    std::string url = std::move(*pendingStart_);
    pendingStart_.reset();
    StartScanAt(url);
}

void TWebsiteScannerPage::Button11Click() {
    // A stop also drops a start that was waiting for the previous stop.
    pendingStart_.reset();
    if (HttpScan1->StopScan()) {
        ShowProgress();
        Label55->SetCaption(Label55->Caption() + "    stopping...");
    }
}

char TWebsiteScannerPage::NextSpinnerChar() {
    char& c = SpinnerChar;
    switch (c) {
        case '-':
            c = '\\';
            break;
        case '/':
            c = '-';
            break;
        case '\\':
            c = '|';
            break;
        default:
            c = '/';
            break;
    }
    return c;
}

void TWebsiteScannerPage::HttpScan1LinkFound(const std::string& UrlFound,
                                             const std::string& TypeLink) {
    ++LinkCount;
    StringGrid4->SetRowCount(StringGrid4->RowCount() + 1);
    int row = StringGrid4->RowCount() - 2;
    StringGrid4->SetRow(row);
    StringGrid4->AddToRow(row, Decode(TypeLink));
    bool latin1 = false;
    StringGrid4->AddToRow(row, Decode(UrlFound, &latin1));
    addressLatin1_.resize(std::size_t(row) + 1);
    addressLatin1_[std::size_t(row)] = latin1;
    // Shown with the new rows, when the grid next tells its view of them.
    progress_ = QStringLiteral("   (") + QChar::fromLatin1(NextSpinnerChar()) +
                QStringLiteral(")        ") + QString::number(LinkCount) +
                QStringLiteral(" links found.");
}

void TWebsiteScannerPage::ShowProgress() {
    if (!progress_)
        return;
    Label55->SetCaption(*progress_);
    progress_.reset();
}

void TWebsiteScannerPage::HttpScan1PageReceived(const std::string& Head) {
    // Pages may come hundreds a second: the memo shows the last head about every 50 ms.
    pendingHead_ = Head;
    if (!headTimer_.isActive())
        headTimer_.start();
}

void TWebsiteScannerPage::HttpScan1FetchFailed(const std::string& Url, const std::string& Reason) {
    HttpScan1PageReceived(Url + "\n" + Reason);
}

void TWebsiteScannerPage::ShowHead() {
    headTimer_.stop();
    if (!pendingHead_)
        return;
    QString text = Decode(*pendingHead_);
    pendingHead_.reset();
    text.remove(u'\r');
    while (text.endsWith(u'\n'))
        text.chop(1);
    Memo222->setPlainText(text);
}

void TWebsiteScannerPage::HttpScan1Working(bool Working_) {
    if (Working_) {
        progress_.reset();
        Label55->SetCaption("   Working ....");
        return;
    }
    ShowProgress();
    ShowHead();
    Label55->SetCaption(Label55->Caption() + "     Done.");
    // While the program is being ended no box: it would hold the scanner's timer (this
    // notice comes from one of its ticks) and so the end of the program, until answered. Nor
    // when a start waits for this scan's stop: the box would stand over the new address and
    // hold the new scan until answered.
    if (!HttpScan1->ShuttingDown() && !pendingStart_)
        Context().Dialogs().Message(this, kFinishedText, "Information", ui::Icon::Information,
                                    ui::Buttons::Ok);
    button22->setEnabled(true);
    // The scanner empties its lists of this scan after this notice: a waiting start goes
    // after that, from the event loop.
    if (pendingStart_)
        QTimer::singleShot(0, this, GuardedSlot("TWebsiteScannerPage::RunPendingStart", [this] {
                               RunPendingStart();
                           }));
}

void TWebsiteScannerPage::RadioGroup2Click() {
    static constexpr scan::TLinkScan kScan[] = {scan::scanAllLinks, scan::scanInitialSite,
                                                scan::scanInitialPath};
    int i = RadioGroup2->ItemIndex();
    if (i >= 0 && i < 3)
        HttpScan1->SetLinkScan(kScan[i]);
}

void TWebsiteScannerPage::RadioGroup3Click() {
    static constexpr scan::TLinkReport kReport[] = {
        scan::reportAllLinks, scan::reportCurrentSiteLinks, scan::reportCurrentPathLinks};
    int i = RadioGroup3->ItemIndex();
    if (i >= 0 && i < 3)
        HttpScan1->SetLinkReport(kReport[i]);
}

void TWebsiteScannerPage::CheckBox5Click() {
    HttpScan1->SetTypeFilterEnabled(CheckBox5->Checked());
}

void TWebsiteScannerPage::Memo11Change() {
    HttpScan1->SetTypeFilter(Memo11->toPlainText().toStdString());
}

void TWebsiteScannerPage::SpeedButton16Click() {
    if (filter_help)
        Context().Dialogs().ExecModal(filter_help);
}

std::optional<std::string> TWebsiteScannerPage::LinkToOpen(const QString& type,
                                                           const QString& address) {
    if (address.trimmed().isEmpty() || HasControlChar(address))
        return std::nullopt;
    if (type == "mail")
        return ("mailto:" + address).toStdString();
    for (const char* scheme : {"http://", "https://", "ftp://"}) {
        QLatin1String s(scheme);
        if (address.startsWith(s, Qt::CaseInsensitive) && address.size() > s.size())
            return address.toStdString();
    }
    return std::nullopt;
}

void TWebsiteScannerPage::StringGrid4DblClick() {
    int row = StringGrid4->Row();
    if (row < 0 || row >= StringGrid4->RowCount())
        return;
    if (auto target = LinkToOpen(StringGrid4->Cells(0, row), StringGrid4->Cells(1, row)))
        ShellOpen(*target);
}

bool TWebsiteScannerPage::SaveDialog4CanClose(const QString& fileName) {
    return ConfirmReplace(Context().Dialogs(), this, fileName);
}

void TWebsiteScannerPage::SpeedButton15Click() {
    // Each address goes out as the bytes it came in as.
    QByteArrayList lines;
    for (int r = 0; r <= StringGrid4->RowCount() - 2; ++r) {
        QString cell = StringGrid4->Cells(1, r);
        bool latin1 = std::size_t(r) < addressLatin1_.size() && addressLatin1_[std::size_t(r)];
        lines << (latin1 ? cell.toLatin1() : cell.toUtf8());
    }
    SaveLines(Context().Dialogs(), this, SaveDialog4, lines,
              [this](const QString& f) { return SaveDialog4CanClose(f); });
}

void TWebsiteScannerPage::LayOutGrid() {
    LayOutColumns(StringGrid4, {{"", 40}, {"", 2000}});
}

void TWebsiteScannerPage::SpeedButton17Click() {
    BrowserButtonPress(*this, Edit111, false, [this](const BrowserPage& page) {
        // Host and path; the start puts "http://" in front.
        Edit111->SetText(QString::fromStdString(AddressOfUrl(page.url)));
        Button11Click();
        Button22Click();
    });
}

void TWebsiteScannerPage::PrefillFromBrowser(const BrowserPage& page) {
    PrefillBox(Edit111, QString::fromStdString(page.host));
}

}  // namespace orv
