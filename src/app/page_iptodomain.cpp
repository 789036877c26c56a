#include "app/page_iptodomain.h"

#include <QBoxLayout>

namespace orv {

TIpToDomainPage::TIpToDomainPage(QWidget* parent)
    : TToolPage("IP-to-Domain Converter", "IP Domain Converter", "ip_domain_converter", parent) {
    auto* layout = new QVBoxLayout(Body());
    layout->setContentsMargins(8, 8, 8, 8);
    auto* form = new QHBoxLayout;
    form->addWidget(new ui::TLabel("Domain  Name"));
    domain_edit = new ui::TEdit;
    domain_edit->setToolTip("Right Click to Get More");
    form->addWidget(domain_edit, 1);
    StringGrid2 = new ui::TStringGrid(2, 2, 1);
    layout->addLayout(form);
    layout->addWidget(StringGrid2, 1);
}

}  // namespace orv
