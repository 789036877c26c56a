// The "Website Scanner" page.
#pragma once

#include "app/page_frame.h"
#include "controls/stringgrid.h"
#include "controls/widgets.h"

namespace orv {

class TWebsiteScannerPage final : public TToolPage {
    Q_OBJECT
public:
    explicit TWebsiteScannerPage(QWidget* parent = nullptr);

    ui::TEdit* Edit111;
    ui::TStringGrid* StringGrid4;
};

}  // namespace orv
