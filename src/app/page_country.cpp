#include "app/page_country.h"

#include <QBoxLayout>

namespace orv {

TCountryLookupPage::TCountryLookupPage(QWidget* parent)
    : TToolPage("Country Lookup", "IP Country Converter", "ip_country_converter", parent) {
    auto* layout = new QVBoxLayout(Body());
    layout->setContentsMargins(8, 8, 8, 8);
    auto* form = new QHBoxLayout;
    form->addWidget(new ui::TLabel("IP / Domain Name"));
    Edit3 = new ui::TEdit;
    Edit3->setToolTip("Right Click to Get More");
    form->addWidget(Edit3, 1);
    StringGrid3 = new ui::TStringGrid(2, 2, 1);
    layout->addLayout(form);
    layout->addWidget(StringGrid3, 1);
}

}  // namespace orv
