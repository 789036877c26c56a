// The "Tracert" page: resolves a target, pings it once and traces the route to it with echoes
// of rising time-to-live, one row per hop, with a running log. The trace runs as a task of its
// own, one echo at a time; the page stays usable meanwhile, so Stop works while an echo waits.
#pragma once

#include <QString>
#include <string>

#include "app/page_frame.h"
#include "controls/dialogs.h"
#include "controls/stringgrid.h"
#include "controls/widgets.h"
#include "lookup/icmp_client.h"
#include "tasks/task_slot.h"

class QAction;
class QVBoxLayout;

namespace orv {

class TTracertPage final : public TToolPage {
    Q_OBJECT
  public:
    explicit TTracertPage(PageContext& context, QWidget* parent = nullptr);

    void LayOutGrid() override;
    void PrefillFromBrowser(const BrowserPage& page) override;

    ui::TEdit* edTarget;
    ui::TPopupMenu* pop_tracert;
    ui::TButton* button1;             // Start
    ui::TButton* button2;             // Stop
    ui::TSpeedButton* SpeedButton13;  // export of the hop list
    ui::TSpeedButton* SpeedButton22;  // the domain open in the web browser
    ui::TSpinEdit* seMaxHops;
    ui::TCheckBox* CheckBox1;  // "Host Revolve": also find each hop's host name
    // The hop list: a heading row, then a row per hop in hop order.
    ui::TStringGrid* lvTrace;
    ui::TPopupMenu* Pop_tracert_results;
    ui::TListBox* lbLog;

    // acGo and acStop are bound to no control and only tell by their enabled state whether a
    // trace runs.
    QAction* acGo;
    QAction* acStop;

    // How every trace sends its echoes; each trace sends through a copy of it.
    TIdIcmpClient IdIcmpClient;
    // How long one echo waits for its answer, in ms.
    int EchoTimeout = 5000;

    // State of the latest trace: its target's dotted address, whether the target resolved, and
    // whether Stop was pressed since it started.
    std::string TargetAddress;
    bool TargetResolved = false;
    bool TraceStop = false;

    // Where the hop list is exported.
    ui::FileDialogSpec SaveDialog2{"*.txt|*.txt", "txt", {}, {}};

    // Handlers.
    void acGoExecute();
    void acStopExecute();
    // Send-to target: the box gets `target`, then Stop and Go run.
    void TraceTo(const QString& target);
    void SpeedButton13Click();
    // Takes the page open in the web browser and runs the tool on it.
    void SpeedButton22Click();
    // Asked when the save dialog closes with OK: false keeps the dialog open.
    bool SaveDialog2CanClose(const QString& fileName);

    // Rows of hops in lvTrace.
    int ItemCount() const;
    // The grid row of hop `Hop`: the existing one, or a new one appended.
    int FindItem(int Hop);
    // Writes a hop's row; its cells from before are replaced.
    void ShowHop(int Hop, const QString& ip, const QString& host, const QString& note);
    void ClearItems();

    // The trace's writes; they run on the UI thread in the order the trace made them.
    void Log(const QString& line);
    // Appends a text of several lines to the log, a line per entry.
    void LogLines(const QString& text);
    // The trace ended without an error: Start is enabled again.
    void TraceEnded();
    // An echo failed: the error box; Start stays disabled until Stop.
    void TraceFailed(const QString& message);

  private:
    void BuildInputRows(QVBoxLayout* layout);
    void BuildResults(QVBoxLayout* layout);
    void WireHandlers();
    // The grid's only row while it holds no hop is an empty one; it is not shown.
    void HideEmptyRow();

    task::TaskSlot trace_thread_;
};

}  // namespace orv
