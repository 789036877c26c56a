// The "Batch Ping" page: ICMP echoes to every entry of a list, a chosen number of times each,
// tabulated in StringGrid1 (which the ping export reads together with ping_count).
#pragma once

#include <QPointer>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/page_frame.h"
#include "controls/stringgrid.h"
#include "controls/widgets.h"
#include "lookup/echo_outcome.h"
#include "platform/icmp.h"
#include "platform/resolver.h"
#include "tasks/task_slot.h"
#include "tasks/worker.h"

class QLayout;

namespace orv {

class TBatchPingPage;
class TListEditing;

// Where the page's echoes go. The page's own sends through the ICMP layer on the context's ICMP
// handle; tests put a scripted one in its place.
class EchoLayer {
  public:
    virtual ~EchoLayer() = default;
    // UI thread, at the start of every run: the sender for that run, or an empty function
    // when no echo can be sent at all (`why` then says how to allow them).
    virtual icmp::EchoFn Open(std::string& why) = 0;
};

// One run over ListBox2: each entry resolved once, then ping_count echoes to its first address.
class ping_thread final : public task::WorkerThread {
  public:
    // `showAllFirst`: the run's first row shows all three counters, not only those it changes
    // (the labels still hold an earlier run's counts).
    ping_thread(TBatchPingPage* page, icmp::EchoFn send, int pingCount, bool showAllFirst = false);

  protected:
    void Execute() override;

  private:
    // True once: whether this row must show all three counters.
    bool TakeShowAll();

    QPointer<TBatchPingPage> page_;
    icmp::EchoFn send_;
    int pingCount_;
    bool showAll_;
};

class TBatchPingPage final : public TToolPage {
    Q_OBJECT
  public:
    explicit TBatchPingPage(PageContext& context, QWidget* parent = nullptr);
    ~TBatchPingPage() override;

    void LayOutGrid() override;
    void PrefillFromBrowser(const std::function<std::string()>& host) override;

    // Single name.
    ui::TEdit* Edit7;
    ui::TSpeedButton* SpeedButton7;
    ui::TSpeedButton* SpeedButton21;  // the browser link
    // Single address or its neighbourhood.
    ui::TEdit* Edit8;
    ui::TSpeedButton* SpeedButton18;
    ui::TCheckBox* CheckBox4;
    ui::TComboBox* ComboBox4;
    // List maker: prefix, From, To.
    ui::TEdit* Edit2;
    ui::TEdit* Edit4;
    ui::TEdit* Edit5;
    ui::TSpeedButton* SpeedButton8;
    // The ping list.
    ui::TListBox* ListBox2;
    ui::TLabel* Label19;
    ui::TSpeedButton* SpeedButton2;
    ui::TPopupMenu* PopupMenu2;
    TListEditing* ListEditing2 = nullptr;
    // Send-to popups of the name box, the address box and the result grid.
    ui::TPopupMenu* Pop_domain_ping;
    ui::TPopupMenu* pop_ip_ping;
    ui::TPopupMenu* pop_ping_results;
    // Run control.
    ui::TSpeedButton* ping_start_button;
    ui::TSpeedButton* ping_stop_button;
    ui::TLabel* Label54;
    ui::TComboBox* ComboBox1;  // echoes per entry
    ui::TComboBox* ComboBox2;  // time-out of one echo, ms
    ui::TCheckBox* CheckBox6;  // continuous
    ui::TEdit* Edit9;          // seconds between continuous runs
    ui::TTimer* Timer1;
    // Results.
    ui::TStringGrid* StringGrid1;
    ui::TLabel* Label33;  // Finished
    ui::TLabel* Label20;  // Successful
    ui::TLabel* Label30;  // Failed
    ui::TLabel* Label60;  // "Total Count"
    ui::TLabel* Label59;
    ui::TSpeedButton* SpeedButton12;

    // Shows the ping export dialog modally; set by whoever builds that dialog.
    std::function<void()> ShowExport;

    // Echoes per entry of the last run, set as it starts; the ping export groups the rows by it.
    std::int32_t ping_count = 0;
    // The run of the last Start (empty before the first).
    const task::TaskSlot& PingThread() const { return ping_thread_; }

    // Handlers.
    void ping_start_buttonClick();
    void ping_stop_buttonClick();
    void ping_button_active();
    void Timer1Timer();
    void SpeedButton7Click();
    void SpeedButton18Click();
    // Send-to targets: the box gets the text, then its Ping button's handler runs.
    void PingDomain(const QString& name);
    void PingIp(const QString& address);
    void SpeedButton8Click();
    void CheckBox6Click();
    void Edit9Change();
    void SpeedButton12Click();
    // Takes the page open in the web browser and runs the tool on it.
    void SpeedButton21Click();

    // The echo layer in force (nullptr: the ICMP layer). Not owned.
    void SetEchoLayer(EchoLayer* layer) { echo_ = layer; }
    EchoLayer& Echo() const;

    // Grid writes of a run, on the UI thread: one row appended into the empty last row.
    // `entryBytes`: the entry (column 1) as its list has it; `unresolved`: the row of an entry
    // that did not resolve, the one row of its block.
    void AppendRow(const QStringList& cells, const QByteArray& entryBytes, bool unresolved);
    // Counter labels; a negative value leaves its label as it is.
    void ShowCounters(std::int32_t finished, std::int32_t successful, std::int32_t failed);

  private:
    // The constructor's steps.
    void CreateInputs();
    void CreateRunControls();
    void LayOutPage();
    void BuildPopups();
    QLayout* LayOutInputRow();
    QWidget* LayOutListColumn();
    QLayout* LayOutResults();
    void WireHandlers();

    // Starts a run; `fresh` clears the grid and the counters first.
    void StartRun(bool fresh);
    // Stops the continuous timer and halts the run in progress, if any.
    void HaltRun();

    EchoLayer* echo_ = nullptr;
    std::unique_ptr<EchoLayer> icmpLayer_;
    task::TaskSlot ping_thread_;
};

}  // namespace orv
