#include "app/page_tracert.h"

#include <QAction>
#include <QBoxLayout>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTreeWidget>
#include <algorithm>
#include <array>
#include <memory>
#include <optional>

#include "app/globals.h"
#include "app/main_window.h"
#include "app/text_export.h"
#include "controls/dialogs.h"
#include "lookup/name_resolution.h"
#include "platform/resolver.h"

namespace orv {

namespace {

constexpr int kColumnWidths[] = {31, 95, 152, 58};
const char* const kColumns[] = {"Hop", "IP", "Host", "Note"};
constexpr int kIpColumn = 1, kHostColumn = 2, kNoteColumn = 3;
constexpr const char* kFieldGap = "    ";

QString Text(const std::string& s) {
    return QString::fromStdString(s);
}

// The furthest an echo can go: the time-to-live field holds 255 at most.
constexpr int kLastTtl = 255;

// The column widths for the list's font: each at least its designed width, and wide enough for
// the texts a hop's row is meant to show whole in its address and note columns (the font we
// use is wider than the one the widths were chosen for). Measured as the list measures a cell.
std::array<int, 4> ColumnWidths(const QTreeWidget& list, int echoTimeoutMs) {
    QStyleOptionViewItem cell;
    cell.initFrom(&list);
    cell.font = list.font();
    cell.fontMetrics = QFontMetrics(list.font());
    cell.features = QStyleOptionViewItem::HasDisplay;
    cell.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    auto fit = [&](int designed, const QStringList& texts) {
        int w = designed;
        for (const QString& t : texts) {
            cell.text = t;
            w = std::max(w, list.style()
                                ->sizeFromContents(QStyle::CT_ItemViewItem, &cell, QSize(), &list)
                                .width());
        }
        return w;
    };
    return {
        kColumnWidths[0], fit(kColumnWidths[1], {"255.255.255.255", "?.?.?.?"}), kColumnWidths[2],
        fit(kColumnWidths[3],
            {"Timed out.", QString("TTL=%1").arg(kLastTtl), QString("%1 ms").arg(echoTimeoutMs)})};
}

}  // namespace

TTracertPage::TTracertPage(PageContext& context, QWidget* parent)
    : TToolPage(context, "Tracert", "Traceroute", "traceroute", parent) {
    edTarget = new ui::TEdit;
    edTarget->setToolTip("Right Click to Get More");
    pop_tracert = new ui::TPopupMenu(this);
    pop_tracert->setObjectName("pop_tracert");
    pop_tracert->AttachTo(edTarget);
    button1 = new ui::TButton("Start");
    button1->setToolTip("Start");
    button2 = new ui::TButton("Stop");
    button2->setToolTip("Stop");
    SpeedButton13 = new ui::TSpeedButton("Export", "Export the results a to a file");
    SpeedButton22 =
        new ui::TSpeedButton("IE", "Trace the domain currently open in the Internet Explorer");
    seMaxHops = new ui::TSpinEdit(1, 255, 30);
    CheckBox1 = new ui::TCheckBox("Host Revolve");

    // Made in the page at once, so it is measured in the page's font.
    lvTrace = new QTreeWidget(Body());
    lvTrace->setObjectName("lvTrace");
    lvTrace->setColumnCount(4);
    lvTrace->setHeaderLabels({kColumns[0], kColumns[1], kColumns[2], kColumns[3]});
    const std::array<int, 4> widths = ColumnWidths(*lvTrace, EchoTimeout);
    for (int c = 0; c < 4; ++c)
        lvTrace->setColumnWidth(c, widths[c]);
    lvTrace->header()->setStretchLastSection(false);
    lvTrace->setRootIsDecorated(false);
    lvTrace->setItemsExpandable(false);
    lvTrace->setUniformRowHeights(true);
    lvTrace->setSelectionMode(QAbstractItemView::SingleSelection);
    lvTrace->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvTrace->setAllColumnsShowFocus(true);
    Pop_tracert_results = new ui::TPopupMenu(this);
    Pop_tracert_results->setObjectName("Pop_tracert_results");
    Pop_tracert_results->AttachTo(lvTrace);
    lbLog = new ui::TListBox;
    lbLog->setObjectName("lbLog");

    acGo = new QAction("&Go", this);
    acResolve = new QAction("&Resolve", this);
    acPing = new QAction("&Ping", this);
    acTrace = new QAction("&Trace", this);
    acStop = new QAction("&Stop", this);
    acStop->setEnabled(false);

    // Layout: the target and run controls on top, the hop list and the log side by side.
    auto* layout = new QVBoxLayout(Body());
    layout->setContentsMargins(6, 4, 6, 6);
    layout->setSpacing(4);
    auto* target = new QHBoxLayout;
    target->setSpacing(4);
    target->addWidget(new ui::TLabel("IP / Domain Name:"));
    target->addWidget(edTarget, 1);
    target->addWidget(SpeedButton22);
    target->addWidget(button1);
    target->addWidget(button2);
    layout->addLayout(target);
    auto* options = new QHBoxLayout;
    options->setSpacing(4);
    options->addWidget(new ui::TLabel("Max Hops:"));
    options->addWidget(seMaxHops);
    options->addSpacing(12);
    options->addWidget(CheckBox1);
    options->addStretch(1);
    options->addWidget(SpeedButton13);
    layout->addLayout(options);
    auto* results = new QHBoxLayout;
    results->setSpacing(6);
    int listWidth = 0;
    for (int w : widths)
        listWidth += w;
    lvTrace->setFixedWidth(listWidth + 2 * lvTrace->frameWidth() + 4);
    results->addWidget(lvTrace);
    results->addWidget(lbLog, 1);
    layout->addLayout(results, 1);

    edTarget->OnEnter = [this] { acGoExecute(); };
    button1->OnClick = [this] { acGoExecute(); };
    button2->OnClick = [this] { acStopExecute(); };
    SpeedButton13->OnClick = [this] { SpeedButton13Click(); };
    connect(acResolve, &QAction::triggered, this, [this] { acResolveExecute(); });
    connect(acPing, &QAction::triggered, this, [this] { acPingExecute(); });
    connect(acTrace, &QAction::triggered, this, [this] { acTraceExecute(); });

    IdIcmpClient.AntiFreeze = &IdAntiFreeze1;
}

void TTracertPage::Log(const QString& line) {
    lbLog->Add(line);
    lbLog->scrollToBottom();
}

void TTracertPage::LogLines(const QString& text) {
    QString t = text;
    t.replace("\r\n", "\n");
    for (const QString& line : t.split('\n'))
        lbLog->Add(line);
    lbLog->scrollToBottom();
}

void TTracertPage::acGoExecute() {
    // A trace still waiting for an echo ends here: it writes nothing more once this one runs.
    const int run = ++runs_;
    button1->setEnabled(false);
    G().TraceStop = false;
    acGo->setEnabled(false);
    acStop->setEnabled(true);
    try {
        acResolveExecute();
        if (Superseded(run))
            return;
        if (G().TargetResolved && !G().TraceStop) {
            acPingExecute();
            if (Superseded(run))
                return;
            if (!G().TraceStop)
                acTraceExecute();
            if (Superseded(run))
                return;
        }
    } catch (const std::exception& e) {
        // Start stays disabled until Stop.
        if (!Superseded(run))
            ui::CurrentDialogs().ErrorBox(this, QString::fromStdString(e.what()));
        return;
    }
    acGo->setEnabled(true);
    button1->setEnabled(true);
    acStop->setEnabled(false);
}

void TTracertPage::acStopExecute() {
    G().TraceStop = true;
    acGo->setEnabled(false);
    button1->setEnabled(true);
}

void TTracertPage::acResolveExecute() {
    const int run = runs_;
    G().TargetResolved = false;
    const QString target = edTarget->Text();
    Log(QString("resolving %1").arg(target));
    QCoreApplication::processEvents();
    if (Superseded(run))
        return;
    // The lookup may take long: it waits with the window's messages flowing, like an echo.
    auto answer = std::make_shared<net::NameLookup>();
    const std::string name = target.toStdString();
    if (!IdAntiFreeze1.Run([answer, name] { *answer = net::LookupName(name); }) || Superseded(run))
        return;
    if (!answer->host || answer->host->addresses.empty()) {
        LogLines(
            Text(LookupErrorSocketText(answer->host ? net::LookupError::NotFound : answer->error)));
        return;
    }
    G().TargetAddress = net::inet_ntoa(answer->host->addresses.front());
    G().TargetResolved = true;
    Log(QString("%1 resolved to %2").arg(target, Text(G().TargetAddress)));
}

bool TTracertPage::PingHost(const std::string& Host, int TTL) {
    const int run = runs_;
    IdIcmpClient.Host = Host;
    IdIcmpClient.PacketTTL = TTL;
    IdIcmpClient.ReceiveTimeout = EchoTimeout;
    if (!IdIcmpClient.SendEcho() || Superseded(run))
        return false;
    const TReplyStatus& r = IdIcmpClient.ReplyStatus;
    switch (r.ReplyKind) {
        case rsEcho:
            Log(QString("response from host %1 in %2 millisec.")
                    .arg(Text(r.ReplyFrom))
                    .arg(r.RoundTripMs));
            return true;
        case rsError:
            Log("Unknown error.");
            break;
        case rsTimeOut:
            Log("Timed out.");
            break;
        case rsErrorUnreachable:
            Log(QString("Host %1 reports destination network unreachable.").arg(Text(r.ReplyFrom)));
            break;
        case rsErrorTTLExceeded:
            Log(QString("Hope %1 %2: TTL expired.").arg(TTL).arg(Text(r.ReplyFrom)));
            break;
        default:
            break;
    }
    return false;
}

void TTracertPage::acPingExecute() {
    PingHost(G().TargetAddress, seMaxHops->Value());
    QCoreApplication::processEvents();
}

QString TTracertPage::HopHostName(const std::string& ip) {
    auto name = std::make_shared<std::string>();
    if (!IdAntiFreeze1.Run([name, ip] { *name = iptoname(ip); }))
        return QString();
    return Text(*name);
}

void TTracertPage::acTraceExecute() {
    const int run = runs_;
    lvTrace->clear();
    int Hop = 0;
    bool reached = false;
    do {
        ++Hop;
        IdIcmpClient.Host = G().TargetAddress;
        IdIcmpClient.PacketTTL = Hop;
        IdIcmpClient.ReceiveTimeout = EchoTimeout;
        if (!IdIcmpClient.SendEcho() || Superseded(run))
            return;
        const TReplyStatus r = IdIcmpClient.ReplyStatus;
        // Looked up before the row is touched: a trace started meanwhile clears the list.
        QString host;
        if (CheckBox1->Checked() && r.ReplyKind != rsTimeOut)
            host = HopHostName(r.ReplyFrom);
        if (Superseded(run))
            return;

        QTreeWidgetItem* item = FindItem(Hop);
        for (int c = kIpColumn; c <= kNoteColumn; ++c)
            item->setText(c, QString());
        auto set = [item](const QString& ip, const QString& name, const QString& note) {
            item->setText(kIpColumn, ip);
            item->setText(kHostColumn, name);
            item->setText(kNoteColumn, note);
        };
        switch (r.ReplyKind) {
            case rsEcho:
                set(Text(r.ReplyFrom), host, QString("%1 ms").arg(r.RoundTripMs));
                reached = true;
                break;
            case rsError:
                set(Text(r.ReplyFrom), host, "Unknown error.");
                break;
            case rsTimeOut:
                set("?.?.?.?", QString(), "Timed out.");
                break;
            case rsErrorUnreachable:
                set(Text(r.ReplyFrom), host, "Destination network unreachable");
                return;
            case rsErrorTTLExceeded:
                set(Text(r.ReplyFrom), host, QString("TTL=%1").arg(r.ReplyTTL));
                break;
            default:
                break;
        }
        QCoreApplication::processEvents();
        // One past Max Hops, but never past the echo with the last time-to-live there is: a
        // further one would only repeat it.
    } while (!reached && Hop <= seMaxHops->Value() && Hop < kLastTtl && !G().TraceStop &&
             !Superseded(run));
}

QTreeWidgetItem* TTracertPage::FindItem(int Hop) {
    // The hop's row wherever it is; only a hop the list does not hold gets a new row.
    for (int i = 0; i < lvTrace->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = lvTrace->topLevelItem(i);
        bool ok = false;
        int caption = item->text(0).toInt(&ok);
        if ((ok ? caption : -1) == Hop)
            return item;
    }
    auto* item = new QTreeWidgetItem(QStringList{QString::number(Hop), "", "", ""});
    lvTrace->addTopLevelItem(item);
    return item;
}

bool TTracertPage::SaveDialog2CanClose(const QString& fileName) {
    return ConfirmReplace(this, fileName);
}

void TTracertPage::SpeedButton13Click() {
    ui::FileDialogSpec fallback{"*.txt|*.txt", "txt", {}, {}};
    const ui::FileDialogSpec& spec = G().main ? G().main->SaveDialog2 : fallback;
    QStringList lines;
    for (int i = 0; i < lvTrace->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = lvTrace->topLevelItem(i);
        QString line = item->text(0);
        for (int c = kIpColumn; c <= kNoteColumn; ++c)
            line += kFieldGap + item->text(c);
        lines << line;
    }
    SaveLines(this, spec, lines, [this](const QString& f) { return SaveDialog2CanClose(f); });
}

void TTracertPage::PrefillFromBrowser(const std::function<std::string()>& host) {
    edTarget->SetText(QString::fromStdString(host()));
}

}  // namespace orv
