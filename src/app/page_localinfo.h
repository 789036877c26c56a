// The "Local Infomation" page.
#pragma once

#include "app/page_frame.h"
#include "controls/stringgrid.h"
#include "controls/widgets.h"

namespace orv {

class TLocalInfoPage final : public TToolPage {
    Q_OBJECT
  public:
    explicit TLocalInfoPage(PageContext& context, QWidget* parent = nullptr);

    ui::TMemo* Info;
};

}  // namespace orv
