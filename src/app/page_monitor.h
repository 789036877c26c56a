// The "Connection Monitor" page.
#pragma once

#include "app/page_frame.h"
#include "controls/stringgrid.h"
#include "controls/widgets.h"

namespace orv {

class TConnectionMonitorPage final : public TToolPage {
    Q_OBJECT
public:
    explicit TConnectionMonitorPage(QWidget* parent = nullptr);

    ui::TStringGrid* sgConnHist;
    ui::TTimer* Timer;  // the 500 ms poll

    // Empties the history and starts the poll.
    void sbClearClick();
};

}  // namespace orv
