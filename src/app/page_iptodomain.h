// The "IP-to-Domain Converter" page: one name to its addresses, one address to its name, a
// list either way, and the IP Neighborhood list.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <string>

#include "app/page_frame.h"
#include "controls/stringgrid.h"
#include "controls/widgets.h"
#include "tasks/task_slot.h"
#include "tasks/worker.h"

class QAction;
class QLayout;

namespace orv {

class TIpToDomainPage;
class TListEditing;

// One name to all its addresses, into Memo1 and host_edit. A newer start halts the older
// instance, so only the newest request writes its answer.
class findip_thread final : public task::WorkerThread {
  public:
    findip_thread(TIpToDomainPage* page, std::string name) : page_(page), name_(std::move(name)) {}

  protected:
    void Execute() override;

  private:
    TIpToDomainPage* page_;
    std::string name_;
};

// One address to its name, into Edit1; newest request wins as above.
class findname_thread final : public task::WorkerThread {
  public:
    findname_thread(TIpToDomainPage* page, std::string address)
        : page_(page), address_(std::move(address)) {}

  protected:
    void Execute() override;

  private:
    TIpToDomainPage* page_;
    std::string address_;
};

// The batch over ListBox1 in the direction of `mode` ("nametoip" or "iptoname"); the entry
// count is read again before each entry, so entries added during the run are met too.
class nametoip_thread final : public task::WorkerThread {
  public:
    nametoip_thread(TIpToDomainPage* page, std::string mode)
        : page_(page), mode_(std::move(mode)) {}

  protected:
    void Execute() override;

  private:
    // One row; each side with the bytes it came as (the list's entry, the resolver's answer).
    bool Row(const QByteArray& name, const QByteArray& address, bool ok);

    TIpToDomainPage* page_;
    std::string mode_;
    std::int32_t finished_ = 0;
    std::int32_t successful_ = 0;
    std::int32_t failed_ = 0;
};

class TIpToDomainPage final : public TToolPage {
    Q_OBJECT
  public:
    explicit TIpToDomainPage(PageContext& context, QWidget* parent = nullptr);

    void LayOutGrid() override;
    void PrefillFromBrowser(const std::function<std::string()>& host) override;

    // Single name to addresses.
    ui::TEdit* domain_edit;
    ui::TSpeedButton* nametoip_button;
    ui::TMemo* Memo1;
    ui::TEdit* host_edit;
    // Single address to name.
    ui::TEdit* ip_edit;
    ui::TSpeedButton* iptoname_button;
    ui::TEdit* Edit1;
    // IP Neighborhood.
    ui::TCheckBox* CheckBox3;
    ui::TComboBox* ComboBox3;
    ui::TLabel* Label35;
    ui::TSpeedButton* SpeedButton20;  // the browser link
    // The batch list.
    ui::TListBox* ListBox1;
    ui::TLabel* Label15;             // total
    ui::TSpeedButton* SpeedButton1;  // import
    ui::TPopupMenu* PopupMenu1;
    TListEditing* ListEditing1;
    // The batch.
    ui::TSpeedButton* B_nametoip_start_button;
    ui::TSpeedButton* b_iptoname_start_button;
    ui::TSpeedButton* B_nametoip_end_button;
    ui::TSpeedButton* SpeedButton5;
    ui::TLabel* Label52;  // "Working..." / "Done!"
    ui::TStringGrid* StringGrid2;
    ui::TLabel* Label18;             // Finished
    ui::TLabel* Label16;             // Successful
    ui::TLabel* Label17;             // Failed
    ui::TSpeedButton* SpeedButton6;  // export
    // Popups of the inputs and the result grid; the send-to items go into them.
    ui::TPopupMenu* pop_domain;
    ui::TPopupMenu* pop_ip;
    ui::TPopupMenu* Pop_iptodomain_results;
    QAction* Brower1;

    // Shows the IP-to-Domain export dialog; set by whoever builds that dialog.
    std::function<void()> ShowExport;

    // The direction of the batch about to start: "nametoip" or "iptoname".
    std::string ConverterMode;

    // The page's tasks: the newest single lookup each way, and the batch (Stop acts on it).
    const task::TaskSlot& FindIpTask() const { return findip_thread_; }
    const task::TaskSlot& FindNameTask() const { return findname_thread_; }
    const task::TaskSlot& BatchTask() const { return nametoip_thread_; }

    void nametoip_buttonClick();
    void iptoname_buttonClick();
    // Send-to targets: the box gets `name` (`address`), then the single conversion runs.
    void ConvertDomain(const QString& name);
    void ConvertIp(const QString& address);
    void B_nametoip_start_buttonClick();
    void b_iptoname_start_buttonClick();
    void B_nametoip_end_buttonClick();
    void ip_button_active();
    void Brower1Click();
    void SpeedButton6Click();
    // Takes the page open in the web browser and runs the tool on it.
    void SpeedButton20Click();

    // The list's editing (popup, double-click, import).
    void A1Click();
    void UpdateItem1Click();
    void DeleteItem1Click();
    void DeleteAllItem1Click();
    void ListBox1DblClick();
    void SpeedButton1Click();

  private:
    QWidget* BuildNameToAddress();
    QWidget* BuildAddressToName();
    QWidget* BuildList();
    QLayout* BuildBatch();
    void BuildPopups();
    void WireHandlers();

    void StartBatch(const char* mode);
    void SetStartEnabled(bool on);

    // A newer start halts the task before it, so only the newest request writes its answer;
    // the page halts all three when it goes.
    task::TaskSlot findip_thread_;
    task::TaskSlot findname_thread_;
    task::TaskSlot nametoip_thread_;
};

}  // namespace orv
