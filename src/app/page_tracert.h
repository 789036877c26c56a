// The "Tracert" page.
#pragma once

#include "app/page_frame.h"
#include "controls/stringgrid.h"
#include "controls/widgets.h"

namespace orv {

class TTracertPage final : public TToolPage {
    Q_OBJECT
public:
    explicit TTracertPage(QWidget* parent = nullptr);

    ui::TEdit* edTarget;
};

}  // namespace orv
