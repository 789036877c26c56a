// The "Batch Ping" page.
#pragma once

#include "app/page_frame.h"
#include "controls/stringgrid.h"
#include "controls/widgets.h"

namespace orv {

class TBatchPingPage final : public TToolPage {
    Q_OBJECT
public:
    explicit TBatchPingPage(QWidget* parent = nullptr);

    ui::TEdit* Edit7;
    ui::TStringGrid* StringGrid1;
};

}  // namespace orv
