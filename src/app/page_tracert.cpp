#include "app/page_tracert.h"

#include <QBoxLayout>

namespace orv {

TTracertPage::TTracertPage(QWidget* parent)
    : TToolPage("Tracert", "Traceroute", "traceroute", parent) {
    auto* layout = new QVBoxLayout(Body());
    layout->setContentsMargins(8, 8, 8, 8);
    auto* form = new QHBoxLayout;
    form->addWidget(new ui::TLabel("IP / Domain Name:"));
    edTarget = new ui::TEdit;
    edTarget->setToolTip("Right Click to Get More");
    form->addWidget(edTarget, 1);
    layout->addLayout(form);
    layout->addStretch(1);
}

}  // namespace orv
