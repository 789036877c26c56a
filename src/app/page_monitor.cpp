#include "app/page_monitor.h"

#include <QBoxLayout>
#include <QDialog>
#include <QFontMetricsF>
#include <QPalette>
#include <QStyle>
#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

#include "app/fonts.h"
#include "app/send_to.h"
#include "common/boundary_guard.h"
#include "controls/datetime.h"
#include "controls/dialogs.h"
#include "tasks/worker.h"

namespace orv {

namespace {

const QString kSince = QStringLiteral("TCP connection history since : ");
const QString kHeadings = QStringLiteral(
    "       Date           Time              Local IP          Local Port       Remote IP       "
    "Rem.Service     Status           Remote Host Name");
const std::string kListening(TcpStateNames[1]);

enum Column { kDate, kTime, kLocalIp, kLocalPort, kRemoteIp, kRemotePort, kState, kHostName };

std::string Text(const ui::TStringGrid* g, int col, int row) {
    return g->Cells(col, row).toStdString();
}

}  // namespace

TConnectionMonitorPage::TConnectionMonitorPage(PageContext& context, QWidget* parent)
    : TToolPage(context, "Connection Monitor", "Connection Monitor", "connection_monitor", parent) {
    auto* layout = new QVBoxLayout(Body());
    layout->setContentsMargins(8, 6, 8, 6);
    // The rows meet: the caption sits right on the grid, and the options row keeps its gap by
    // a margin of its own.
    layout->setSpacing(0);
    BuildOptionsRows(layout);
    BuildGrid(layout);

    Timer = new ui::TTimer(this);
    Timer->SetInterval(500);

    WatchGridChanges();
    StartHostNames();
    WireHandlers();
}

void TConnectionMonitorPage::BuildOptionsRows(QVBoxLayout* layout) {
    QStyle* st = style();
    // The start label has a row of its own: beside the options it had a third of the width it
    // needs. A start text wider still is cut rather than widening the window.
    stStart = new ui::TLabel;
    stStart->setFont(PageFont(9, true));
    stStart->setMinimumWidth(1);
    QPalette green = stStart->palette();
    green.setColor(QPalette::WindowText, QColor(0, 128, 0));
    stStart->setPalette(green);
    cbShowListeners = new ui::TCheckBox("Show Listening Ports");
    CheckBox2 = new ui::TCheckBox("Host Revolve");
    sbClear = new ui::TSpeedButton("Clear", "Clear");
    sbClear->setIcon(st->standardIcon(QStyle::SP_DialogResetButton));
    sbClear->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    SpeedButton14 = new ui::TSpeedButton("Export", "Export the result to a file");
    SpeedButton14->setIcon(st->standardIcon(QStyle::SP_DialogSaveButton));
    SpeedButton14->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    layout->addWidget(stStart);
    auto* bar = new QHBoxLayout;
    bar->setSpacing(8);
    bar->setContentsMargins(0, 0, 0, 4);
    bar->addStretch(1);
    bar->addWidget(cbShowListeners);
    bar->addWidget(CheckBox2);
    bar->addWidget(sbClear);
    bar->addWidget(SpeedButton14);
    layout->addLayout(bar);
}

void TConnectionMonitorPage::BuildGrid(QVBoxLayout* layout) {
    // The headings stand in one caption above the grid, which has no heading row of its own.
    StaticText1 = new ui::TLabel(kHeadings);
    StaticText1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    StaticText1->setFont(WindowFont());
    // The caption runs past a narrow window instead of widening it.
    StaticText1->setMinimumWidth(1);
    layout->addWidget(StaticText1);

    sgConnHist = new ui::TStringGrid(8, 1, 0);
    sgConnHist->SetOptions(ui::GridOption::ColSizing | ui::GridOption::RowSizing |
                           ui::GridOption::Editing);
    sgConnHist->setFrameShape(QFrame::NoFrame);
    sgConnHist->setFont(WindowFont());
    layout->addWidget(sgConnHist, 1);
    pop_monitor = new ui::TPopupMenu(this);
    AddSendToItems(pop_monitor, "pop_monitor", sgConnHist, Context());
    pop_monitor->AttachTo(sgConnHist);
}

void TConnectionMonitorPage::WatchGridChanges() {
    ui::StringGridModel* model = &sgConnHist->Model();
    // Anyone else's change to the grid makes the index rebuild before it is next asked.
    auto changed = GuardedSlot("TConnectionMonitorPage grid change", [this] {
        if (!writing_)
            history_.MarkChanged();
    });
    connect(model, &QAbstractItemModel::modelReset, this, changed);
    connect(model, &QAbstractItemModel::rowsRemoved, this, changed);
    connect(model, &QAbstractItemModel::dataChanged, this, changed);
    // Rows gone by anyone else's hand take their waits with them.
    auto rowsGone = GuardedSlot("TConnectionMonitorPage grid change", [this] {
        if (!writing_)
            awaitingName_.clear();
    });
    connect(model, &QAbstractItemModel::modelReset, this, rowsGone);
    connect(model, &QAbstractItemModel::rowsRemoved, this, rowsGone);
}

void TConnectionMonitorPage::StartHostNames() {
    // The answers are the page's own writes on the shared queue, so a box another tool's write
    // holds open does not hold them back. `owner` only tells them apart; it is never followed.
    hostNames_ = std::make_unique<HostNameCache>(
        [queue = Context().queue, owner = static_cast<const void*>(this)](
            std::function<void()> fn) { return queue && queue->Post(owner, std::move(fn)); },
        [this](const std::string& ip, const std::string& name) { NameArrived(ip, name); });
}

void TConnectionMonitorPage::WireHandlers() {
    Timer->OnTimer = [this] { TimerTimer(); };
    sbClear->OnClick = [this] { sbClearClick(); };
    SpeedButton14->OnClick = [this] { SpeedButton14Click(); };
}

void TConnectionMonitorPage::FitDateAndTimeColumns() {
    // The widest texts the user's formats write: every day of a year (each month and weekday
    // name, two-digit days) and every hour (morning and afternoon). Advances are taken in
    // fractions of a pixel, as the text is laid out, and rounded up at the end.
    const QFontMetricsF fm(sgConnHist->font());
    qreal widest = 0;
    const QDate first(Now().date().year(), 1, 1);
    for (QDate d = first; d.year() == first.year(); d = d.addDays(1))
        widest = std::max(widest, fm.horizontalAdvance(ui::DateToStr(d)));
    const int date = static_cast<int>(std::ceil(widest));
    widest = 0;
    for (int h = 0; h < 24; ++h)
        widest = std::max(widest, fm.horizontalAdvance(ui::TimeToStr(QTime(h, 58, 58))));
    const int time = static_cast<int>(std::ceil(widest));
    // Besides its text a cell holds the style's text margin on each side and the grid line.
    const int margin =
        sgConnHist->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, sgConnHist) + 1;
    const int extra = 2 * margin + (sgConnHist->showGrid() ? 1 : 0);
    for (auto [col, text] : {std::pair{kDate, date}, std::pair{kTime, time}})
        if (sgConnHist->ColWidth(col) < text + extra)
            sgConnHist->SetColWidth(col, text + extra);
}

void TConnectionMonitorPage::SyncIndex() {
    history_.Sync(sgConnHist->RowCount(), [this](int r) {
        return ConnectionHistory::Fields{
            Text(sgConnHist, kLocalPort, r), Text(sgConnHist, kRemoteIp, r),
            Text(sgConnHist, kRemotePort, r), Text(sgConnHist, kState, r)};
    });
}

bool TConnectionMonitorPage::IsNewConnection(const TTcpConnStatus& record) {
    if (!cbShowListeners->Checked() && record.State == kListening)
        return false;
    SyncIndex();
    return !history_.Holds(record);
}

void TConnectionMonitorPage::AddRow(const TTcpConnStatus& record) {
    QDateTime now = Now();
    // Rows of one second share their texts: a first poll may add a thousand rows.
    qint64 second = now.toSecsSinceEpoch();
    if (second != stampSecond_) {
        stampSecond_ = second;
        stampDate_ = ui::DateToStr(now.date());
        stampTime_ = ui::TimeToStr(now.time());
    }
    writing_ = true;
    const int r = sgConnHist->RowCount() - 1;
    sgConnHist->SetCells(kDate, r, stampDate_);
    sgConnHist->SetCells(kTime, r, stampTime_);
    sgConnHist->SetCells(kLocalIp, r, QString::fromStdString(record.LocalAddress));
    sgConnHist->SetCells(kLocalPort, r, QString::fromStdString(record.LocalPort));
    sgConnHist->SetCells(kRemoteIp, r, QString::fromStdString(record.RemoteAddress));
    sgConnHist->SetCells(kRemotePort, r, QString::fromStdString(record.RemotePort));
    sgConnHist->SetCells(kState, r, QString::fromStdString(record.State));
    if (CheckBox2->Checked()) {
        std::string ip = TrimPaddedIp(record.RemoteAddress);
        if (std::optional<std::string> name = hostNames_->Name(ip))
            SetHostName(r, *name);
        else
            awaitingName_[std::move(ip)].push_back(r);
    }
    sgConnHist->SetRowCount(r + 2);
    sgConnHist->SetRow(r);
    writing_ = false;
    history_.Added(record, sgConnHist->RowCount());
}

void TConnectionMonitorPage::NameArrived(const std::string& ip, const std::string& name) {
    auto waiting = awaitingName_.find(ip);
    if (waiting == awaitingName_.end())
        return;
    const std::vector<int> rows = std::move(waiting->second);
    awaitingName_.erase(waiting);
    // A row is written only while it still shows the address and no name: whatever changed
    // the grid in the meantime, no other row gets the name.
    writing_ = true;
    for (int r : rows)
        if (r < sgConnHist->RowCount() - 1 && sgConnHist->Cells(kHostName, r).isEmpty() &&
            TrimPaddedIp(Text(sgConnHist, kRemoteIp, r)) == ip)
            SetHostName(r, name);
    writing_ = false;
}

void TConnectionMonitorPage::SetHostName(int row, const std::string& name) {
    // Shown as text, exported as the resolver's bytes.
    const QByteArray bytes = QByteArray::fromStdString(name);
    sgConnHist->SetCells(kHostName, row, ui::TextOfBytes(bytes));
    sgConnHist->Model().SetCellBytes(kHostName, row, bytes);
}

void TConnectionMonitorPage::TimerTimer() {
    // Off for the whole poll: the warning box runs an event loop, and a tick inside it must not
    // start a second poll.
    Timer->SetEnabled(false);
    TTcpConnStatusList list;
    GetTcpConnStatusList(&list);
    for (const TTcpConnStatus& record : list)
        if (IsNewConnection(record))
            AddRow(record);
    list.clear();

    if (sgConnHist->RowCount() > kRowLimit) {
        QString text = " There are more than " + QString::number(kRowLimit) +
                       " items have been recorded!" + QChar(13) +
                       " To avoid resource problems, the records will be cleared";
        if (Context().Dialogs().Message(this, text, "Warning", ui::Icon::Warning,
                                        ui::Buttons::Ok) == ui::Answer::Ok)
            sbClearClick();
    }
    Timer->SetEnabled(true);
}

void TConnectionMonitorPage::sbClearClick() {
    Timer->SetEnabled(false);
    writing_ = true;
    // Fewer rows first: emptying the one row left is then cheap.
    sgConnHist->SetRowCount(1);
    sgConnHist->Model().Clear();
    writing_ = false;
    awaitingName_.clear();
    // Names are asked afresh after a clear; those still being looked up come to the new rows.
    hostNames_->Forget();
    history_.Clear();
    Timer->SetEnabled(true);
    stStart->SetCaption(kSince + ui::DateTimeToStr(Now()));
}

void TConnectionMonitorPage::SpeedButton14Click() {
    if (monitor_export)
        Context().Dialogs().ExecModal(monitor_export);
}

void TConnectionMonitorPage::LayOutGrid() {
    // The headings are StaticText1 above the grid, which has no heading row.
    LayOutColumns(
        sgConnHist,
        {{"", 62}, {"", 60}, {"", 85}, {"", 50}, {"", 85}, {"", 60}, {"", 60}, {"", 2000}});
    FitDateAndTimeColumns();
}

}  // namespace orv
