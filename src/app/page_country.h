// The "Country Lookup" page.
#pragma once

#include "app/page_frame.h"
#include "controls/stringgrid.h"
#include "controls/widgets.h"

namespace orv {

class TCountryLookupPage final : public TToolPage {
    Q_OBJECT
public:
    explicit TCountryLookupPage(QWidget* parent = nullptr);

    ui::TEdit* Edit3;
    ui::TStringGrid* StringGrid3;
};

}  // namespace orv
