// The "Tracert" page: resolves a target, pings it once and traces the route to it with echoes
// of rising time-to-live, one row per hop, with a running log. It runs on the user-interface
// thread; every echo waits with the window's messages flowing, so Stop stays usable.
#pragma once

#include <QString>
#include <string>

#include "app/page_frame.h"
#include "app/tracert_client.h"
#include "controls/widgets.h"

class QAction;
class QTreeWidget;
class QTreeWidgetItem;

namespace orv {

class TTracertPage final : public TToolPage {
    Q_OBJECT
  public:
    explicit TTracertPage(PageContext& context, QWidget* parent = nullptr);

    void PrefillFromBrowser(const std::function<std::string()>& host) override;

    ui::TEdit* edTarget;
    ui::TPopupMenu* pop_tracert;
    ui::TButton* button1;             // Start
    ui::TButton* button2;             // Stop
    ui::TSpeedButton* SpeedButton13;  // export of the hop list
    ui::TSpeedButton* SpeedButton22;  // the domain open in the web browser
    ui::TSpinEdit* seMaxHops;
    ui::TCheckBox* CheckBox1;  // "Host Revolve": also find each hop's host name
    QTreeWidget* lvTrace;      // columns "Hop", "IP", "Host", "Note"
    ui::TPopupMenu* Pop_tracert_results;
    ui::TListBox* lbLog;

    // ActionList1. acResolve, acPing and acTrace carry the three steps; acGo and acStop are
    // bound to no control and only tell by their enabled state whether a trace runs.
    QAction* acGo;
    QAction* acResolve;
    QAction* acPing;
    QAction* acTrace;
    QAction* acStop;

    TIdAntiFreeze IdAntiFreeze1;
    TIdIcmpClient IdIcmpClient;
    // How long one echo waits for its answer, in ms.
    int EchoTimeout = 5000;

    // Handlers.
    void acGoExecute();
    void acStopExecute();
    void acResolveExecute();
    void acPingExecute();
    void acTraceExecute();
    // One echo to `Host` with time-to-live `TTL` and its log line; true on an echo reply.
    bool PingHost(const std::string& Host, int TTL);
    // The row of hop `Hop`: the existing one, or a new one appended.
    QTreeWidgetItem* FindItem(int Hop);
    void SpeedButton13Click();
    // Asked when the save dialog closes with OK: false keeps the dialog open.
    bool SaveDialog2CanClose(const QString& fileName);

  private:
    void Log(const QString& line);
    // Appends a text of several lines to the log, a line per entry.
    void LogLines(const QString& text);
    // The host name of a hop, without freezing the window; empty when the wait was given up.
    QString HopHostName(const std::string& ip);
    // True when a later trace has started since run `run` began: the older one then writes
    // nothing more and ends.
    bool Superseded(int run) const { return run != runs_; }

    int runs_ = 0;  // number of the latest trace
};

}  // namespace orv
