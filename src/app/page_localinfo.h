// The "Local Infomation" page: the computer's own network set-up, read once when the page is
// built and never refreshed.
#pragma once

#include <vector>

#include "app/page_frame.h"
#include "controls/widgets.h"
#include "platform/netinfo.h"

namespace orv {

class TLocalInfoPage final : public TToolPage {
    Q_OBJECT
  public:
    // Fills both memos from the machine.
    explicit TLocalInfoPage(PageContext& context, QWidget* parent = nullptr);

    // The global parameters into `Info`, the adapters into `info2`.
    void ShowReport(const net::NetworkParams& params,
                    const std::vector<net::AdapterInfo>& adapters);

    ui::TMemo* Info;   // global IP parameters
    ui::TMemo* info2;  // one block per adapter

  private:
    void ShowMachine();
};

}  // namespace orv
