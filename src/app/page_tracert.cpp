#include "app/page_tracert.h"

#include <QAction>
#include <QBoxLayout>
#include <QFontMetrics>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <algorithm>
#include <atomic>
#include <memory>
#include <optional>
#include <utility>

#include "app/browser_button.h"
#include "app/send_to.h"
#include "app/text_export.h"
#include "app/tool_row.h"
#include "lookup/browser_url.h"
#include "lookup/name_resolution.h"
#include "platform/resolver.h"
#include "tasks/worker.h"

namespace orv {

namespace {

constexpr const char* kFieldGap = "    ";
constexpr int kIpColumn = 1, kHostColumn = 2, kNoteColumn = 3;

// The furthest an echo can go: the time-to-live field holds 255 at most.
constexpr int kLastTtl = 255;

QString Text(const std::string& s) {
    return QString::fromStdString(s);
}

// `designed`, or more when the grid needs more to show one of `texts` whole in a cell (the font
// we use is wider than the one the widths were chosen for). Measured as the grid measures a
// cell, its grid line included.
int FitWidth(const ui::TStringGrid& grid, int designed, const QStringList& texts) {
    QStyleOptionViewItem cell;
    cell.initFrom(&grid);
    cell.font = grid.font();
    cell.fontMetrics = QFontMetrics(grid.font());
    cell.features = QStyleOptionViewItem::HasDisplay;
    cell.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    int w = designed;
    for (const QString& t : texts) {
        cell.text = t;
        const QSize size =
            grid.style()->sizeFromContents(QStyle::CT_ItemViewItem, &cell, QSize(), &grid);
        w = std::max(w, size.width() + (grid.showGrid() ? 1 : 0));
    }
    return w;
}

// What the trace reads from the page as it goes, on the UI thread each time: the user may
// change them while it runs.
struct TraceControls {
    int maxHops = 0;
    bool hostRevolve = false;
    bool stop = false;
};

// One trace: resolve the target, ping it once with Max Hops as the time-to-live, then one echo
// per hop with rising time-to-live, each hop's row written before the next echo goes out.
class trace_thread final : public task::WorkerThread {
  public:
    // The page halts the task before it goes, and a halted task's writes and reads never run.
    trace_thread(TTracertPage* page, QString target, TIdIcmpClient client, int echoTimeout)
        : page_(page),
          target_(std::move(target)),
          client_(std::move(client)),
          echoTimeout_(echoTimeout) {}

    // True when an echo failed: the trace ended with the error box, and Start stays disabled.
    bool Failed() const { return failed_.load(); }

  protected:
    void Execute() override {
        try {
            if (!Resolve())
                return;
            auto controls = Controls();
            if (!controls || controls->stop)
                return;
            PingHost(address_, controls->maxHops);
            if (GoOn())
                Trace();
        } catch (const std::exception& e) {
            failed_ = true;
            Write([message = Text(e.what())](TTracertPage& p) { p.TraceFailed(message); });
        }
    }

  private:
    bool Write(std::function<void(TTracertPage&)> write) {
        return Synchronize([page = page_, write = std::move(write)] { write(*page); });
    }
    std::optional<TraceControls> Controls() {
        return Query<TraceControls>([page = page_] {
            return TraceControls{page->seMaxHops->Value(), page->CheckBox1->Checked(),
                                 page->TraceStop};
        });
    }
    // False once Stop was pressed or the task was halted: the steps left are skipped.
    bool GoOn() {
        auto controls = Controls();
        return controls && !controls->stop;
    }

    bool Resolve() {
        Write([target = target_](TTracertPage& p) {
            p.TargetResolved = false;
            p.Log(QString("resolving %1").arg(target));
        });
        const net::NameLookup answer = net::LookupName(target_.toStdString());
        if (!answer.host || answer.host->addresses.empty()) {
            const QString error = Text(
                LookupErrorSocketText(answer.host ? net::LookupError::NotFound : answer.error));
            Write([error](TTracertPage& p) { p.LogLines(error); });
            return false;
        }
        address_ = net::inet_ntoa(answer.host->addresses.front());
        Write([target = target_, address = address_](TTracertPage& p) {
            p.TargetAddress = address;
            p.TargetResolved = true;
            p.Log(QString("%1 resolved to %2").arg(target, Text(address)));
        });
        return true;
    }

    void Echo(const std::string& host, int ttl) {
        client_.Host = host;
        client_.PacketTTL = ttl;
        client_.ReceiveTimeout = echoTimeout_;
        client_.SendEcho();
    }

    // One echo to `Host` with time-to-live `TTL` and its log line; true on an echo reply.
    bool PingHost(const std::string& Host, int TTL) {
        Echo(Host, TTL);
        const TReplyStatus& r = client_.ReplyStatus;
        QString line;
        switch (r.ReplyKind) {
            case rsEcho:
                line = QString("response from host %1 in %2 millisec.")
                           .arg(Text(r.ReplyFrom))
                           .arg(r.RoundTripMs);
                break;
            case rsError:
                line = "Unknown error.";
                break;
            case rsTimeOut:
                line = "Timed out.";
                break;
            case rsErrorUnreachable:
                line = QString("Host %1 reports destination network unreachable.")
                           .arg(Text(r.ReplyFrom));
                break;
            case rsErrorTTLExceeded:
                line = QString("Hope %1 %2: TTL expired.").arg(TTL).arg(Text(r.ReplyFrom));
                break;
            default:
                return false;
        }
        Write([line](TTracertPage& p) { p.Log(line); });
        return r.ReplyKind == rsEcho;
    }

    void Trace() {
        if (!Write([](TTracertPage& p) { p.ClearItems(); }))
            return;
        for (int Hop = 1;; ++Hop) {
            Echo(address_, Hop);
            const TReplyStatus r = client_.ReplyStatus;
            auto controls = Controls();
            if (!controls)
                return;
            QString host;
            if (controls->hostRevolve && r.ReplyKind != rsTimeOut)
                host = Text(iptoname(r.ReplyFrom));
            QString ip, note;
            bool reached = false, ends = false;
            switch (r.ReplyKind) {
                case rsEcho:
                    ip = Text(r.ReplyFrom);
                    note = QString("%1 ms").arg(r.RoundTripMs);
                    reached = true;
                    break;
                case rsError:
                    ip = Text(r.ReplyFrom);
                    note = "Unknown error.";
                    break;
                case rsTimeOut:
                    ip = "?.?.?.?";
                    host.clear();
                    note = "Timed out.";
                    break;
                case rsErrorUnreachable:
                    ip = Text(r.ReplyFrom);
                    note = "Destination network unreachable";
                    ends = true;
                    break;
                case rsErrorTTLExceeded:
                    ip = Text(r.ReplyFrom);
                    note = QString("TTL=%1").arg(r.ReplyTTL);
                    break;
                default:
                    host.clear();
                    break;
            }
            if (!Write(
                    [Hop, ip, host, note](TTracertPage& p) { p.ShowHop(Hop, ip, host, note); }) ||
                ends)
                return;
            controls = Controls();
            // One past Max Hops, but never past the echo with the last time-to-live there is: a
            // further one would only repeat it.
            if (!controls || reached || Hop > controls->maxHops || Hop >= kLastTtl ||
                controls->stop)
                return;
        }
    }

    TTracertPage* page_;
    const QString target_;
    TIdIcmpClient client_;
    const int echoTimeout_;
    std::string address_;
    std::atomic<bool> failed_{false};
};

}  // namespace

TTracertPage::TTracertPage(PageContext& context, QWidget* parent)
    : TToolPage(context, "Tracert", "Traceroute", "traceroute", parent) {
    auto* layout = new QVBoxLayout(Body());
    layout->setContentsMargins(6, 4, 6, 6);
    layout->setSpacing(4);
    BuildInputRows(layout);
    BuildResults(layout);

    acGo = new QAction("&Go", this);
    acStop = new QAction("&Stop", this);
    acStop->setEnabled(false);
    WireHandlers();
    // The list's width follows its columns, so they are laid out now; start-up does it again.
    TTracertPage::LayOutGrid();
}

// The target with the run buttons, then Max Hops, "Host Revolve" and the export.
void TTracertPage::BuildInputRows(QVBoxLayout* layout) {
    button1 = new ui::TButton("Start");
    button1->setToolTip("Start");
    button2 = new ui::TButton("Stop");
    button2->setToolTip("Stop");
    SpeedButton22 =
        new ui::TSpeedButton("IE", "Trace the domain currently open in the Internet Explorer");
    ToolRow target = MakeToolRow(this, "IP / Domain Name:", {SpeedButton22, button1, button2});
    edTarget = target.edit;
    pop_tracert = target.popup;
    AddSendToItems(pop_tracert, "pop_tracert", edTarget, Context());
    layout->addLayout(target.layout);

    seMaxHops = new ui::TSpinEdit(1, 255, 30);
    CheckBox1 = new ui::TCheckBox("Host Revolve");
    SpeedButton13 = new ui::TSpeedButton("Export", "Export the results a to a file");
    auto* options = new QHBoxLayout;
    options->setSpacing(4);
    options->addWidget(new ui::TLabel("Max Hops:"));
    options->addWidget(seMaxHops);
    options->addSpacing(12);
    options->addWidget(CheckBox1);
    options->addStretch(1);
    options->addWidget(SpeedButton13);
    layout->addLayout(options);
}

// The hop list and the log side by side.
void TTracertPage::BuildResults(QVBoxLayout* layout) {
    // Made in the page at once, so it is measured in the page's font.
    lvTrace = new ui::TStringGrid(4, 2, 1, Body());
    lvTrace->setObjectName("lvTrace");
    lvTrace->SetOptions(ui::GridOption::ColSizing);  // whole rows are selected; nothing is typed
    HideEmptyRow();
    Pop_tracert_results = new ui::TPopupMenu(this);
    AddSendToItems(Pop_tracert_results, "Pop_tracert_results", lvTrace, Context());
    Pop_tracert_results->AttachTo(lvTrace);
    lbLog = new ui::TListBox;
    lbLog->setObjectName("lbLog");

    auto* results = new QHBoxLayout;
    results->setSpacing(6);
    results->addWidget(lvTrace);
    results->addWidget(lbLog, 1);
    layout->addLayout(results, 1);
}

void TTracertPage::WireHandlers() {
    edTarget->OnEnter = [this] { acGoExecute(); };
    button1->OnClick = [this] { acGoExecute(); };
    button2->OnClick = [this] { acStopExecute(); };
    SpeedButton13->OnClick = [this] { SpeedButton13Click(); };
    SpeedButton22->OnClick = [this] { SpeedButton22Click(); };
}

void TTracertPage::LayOutGrid() {
    // The designed widths; the address and note columns widen when the font needs it to show
    // whole what a hop's row puts in them.
    LayOutColumns(lvTrace, {{"Hop", 31},
                            {"IP", FitWidth(*lvTrace, 95, {"255.255.255.255", "?.?.?.?"})},
                            {"Host", 152},
                            {"Note", FitWidth(*lvTrace, 58,
                                              {"Timed out.", QString("TTL=%1").arg(kLastTtl),
                                               QString("%1 ms").arg(EchoTimeout)})}});
    int listWidth = 0;
    for (int c = 0; c < lvTrace->ColCount(); ++c)
        listWidth += lvTrace->ColWidth(c);
    lvTrace->setFixedWidth(listWidth + 2 * lvTrace->frameWidth() + 4);
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
    button1->setEnabled(false);
    TraceStop = false;
    acGo->setEnabled(false);
    acStop->setEnabled(true);
    // A trace still running ends here: it writes nothing more once this one starts.
    auto trace = std::make_shared<trace_thread>(this, edTarget->Text(), IdIcmpClient, EchoTimeout);
    trace_thread_.Start(trace, Context().queue, [this, weak = std::weak_ptr(trace)] {
        if (auto t = weak.lock(); t && !t->Failed())
            TraceEnded();
    });
}

void TTracertPage::acStopExecute() {
    TraceStop = true;
    acGo->setEnabled(false);
    button1->setEnabled(true);
}

void TTracertPage::TraceTo(const QString& target) {
    edTarget->SetText(target);
    acStopExecute();
    acGoExecute();
}

void TTracertPage::TraceEnded() {
    acGo->setEnabled(true);
    button1->setEnabled(true);
    acStop->setEnabled(false);
}

void TTracertPage::TraceFailed(const QString& message) {
    Context().Dialogs().ErrorBox(this, message);
}

int TTracertPage::ItemCount() const {
    // The grid keeps a row below its heading even when it holds no hop; every hop's row has a
    // caption.
    const int rows = lvTrace->RowCount() - 1;
    return rows == 1 && lvTrace->Cells(0, 1).isEmpty() ? 0 : rows;
}

int TTracertPage::FindItem(int Hop) {
    // The hop's row wherever it is; only a hop the list does not hold gets a new row.
    const int count = ItemCount();
    for (int row = 1; row <= count; ++row) {
        bool ok = false;
        const int caption = lvTrace->Cells(0, row).toInt(&ok);
        if ((ok ? caption : -1) == Hop)
            return row;
    }
    const int row = count + 1;
    if (row >= lvTrace->RowCount())
        lvTrace->SetRowCount(row + 1);
    lvTrace->SetCells(0, row, QString::number(Hop));
    HideEmptyRow();
    return row;
}

void TTracertPage::ShowHop(int Hop, const QString& ip, const QString& host, const QString& note) {
    const int row = FindItem(Hop);
    lvTrace->SetCells(kIpColumn, row, ip);
    lvTrace->SetCells(kHostColumn, row, host);
    lvTrace->SetCells(kNoteColumn, row, note);
}

void TTracertPage::ClearItems() {
    // Down to the one row the grid keeps, emptied; the heading row stays.
    lvTrace->SetRowCount(2);
    for (int c = 0; c < lvTrace->ColCount(); ++c)
        lvTrace->SetCells(c, 1, QString());
    HideEmptyRow();
}

void TTracertPage::HideEmptyRow() {
    lvTrace->setRowHidden(0, ItemCount() == 0);
}

bool TTracertPage::SaveDialog2CanClose(const QString& fileName) {
    return ConfirmReplace(Context().Dialogs(), this, fileName);
}

void TTracertPage::SpeedButton13Click() {
    QStringList lines;
    for (int row = 1; row <= ItemCount(); ++row) {
        QString line = lvTrace->Cells(0, row);
        for (int c = 1; c < lvTrace->ColCount(); ++c)
            line += kFieldGap + lvTrace->Cells(c, row);
        lines << line;
    }
    SaveLines(Context().Dialogs(), this, SaveDialog2, lines,
              [this](const QString& f) { return SaveDialog2CanClose(f); });
}

void TTracertPage::SpeedButton22Click() {
    BrowserButtonPress(*this, edTarget, false, [this](const BrowserPage& page) {
        edTarget->SetText(QString::fromStdString(page.host));
        acStopExecute();
        acGoExecute();
    });
}

void TTracertPage::PrefillFromBrowser(const BrowserPage& page) {
    PrefillBox(edTarget, QString::fromStdString(page.host));
}

}  // namespace orv
