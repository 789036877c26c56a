// The "Connection Monitor" page: twice a second, on the UI thread, the machine's TCP connection
// table is read and every connection the history does not hold yet is added to sgConnHist with
// the date and time it was first seen. Remote host names are looked up on resolver threads and
// written into their rows when they come.
#pragma once

#include <QDateTime>
#include <QString>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/page_frame.h"
#include "controls/stringgrid.h"
#include "controls/widgets.h"
#include "lookup/connection_history.h"
#include "lookup/connections.h"
#include "lookup/hostnamecache.h"

class QDialog;
class QVBoxLayout;

namespace orv {

class TConnectionMonitorPage final : public TToolPage {
    Q_OBJECT
  public:
    explicit TConnectionMonitorPage(PageContext& context, QWidget* parent = nullptr);

    void LayOutGrid() override;

    // History rows beyond this many bring up the warning that clears them.
    static constexpr int kRowLimit = 100000;

    ui::TLabel* stStart;  // "TCP connection history since : " and the time of the last clear
    ui::TCheckBox* cbShowListeners;
    ui::TCheckBox* CheckBox2;  // "Host Revolve": new rows get the remote host's name
    ui::TSpeedButton* sbClear;
    ui::TSpeedButton* SpeedButton14;  // export
    ui::TLabel* StaticText1;          // the column headings, above the grid
    // Eight columns, no heading row: date, time, local address, local port, remote address,
    // remote port, state, remote host name; the last row is the empty one the next record fills.
    ui::TStringGrid* sgConnHist;
    ui::TPopupMenu* pop_monitor;  // send-to of the remote address
    ui::TTimer* Timer;            // the 500 ms poll

    // The export dialog SpeedButton14 shows modally; set by whoever creates the windows.
    QDialog* monitor_export = nullptr;
    // The clock the rows and stStart are dated with.
    std::function<QDateTime()> Now = [] { return QDateTime::currentDateTime(); };

    // One poll: every new connection of the table becomes a row.
    void TimerTimer();
    // Whether `record` is to be added: not a listener while those are not shown, and no row
    // holds its local port, remote address, remote port and state (the local address, date and
    // time take no part).
    bool IsNewConnection(const TTcpConnStatus& record);
    // Empties the history and starts the poll.
    void sbClearClick();
    void SpeedButton14Click();

    // Widens the date and time columns where the user's formats in the grid's font need more
    // than they have; a column is never narrowed.
    void FitDateAndTimeColumns();
    // Remote addresses whose names are still being looked up.
    std::size_t LookupsPending() const { return hostNames_->Pending(); }

  private:
    // The page's parts, in the order the constructor builds them.
    void BuildOptionsRows(QVBoxLayout* layout);
    void BuildGrid(QVBoxLayout* layout);
    // Anyone else's change to the grid: the index is built again, waiting names are dropped.
    void WatchGridChanges();
    void StartHostNames();
    void WireHandlers();

    // Builds the index again when the grid was changed by anything but this page.
    void SyncIndex();
    void AddRow(const TTcpConnStatus& record);
    // The name of `ip` has come: the rows waiting for it get it.
    void NameArrived(const std::string& ip, const std::string& name);
    // Column 7 of `row`: the host name as the resolver gave it.
    void SetHostName(int row, const std::string& name);

    // The keys of every history row: "is it new" is one look-up, not a pass over the history.
    ConnectionHistory history_;
    bool writing_ = false;  // the page itself is changing the grid

    // Rows added with "Host Revolve" on whose names are still to come, by plain remote address.
    std::unordered_map<std::string, std::vector<int>> awaitingName_;

    // The date and time texts of the last second that dated a row.
    qint64 stampSecond_ = -1;
    QString stampDate_, stampTime_;

    // Answers come through the context's queue, which outlives the page: the cache drops the
    // ones that arrive after it has gone, and it goes first of the page's members.
    std::unique_ptr<HostNameCache> hostNames_;
};

}  // namespace orv
