// The "Whois" page.
#pragma once

#include "app/page_frame.h"
#include "controls/stringgrid.h"
#include "controls/widgets.h"

namespace orv {

class TWhoisPage final : public TToolPage {
    Q_OBJECT
public:
    explicit TWhoisPage(QWidget* parent = nullptr);

    ui::TEdit* edDomain;
    ui::TCheckBox* CheckBox7;
    ui::TComboBox* edit10;

    // Enables the server box while the check box is checked.
    void CheckBox7Click();
};

}  // namespace orv
