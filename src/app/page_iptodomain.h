// The "IP-to-Domain Converter" page.
#pragma once

#include "app/page_frame.h"
#include "controls/stringgrid.h"
#include "controls/widgets.h"

namespace orv {

class TIpToDomainPage final : public TToolPage {
    Q_OBJECT
public:
    explicit TIpToDomainPage(QWidget* parent = nullptr);

    ui::TEdit* domain_edit;
    ui::TStringGrid* StringGrid2;
};

}  // namespace orv
